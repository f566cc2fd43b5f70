// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/main_window.h"

#include "tests/shell/shell_test_fixture.h"

#include "shell/version_info.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTableWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace tevra {
namespace {

namespace fs = std::filesystem;

enum Contact : size_t { P1, U1, U2, Mx };

QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

// Whether the label's text, in the label's font, fits the room the label gives it: the contents
// less the margins and the indent a label applies on its own (half an "x" inside a frame).
bool ShowsWhole(const QLabel* label) {
  int indent = label->indent();
  if (indent < 0) {
    indent =
        label->frameWidth() > 0 ? QFontMetrics(label->font()).horizontalAdvance(QLatin1Char('x')) / 2 : 0;
  }
  const int room = label->contentsRect().width() - 2 * label->margin() - indent;
  return QFontMetrics(label->font()).horizontalAdvance(label->text()) <= room;
}
QColor Background(const QLabel* label) { return label->palette().color(QPalette::Window); }

struct FakeExposureWindow : ExposureChoicesSource {
  ExposureChoices CurrentExposureChoices() const override {
    abortSeen = AbortTests && AbortTestRun;
    return choices;
  }
  ExposureChoices choices;
  mutable bool abortSeen = false;
};

using MainWindow = ShellWindowTest;

TEST_F(MainWindow, FirstStartCreatesTheFileAndStartsWithOptionsOff) {
  TForm_Main window(environment_);
  EXPECT_TRUE(fs::exists(PrmPath()));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(window.ScrollBar_Eclipse->value(), 34);
  EXPECT_EQ(window.ComboBox_TZone->count(), 40);
  EXPECT_EQ(window.ComboBox_TZone->itemText(3), "UTC-09:30");
  EXPECT_EQ(window.ComboBox_TZone->currentIndex(), 14);
  EXPECT_FALSE(window.Zehntelsekunden->isChecked());
  EXPECT_FALSE(window.MinuteAcc->isChecked());  // although the design has it checked
  EXPECT_EQ(window.Timer1->interval(), 500);
  EXPECT_TRUE(window.Timer1->isActive());
  EXPECT_FALSE(window.Tests->isEnabled());
  EXPECT_FALSE(window.Exposure_Tables->isEnabled());
  EXPECT_EQ(window.size(), QSize(MainClientWidth, window.size().height()));
}

// The zone of the computer's offset and the eclipse to come; an offset the table lacks keeps the
// first-start row, and a stored choice is kept as it is.
TEST_F(MainWindow, FirstStartTakesTheComputersZoneAndTheComingEclipse) {
  utcOffsetHours_ = 5.75;
  nowUT_ = CalJD(2024, 9, 18, 2, 0, 0);  // during eclipse 34: still the one to come
  {
    TForm_Main window(environment_);
    EXPECT_EQ(window.ComboBox_TZone->currentIndex(), 24);
    EXPECT_EQ(window.ScrollBar_Eclipse->value(), 34);
  }
  std::filesystem::remove(PrmPath());
  utcOffsetHours_ = 5.2;
  nowUT_ = CalJD(2024, 9, 18, 6, 0, 0);  // after its P4
  {
    TForm_Main window(environment_);
    EXPECT_EQ(window.ComboBox_TZone->currentIndex(), FirstStartTimeZoneIndex);
    EXPECT_EQ(window.ScrollBar_Eclipse->value(), 35);
  }
  utcOffsetHours_ = 1;
  TForm_Main again(environment_);
  EXPECT_EQ(again.ComboBox_TZone->currentIndex(), FirstStartTimeZoneIndex);
  EXPECT_EQ(again.ScrollBar_Eclipse->value(), 35);
}

TEST_F(MainWindow, DisplayIsCompleteBeforeTheFirstActivation) {
  TForm_Main window(environment_);
  EXPECT_EQ(window.windowTitle().toStdString(), std::string("Tevra  Vers.") + TEVRA_TEST_VERSION);
  EXPECT_EQ(window.Label12->text(), "System Time");
  EXPECT_EQ(window.Label_UT->text(), "2001-01-09 20:00:00");
  EXPECT_EQ(window.StatusPanels[0]->text(), "TZAbk: [UTC-01]");
  EXPECT_EQ(window.Label_Datum->text(), "2024-09-18");
  EXPECT_EQ(window.TimeLabels[P1]->text(), "P1: 2024-09-17 23:39:18");
  EXPECT_EQ(window.DiffLabels[P1]->text(), "+8652 03:39:18");  // from the clock, not from JD 0
}

TEST_F(MainWindow, StoredChoicesAreRestoredAndDamagedIndicesMended) {
  ParameterFileRecord record = FirstStartParameters(ProgramVersion);
  record.ShowTenths = true;
  record.RoundContacts = true;
  record.EclipseIndex = 500;
  record.TimeZoneIndex = -1;
  StoreRecord(record);
  TForm_Main window(environment_);
  EXPECT_TRUE(window.Zehntelsekunden->isChecked());
  EXPECT_EQ(TenthsFlag, 1);
  EXPECT_EQ(window.Timer1->interval(), 250);
  EXPECT_TRUE(window.MinuteAcc->isChecked());
  EXPECT_EQ(window.ScrollBar_Eclipse->value(), 143);
  EXPECT_EQ(window.ComboBox_TZone->currentIndex(), 14);

  window.ZehntelsekundenClick();
  EXPECT_FALSE(window.Zehntelsekunden->isChecked());
  EXPECT_EQ(TenthsFlag, 0);
  EXPECT_EQ(window.Timer1->interval(), 500);

  record.EclipseIndex = 0;
  record.TimeZoneIndex = 40;
  StoreRecord(record);
  TForm_Main second(environment_);
  EXPECT_EQ(second.ScrollBar_Eclipse->value(), 1);
  EXPECT_EQ(second.ComboBox_TZone->currentIndex(), 14);
}

TEST_F(MainWindow, IncompatibleFileIsDeletedAndNothingWritten) {
  StoreRecord(FirstStartParameters("0.0.9"));
  {
    TForm_Main window(environment_);
    EXPECT_EQ(terminated_, 1);
    ASSERT_EQ(messages_.size(), 1U);
    EXPECT_EQ(messages_[0],
              "Incompatible parameter file found|The file from version 0.0.9 is now deleted.\n\r"
              "Please restart the program Tevra.");
    EXPECT_FALSE(fs::exists(PrmPath()));
    window.close();
  }
  EXPECT_FALSE(fs::exists(PrmPath()));
}

TEST_F(MainWindow, ZoneSelectionFillsTheStatusPanels) {
  TForm_Main window(environment_);
  struct Case {
    int row;
    const char* panels[3];
  };
  const Case cases[] = {
      {3, {"TZAbk: [UTC-09:30]", "TZone: -9.5", "UTC-09:30   MART; MIT"}},
      {15, {"TZAbk: [UTC]", "TZone: 0", "UTC\u00B100      AZOST; EGST; GMT; UTC; WET"}},
      {24, {"TZAbk: [UTC+05:45]", "TZone: 5.75", "UTC+05:45   NPT"}},
      {39, {"TZAbk: [UTC+14]", "TZone: 14", "UTC+14      LINT"}},
  };
  for (const Case& c : cases) {
    window.ComboBox_TZone->setCurrentIndex(c.row);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(window.StatusPanels[i]->text().toStdString(), c.panels[i]);
    }
  }
}

