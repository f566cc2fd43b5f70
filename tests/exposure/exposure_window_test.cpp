// SPDX-License-Identifier: GPL-3.0-or-later
// The exposure window driven through its handlers on the offscreen platform.
#include "windows/exposure_window.h"

#include "camera/camera_model.h"
#include "camera/setting_names.h"
#include "exposure/exposure_generator.h"
#include "grid/nice_grid.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/time_zones.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace tevra {
namespace {

namespace fs = std::filesystem;

void SelectWithContacts(int32_t index) {
  SelectEclipse(index);
  ComputeContacts(false);
}

class ExposureWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tevra-window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ParameterRecord = FirstStartParameters("test");
    CameraName.clear();
    CameraSettingLists.Clear();
    ApplyTimeZone(15);
    SelectWithContacts(1);
    Make();
  }
  void TearDown() override {
    form_.reset();
    fs::remove_all(dir_);
  }
  void Make() {
    ExposureWindowHost host;
    host.selectEclipse = [this](int32_t index) {
      selected_.push_back(index);
      SelectWithContacts(index);
    };
    host.setExposureTablesEnabled = [this](bool on) { menuEnabled_ = on; };
    host.showMessage = [this](const std::string& caption, const std::string& text) {
      messages_.push_back(caption + " | " + text);
    };
    host.documentsFolder = dir_.string() + "/";
    host.askOpenPath = [this] { return openPath_; };
    host.mayReplaceTable = [this] { return mayReplace_; };
    form_ = std::make_unique<TForm_Exposure>(host);
  }
  TForm_Exposure& F() { return *form_; }
  TNiceGrid& G() { return *form_->NGE; }
  std::string Cell(int col, int row) { return G().Cells(col, row).toStdString(); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  // A small hand-made table: labels and times only.
  void SmallTable(int rows) {
    ExposureRows table(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
      table[static_cast<size_t>(i)][ColumnLabel] = "row " + std::to_string(i);
      table[static_cast<size_t>(i)][ColumnDateTime] = "2001-01-09 20:0" + std::to_string(i) + ":00.0";
    }
    F().SetTableRows(table);
  }

  fs::path dir_;
  std::unique_ptr<TForm_Exposure> form_;
  std::vector<int32_t> selected_;
  std::vector<std::string> messages_;
  bool menuEnabled_ = true;
  bool mayReplace_ = true;
  std::string openPath_;
};

TEST_F(ExposureWindow, PreparesAndGeneratesTheSelectedEclipse) {
  EXPECT_EQ(F().windowTitle(), "Tevra - Exposure table");
  EXPECT_EQ(G().RowCount(), NoTableRowCount);
  EXPECT_EQ(G().ColCount(), 23);
  F().Exposure_TablesClick();
  EXPECT_FALSE(menuEnabled_);
  EXPECT_TRUE(F().isVisible());
  EXPECT_EQ(G().RowCount(), 0);
  EXPECT_EQ(F().Label_Exp1->text(), "Total Lunar Eclipse");
  EXPECT_TRUE(F().Label_Exp2->text().startsWith("Greatest eclipse at "));
  EXPECT_EQ(F().ComboBox_IQdef->currentText(), "JPGLarFin");
  EXPECT_EQ(F().ComboBox_ISOdef->currentText(), "400");
  EXPECT_EQ(F().ComboBox_AVdef->currentText(), "f/5.6");

  F().IntervalRadioButtons[2]->setChecked(true);  // 1 minute
  F().Button_Create_ExposureListClick();
  GeneratorSettings settings;
  settings.intervalMinutes = 1;
  settings.fRatio = 8;
  settings.manualFRatio = true;
  settings.imageQuality = "JPGLarFin";
  settings.iso = "400";
  settings.aperture = "f/5.6";
  const auto expected = GenerateExposureTable(CurrentContacts(), 4, CurrentEclipse.UmbMagnitude, settings);
  ASSERT_TRUE(expected);
  EXPECT_EQ(F().TableRows(), *expected);
  EXPECT_EQ(G().Columns()[2]->Title(), "Date Time;[UTC]");
  EXPECT_EQ(G().Columns()[1]->HorzAlign(), haLeft);
  EXPECT_EQ(G().Columns()[4]->HorzAlign(), haCenter);
  EXPECT_GT(G().ColWidths(1), G().ColWidths(0));  // fitted to the labels

  // The darkness and the brackets reach the generator.
  F().ComboBox_Danjon->setCurrentIndex(1);  // L 0
  F().ComboBox_Bracket->setCurrentIndex(2);
  F().Button_Create_ExposureListClick();
  settings.danjon = 0;
  settings.bracketStops = 2;
  EXPECT_EQ(F().TableRows(),
            *GenerateExposureTable(CurrentContacts(), 4, CurrentEclipse.UmbMagnitude, settings));

  F().close();
  EXPECT_TRUE(menuEnabled_);
}