TEST_F(MainWindow, TypingInTheZoneSelectorOpensTheList) {
  TForm_Main window(environment_);
  window.show();
  QTest::keyClick(window.ComboBox_TZone, Qt::Key_U);
  EXPECT_TRUE(window.ComboBox_TZone->view()->isVisible());
  EXPECT_EQ(window.ComboBox_TZone->currentIndex(), 14);  // nothing applied before a choice
  EXPECT_EQ(window.ComboBox_TZone->view()->sizeHintForRow(0), 23);
  window.ComboBox_TZone->hidePopup();
}

TEST_F(MainWindow, TimerTickShowsClockAndCountdowns) {
  TForm_Main window(environment_);
  window.ComboBox_TZone->setCurrentIndex(15);
  window.SelectEclipseNumber(1);
  window.Timer1Timer();
  EXPECT_EQ(window.Label_Datum->text(), "2001-01-09");
  EXPECT_EQ(window.Label_Zeit->text(), "Greatest eclipse at 20:20:35.8 UTC");
  EXPECT_EQ(window.Label_UT->text(), "2001-01-09 20:00:00");
  EXPECT_EQ(window.Label_SysTime_TZ->text(), " [UTC]");
  EXPECT_EQ(window.Label12->text(), "System Time");
  EXPECT_EQ(Background(window.Label12), QColor(208, 208, 208));
  EXPECT_EQ(Background(window.Label_UT), QColor(0, 0, 0));
  EXPECT_EQ(window.TimeLabels[P1]->text(), "P1: 2001-01-09 17:43:33");
  EXPECT_EQ(TextColour(window.TimeLabels[P1]), QColor(192, 0, 0));
  EXPECT_EQ(window.DiffLabels[Mx]->text(), "+0 00:20:36");
  EXPECT_EQ(TextColour(window.DiffLabels[Mx]), QColor(160, 192, 0));
  EXPECT_EQ(TextColour(window.ZoneLabels[Mx]), QColor(0, 255, 0));

  // The zone and the tenths option show at the next tick; rehearsal shifts the clock.
  window.ComboBox_TZone->setCurrentIndex(16);
  window.ZehntelsekundenClick();
  RehearsalOffset = -1.0;
  window.Timer1Timer();
  EXPECT_EQ(window.Label_UT->text(), "2001-01-08 20:00:00.0");
  EXPECT_EQ(window.Label12->text(), "Rehearsal Time");
  EXPECT_EQ(Background(window.Label12), QColor(255, 0, 0));
  EXPECT_EQ(Background(window.Label_SysTime_TZ), QColor(255, 0, 0));
  EXPECT_EQ(window.TimeLabels[P1]->text(), "P1: 2001-01-09 18:43:32.9");
  EXPECT_EQ(window.ZoneLabels[P1]->text(), " [UTC+01]");
  EXPECT_EQ(TextColour(window.TimeLabels[P1]), QColor(0, 255, 0));
  EXPECT_EQ(window.Label_Zeit->text(), "Greatest eclipse at 20:20:35.8 UTC");

  window.SelectEclipseNumber(2);  // partial: totality rows black on black
  EXPECT_EQ(TextColour(window.TimeLabels[U2]), QColor(0, 0, 0));
  EXPECT_EQ(TextColour(window.DiffLabels[U2]), QColor(0, 0, 0));
}

TEST_F(MainWindow, EveryCountdownTextShowsWholeInItsLabel) {
  TForm_Main window(environment_);
  window.ComboBox_TZone->setCurrentIndex(15);
  // Clocks from before the first entry to the years when the hidden contacts of partial eclipses
  // (instant 0) count 2.5 million days back; every entry; with and without tenths.
  const double clocks[] = {CalJD(1990, 1, 1, 0, 0, 0), CalJD(2022, 5, 16, 0, 0, 0),
                           CalJD(2099, 12, 31, 23, 0, 0), CalJD(2132, 12, 31, 0, 0, 0)};
  size_t longest = 0;
  for (const bool tenths : {false, true}) {
    if (window.Zehntelsekunden->isChecked() != tenths) {
      window.ZehntelsekundenClick();
    }
    for (const double clock : clocks) {
      clock_ = clock;
      for (int entry = 1; entry <= EclipseCount; ++entry) {
        window.SelectEclipseNumber(entry);
        window.Timer1Timer();
        for (const QLabel* label : window.DiffLabels) {
          longest = std::max(longest, static_cast<size_t>(label->text().size()));
          ASSERT_TRUE(ShowsWhole(label))
              << label->text().toStdString() << " in " << label->font().pixelSize() << " px, entry " << entry;
          // In the label's place and font family, never larger than designed.
          ASSERT_EQ(label->width(), 146);
          ASSERT_EQ(label->font().family(), "Arial Narrow");
          ASSERT_LE(label->font().pixelSize(), 24);
        }
      }
    }
  }
  EXPECT_EQ(longest, std::string("-2500000 00:00:00.0").size());
  // Near the eclipse the countdowns keep the designed size.
  clock_ = CalJD(2022, 5, 16, 3, 0, 0);
  window.SelectEclipseNumber(31);
  window.Timer1Timer();
  EXPECT_EQ(window.DiffLabels[Mx]->font().pixelSize(), 24);
}