TEST_F(ExposureWindow, EclipseWithoutItsContactsCannotBeGenerated) {
  F().Exposure_TablesClick();
  SmallTable(2);
  JD_U1 = 0;  // as for a penumbral eclipse
  F().Exposure_TablesClick();
  SmallTable(2);
  F().Button_Create_ExposureListClick();
  EXPECT_FALSE(F().Button_Create_ExposureList->isEnabled());
  EXPECT_EQ(G().RowCount(), 2);
  EXPECT_EQ(Cell(ColumnLabel, 1), "row 1");
}

TEST_F(ExposureWindow, EclipseChangedToOneWithoutContactsKeepsTheTable) {
  F().Exposure_TablesClick();  // prepared for a total eclipse
  SmallTable(2);
  JD_U1 = 0;  // the main window has since moved to a penumbral eclipse
  F().Button_Create_ExposureListClick();
  EXPECT_FALSE(F().Button_Create_ExposureList->isEnabled());
  ASSERT_EQ(G().RowCount(), 2);
  EXPECT_EQ(Cell(ColumnLabel, 1), "row 1");
  EXPECT_FALSE(F().StatusBar1->currentMessage().isEmpty());
}

TEST_F(ExposureWindow, DefaultSettingsFromTheCameraOrBuiltIn) {
  Write("Camera.ini",
        "$$EOH\r\nCanon EOS 90D\r\n"
        "           2 number of Image quality settings\r\n     6618895\r\n     1310479\r\n"
        "           0 number of AEmode settings\r\n"
        "           0 number of ISO speed settings\r\n"
        "           1 number of Av (Aperture value) settings\r\n          64\r\n"
        "           0 number of Tv (Time value) settings\r\n");
  // A log without a camera keeps the built-in defaults rather than empty boxes.
  F().Exposure_TablesClick();
  EXPECT_EQ(F().ComboBox_IQdef->count(), 1);
  EXPECT_EQ(F().ComboBox_IQdef->currentText(), "JPGLarFin");
  EXPECT_EQ(F().ComboBox_AVdef->currentText(), "f/5.6");
  EXPECT_EQ(CameraSettingLists[KindImageQuality].Count(), 2U);

  CameraName = "Canon EOS 90D";
  F().Exposure_TablesClick();
  ASSERT_EQ(F().ComboBox_IQdef->count(), 2);
  EXPECT_EQ(F().ComboBox_IQdef->currentText(), "RAW");
  EXPECT_EQ(F().ComboBox_ISOdef->currentText(), "400");  // the camera offered none
  EXPECT_EQ(F().ComboBox_AVdef->currentText(), "f/11");
  F().CheckBox_manual_f_ratio->setChecked(false);
  F().Button_Create_ExposureListClick();
  EXPECT_EQ(Cell(ColumnQuality, 0), "RAW");
  EXPECT_EQ(Cell(ColumnIso, 0), "400");
  EXPECT_EQ(Cell(ColumnAperture, 0), "f/11");
}