TEST_F(MainWindow, EveryZoneDescriptionShowsWholeInTheStatusBar) {
  TForm_Main window(environment_);
  window.show();
  QCoreApplication::processEvents();
  const QLabel* panel = window.StatusPanels[2];
  for (int row = 0; row < 40; ++row) {
    window.ComboBox_TZone->setCurrentIndex(row);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ShowsWhole(panel)) << row << ": " << panel->text().toStdString();
    // In its own place: right of the other two panels, inside the window.
    EXPECT_GE(panel->x(), window.StatusPanels[1]->geometry().right()) << row;
    EXPECT_LE(panel->mapTo(&window, QPoint(panel->width(), 0)).x(), window.width()) << row;
  }
  window.ComboBox_TZone->setCurrentIndex(28);
  EXPECT_TRUE(panel->text().endsWith("; WST"));
}

TEST_F(MainWindow, EclipseSelectorKeysAndTroughMoveLikeItsArrows) {
  TForm_Main window(environment_);
  window.show();
  QScrollBar* bar = window.ScrollBar_Eclipse;
  ASSERT_EQ(bar->value(), 34);
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = Qt::Horizontal;
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  const auto centreOf = [&](QStyle::SubControl control) {
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, bar).center();
  };
  const QPoint rightArrow = centreOf(QStyle::SC_ScrollBarAddLine);
  const QPoint rightTrough = centreOf(QStyle::SC_ScrollBarAddPage);
  const QPoint leftTrough = centreOf(QStyle::SC_ScrollBarSubPage);

  QTest::mouseClick(bar, Qt::LeftButton, {}, rightArrow);
  EXPECT_EQ(bar->value(), 35);
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(bar->value(), 36);
  QTest::keyClick(bar, Qt::Key_Left);
  QTest::keyClick(bar, Qt::Key_Left);
  EXPECT_EQ(bar->value(), 34);
  QTest::mouseClick(bar, Qt::LeftButton, {}, rightTrough);
  EXPECT_EQ(bar->value(), 35);
  QTest::mouseClick(bar, Qt::LeftButton, {}, leftTrough);
  QTest::mouseClick(bar, Qt::LeftButton, {}, leftTrough);
  EXPECT_EQ(bar->value(), 33);
  EXPECT_EQ(EclipseIndex, 33);  // the window followed every step
  EXPECT_EQ(window.Label_EclNumber->text(), "Catalogue number 33");
}

TEST_F(MainWindow, CloseSavesTheChoicesAndKeepsTheCameraLog) {
  std::ofstream(DocumentsFolder + "Camera.ini") << "stale";
  TForm_Main window(environment_);
  EXPECT_FALSE(fs::exists(DocumentsFolder + "Camera.ini"));  // deleted at creation
  FakeExposureWindow exposure;
  exposure.choices.manualFRatio = false;
  exposure.choices.fRatioText = "5.6";
  exposure.choices.intervalCode = 8;
  window.SetExposureChoicesSource(&exposure);
  window.SelectEclipseNumber(61);
  window.ComboBox_TZone->setCurrentIndex(3);
  window.ZehntelsekundenClick();
  window.MinuteAccClick();
  std::ofstream(DocumentsFolder + "Camera.ini") << "this run";

  window.Exit_and_saveClick();
  EXPECT_TRUE(exposure.abortSeen);  // abort flags are set before the choices are collected
  EXPECT_TRUE(AbortRun);
  const ParameterFileRecord saved = StoredRecord();
  EXPECT_EQ(StoredVersion(saved), "0.1.0");
  EXPECT_EQ(saved.EclipseIndex, 61);
  EXPECT_EQ(saved.TimeZoneIndex, 3);
  EXPECT_TRUE(saved.ShowTenths);
  EXPECT_TRUE(saved.RoundContacts);
  EXPECT_FALSE(saved.ManualFRatio);
  EXPECT_EQ(saved.FRatio, 5.6);
  EXPECT_EQ(saved.IntervalCode, 8);
  EXPECT_FALSE(fs::exists(DocumentsFolder + "Camera.ini"));
  std::ifstream kept(DocumentsFolder + "Camera.txt");
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "this run");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindow, WithoutExposureWindowTheLoadedValuesStay) {
  ParameterFileRecord record = FirstStartParameters(ProgramVersion);
  record.FRatio = 6.3;
  record.IntervalCode = 15;
  record.Padding44 = {1, 2, 3, 4};
  StoreRecord(record);
  TForm_Main window(environment_);
  window.close();
  const ParameterFileRecord saved = StoredRecord();
  EXPECT_EQ(saved.FRatio, 6.3);
  EXPECT_EQ(saved.IntervalCode, 15);
  EXPECT_EQ(saved.Padding44, record.Padding44);
}

TEST_F(MainWindow, AFailedSaveIsReportedAndTheWindowStillCloses) {
  TForm_Main window(environment_);
  window.show();
  fs::remove_all(base_ / "settings");
  EXPECT_TRUE(window.close());
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_NE(messages_[0].find("Tevra|Cannot write"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find("No such file or directory"), std::string::npos) << messages_[0];
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, AboutPanelAndCaption) {
  TForm_Main window(environment_);
  window.FormActivate();
  EXPECT_EQ(window.windowTitle().toStdString(), std::string("Tevra  Vers.") + TEVRA_TEST_VERSION);
  window.Version1Click();
  EXPECT_TRUE(window.Panel_About->isVisibleTo(&window));
  EXPECT_EQ(window.StringGrid_VersionsInfo->rowCount(), 17);
  EXPECT_EQ(window.StringGrid_VersionsInfo->columnWidth(0), 150);
  EXPECT_EQ(window.StringGrid_VersionsInfo->item(0, 0)->text(), "FileType        ");
  EXPECT_EQ(window.StringGrid_VersionsInfo->item(8, 1)->text(), "Tevra");
  EXPECT_EQ(window.Label_AboutTitle->text().toStdString(), std::string("Tevra      ") + TEVRA_TEST_VERSION);
  // The licence shows whole between the grid and the buttons.
  const QLabel* licence = window.Label_AboutLicence;
  EXPECT_TRUE(licence->isVisibleTo(&window));
  EXPECT_TRUE(licence->text().contains("GPL-3.0-or-later"));
  EXPECT_LE(licence->heightForWidth(licence->width()), licence->height());
  EXPECT_GT(licence->y(), window.StringGrid_VersionsInfo->geometry().bottom());
  EXPECT_LT(licence->geometry().bottom(), window.Button_About_OK->y());
  // A value wider than its column ("Lunar eclipse ...") shows whole in its tool tip.
  const QFontMetrics grid(window.StringGrid_VersionsInfo->font());
  int wide = 0;
  for (int row = 0; row < 17; ++row) {
    const QTableWidgetItem* value = window.StringGrid_VersionsInfo->item(row, 1);
    EXPECT_EQ(value->toolTip(), value->text()) << row;
    wide += grid.horizontalAdvance(value->text()) > window.StringGrid_VersionsInfo->columnWidth(1) ? 1 : 0;
  }
  EXPECT_GT(wide, 0);
  window.Button_About_OKClick();
  EXPECT_FALSE(window.Panel_About->isVisibleTo(&window));
  window.Version1Click();
  window.FormActivate();  // activation hides the panel again
  EXPECT_FALSE(window.Panel_About->isVisibleTo(&window));

  const fs::path bare = base_ / "bare";
  std::ofstream(bare, std::ios::binary) << "\x7f"
                                        << "ELF without a record";
  environment_.executablePath = bare.string();
  TForm_Main without(environment_);
  without.FormActivate();
  EXPECT_EQ(without.windowTitle(), "Tevra  Vers.");
  EXPECT_EQ(without.StringGrid_VersionsInfo->item(3, 1)->text(), "");
  EXPECT_EQ(without.StringGrid_VersionsInfo->item(13, 1)->text(), "No");
}

TEST_F(MainWindow, LaterWindowsEnableTheirMenuItems) {
  TForm_Main window(environment_);
  int shown = 0;
  window.SetExposureWindowHook([&] { ++shown; });
  EXPECT_TRUE(window.Exposure_Tables->isEnabled());
  EXPECT_FALSE(window.Tests->isEnabled());
  window.Exposure_Tables->trigger();
  EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace tevra