TEST_F(ExposureWindow, RowPanel) {
  F().Exposure_TablesClick();
  SmallTable(3);
  F().NGEGutterClick(1, Qt::LeftButton, Qt::NoModifier);
  EXPECT_FALSE(F().Panel_NGE_Insert_Delete->isVisible());
  F().NGEGutterClick(1, Qt::RightButton, Qt::NoModifier);
  EXPECT_TRUE(F().Panel_NGE_Insert_Delete->isVisible());
  EXPECT_EQ(F().Panel_NGE_Insert_Delete->pos(), QPoint(0, 0));

  // Insert before row 0: the new row 0 takes the former row 0's time.
  G().SetRow(0);
  F().Button_NGE_InsertBeforeClick();
  ASSERT_EQ(G().RowCount(), 4);
  EXPECT_EQ(Cell(ColumnLabel, 0), "Inserted line");
  EXPECT_EQ(Cell(ColumnDateTime, 0), "2001-01-09 20:00:00.0");
  EXPECT_EQ(Cell(ColumnLabel, 1), "row 0");
  EXPECT_EQ(G().Row(), 0);
  EXPECT_EQ(G().Col(), 0);
  EXPECT_EQ(G().SelArea(), QRect(0, 0, 23, 1));
  EXPECT_TRUE(F().Panel_NGE_Insert_Delete->isVisible());

  // Insert after the last row appends one with the last row's time.
  G().SetRow(3);
  F().Button_NGE_InsertafterClick();
  ASSERT_EQ(G().RowCount(), 5);
  EXPECT_EQ(Cell(ColumnLabel, 4), "Inserted line");
  EXPECT_EQ(Cell(ColumnDateTime, 4), "2001-01-09 20:02:00.0");
  EXPECT_EQ(G().Row(), 4);
  // Insert after a middle row.
  G().SetRow(1);
  F().Button_NGE_InsertafterClick();
  EXPECT_EQ(Cell(ColumnLabel, 2), "Inserted line");
  EXPECT_EQ(Cell(ColumnDateTime, 2), "2001-01-09 20:00:00.0");
  EXPECT_EQ(Cell(ColumnLabel, 3), "row 1");

  // Deleting the last of several rows selects the row above the new last row.
  G().SetRow(5);
  F().Button_NGE_DeleteLineClick();
  ASSERT_EQ(G().RowCount(), 5);
  EXPECT_EQ(G().Row(), 3);
  EXPECT_EQ(G().SelArea(), QRect(0, 3, 23, 1));
  // A middle row: the rows close up and the row above is selected.
  G().SetRow(2);
  F().Button_NGE_DeleteLineClick();
  EXPECT_EQ(Cell(ColumnLabel, 2), "row 1");
  EXPECT_EQ(G().Row(), 1);

  SmallTable(1);
  F().Button_NGE_DeleteLineClick();
  EXPECT_EQ(G().RowCount(), 1);
  F().Button_NGE_DoneClick();
  EXPECT_FALSE(F().Panel_NGE_Insert_Delete->isVisible());
}

TEST_F(ExposureWindow, RowColoursAndRefusedCommas) {
  F().Exposure_TablesClick();
  F().Button_Create_ExposureListClick();
  G().SetCells(ColumnLabel, 1, "Loop during totality");
  TGridCanvas canvas;
  canvas.brushColor = QColor(1, 2, 3);
  canvas.fontColor = QColor(9, 9, 9);
  F().NGEDrawCell(canvas, 5, 1);
  EXPECT_EQ(canvas.brushColor, QColor(80, 255, 80));
  EXPECT_EQ(canvas.fontColor, QColor(Qt::black));
  canvas.brushColor = QColor(1, 2, 3);
  F().NGEDrawCell(canvas, 5, 0);  // a generated row keeps the grid's colours
  EXPECT_EQ(canvas.brushColor, QColor(1, 2, 3));

  EXPECT_FALSE(G().UserWrite(ColumnAperture, 0, "f/5,6"));
  EXPECT_EQ(Cell(ColumnAperture, 0), "");
  EXPECT_TRUE(F().StatusBar1->currentMessage().contains("\",\" cannot be stored"));
  EXPECT_TRUE(G().UserWrite(ColumnAperture, 0, "f/5.6"));
  EXPECT_EQ(Cell(ColumnAperture, 0), "f/5.6");
}

TEST_F(ExposureWindow, SaveAndLoadThroughTheWindow) {
  F().Exposure_TablesClick();
  F().Button_Create_ExposureListClick();
  G().SetCells(0, 3, " WAV ");
  const ExposureRows made = F().TableRows();
  F().SaveExposureTable1Click();
  const std::string saved = Path("Tevra_Exposure_Table.txt");
  EXPECT_EQ(CurrentTablePath, saved);

  // A table for another eclipse switches the main window to it.
  SelectWithContacts(34);
  F().Exposure_TablesClick();
  ASSERT_TRUE(F().LoadTableFrom(saved));
  EXPECT_EQ(selected_, std::vector<int32_t>{1});
  EXPECT_EQ(EclipseIndex, 1);
  EXPECT_EQ(F().TableRows(), made);
  EXPECT_EQ(G().MouseCursor(), Qt::SplitHCursor);
  EXPECT_TRUE(messages_.empty());

  // A bad first line changes nothing.
  Write("bad-first.txt", "0\r\n" + std::string(23, ',') + "\r\n");
  EXPECT_FALSE(F().LoadTableFrom(Path("bad-first.txt")));
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_NE(messages_[0].find("bad-first.txt: line 1: "), std::string::npos);
  EXPECT_EQ(selected_.size(), 1U);
  EXPECT_EQ(F().TableRows(), made);

  // A malformed row stops loading there; the rows before it stay.
  Write("bad-row.txt", "34\r\n" + std::string(23, ',') + "\r\n,x,short,,,,,,,,,,,,,,,,,,,,,\r\n" +
                           std::string(23, ',') + "\r\n");
  EXPECT_FALSE(F().LoadTableFrom(Path("bad-row.txt")));
  ASSERT_EQ(messages_.size(), 2U);
  EXPECT_NE(messages_[1].find("bad-row.txt: line 3: "), std::string::npos);
  EXPECT_EQ(EclipseIndex, 34);
  EXPECT_EQ(G().RowCount(), 1);

  // A line written with a "," in a cell loads shifted, and the status line says where.
  Write("shifted.txt", "34\r\n,a,2024-09-18 02:44:16.8,,,f/5,6" + std::string(18, ',') + "\r\n");
  EXPECT_TRUE(F().LoadTableFrom(Path("shifted.txt")));
  EXPECT_EQ(Cell(6, 0), "6");
  EXPECT_TRUE(F().StatusBar1->currentMessage().contains("shifted.txt: line 2: more than 23 commas"));
}

// While a start run goes on with the table, opening another one asks first; No keeps the grid.
TEST_F(ExposureWindow, OpeningATableAsksWhileARunIsUnderWay) {
  SmallTable(2);
  Write("other.txt", "34\r\n,a,2024-09-18 02:44:16.8" + std::string(21, ',') + "\r\n");
  openPath_ = Path("other.txt");
  mayReplace_ = false;
  F().OpenExposureTable1Click();
  EXPECT_EQ(G().RowCount(), 2);
  mayReplace_ = true;
  F().OpenExposureTable1Click();
  EXPECT_EQ(G().RowCount(), 1);
}

TEST_F(ExposureWindow, FRatioSettingAndRestoredChoices) {
  F().Edit_fRatio->setText(".5");
  F().Edit_fRatioExit();
  EXPECT_EQ(ParameterRecord.FRatio, 0.5);
  F().Edit_fRatio->setText("f/8");
  F().Edit_fRatioKeyDown(Qt::Key_Return);
  EXPECT_EQ(ParameterRecord.FRatio, 0.5);
  EXPECT_EQ(F().Edit_fRatio->text(), "11");
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_EQ(messages_[0], "Given f/Number is not numeric. | Enter a numeric f/Number");

  // Focus leaving for a message box or another window is not leaving the box.
  F().Edit_fRatio->setText("x");
  QFocusEvent toOtherWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(F().Edit_fRatio, &toOtherWindow);
  EXPECT_EQ(messages_.size(), 1U);
  QFocusEvent toNextControl(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(F().Edit_fRatio, &toNextControl);
  EXPECT_EQ(messages_.size(), 2U);
  EXPECT_EQ(F().Edit_fRatio->text(), "11");

  EXPECT_FALSE(F().ComboBox_ISOdef->isEnabled());  // manual f-ratio on at first start
  F().CheckBox_manual_f_ratio->setChecked(false);
  F().CheckBox_manual_f_ratioClick();
  EXPECT_TRUE(F().ComboBox_ISOdef->isEnabled());
  EXPECT_TRUE(F().Label_fNumber->isEnabled());
  F().IntervalRadioButtons[0]->setChecked(true);
  const ExposureChoices choices = F().CurrentExposureChoices();
  EXPECT_FALSE(choices.manualFRatio);
  EXPECT_EQ(choices.fRatioText, "11");
  EXPECT_EQ(choices.intervalCode, 15);

  ParameterRecord.ManualFRatio = false;
  ParameterRecord.FRatio = 5.6;
  ParameterRecord.IntervalCode = 8;
  Make();
  EXPECT_EQ(F().Edit_fRatio->text(), "5.6");
  EXPECT_FALSE(F().CheckBox_manual_f_ratio->isChecked());
  EXPECT_TRUE(F().IntervalRadioButtons[7]->isChecked());
  EXPECT_EQ(F().IntervalRadioButtons[7]->objectName(), "RadioButton08");
  ParameterRecord.IntervalCode = 4;  // no button: the design's 10 minutes
  Make();
  EXPECT_TRUE(F().IntervalRadioButtons[8]->isChecked());
}

TEST_F(ExposureWindow, FitMeasuresSplitTitlesWithoutTrailingBlank) {
  F().Exposure_TablesClick();
  F().SetTableRows({});
  F().FitColumnWidths();
  const QFontMetrics header(G().HeaderFont());
  EXPECT_EQ(G().ColWidths(6),
            std::max(header.horizontalAdvance("1/"), header.horizontalAdvance("8000")) + 10);
  EXPECT_EQ(G().ColWidths(0), header.horizontalAdvance("wav ") + 10);
}

}  // namespace
}  // namespace tevra
