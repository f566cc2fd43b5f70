// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/program_windows.h"

#include "tests/shell/shell_test_fixture.h"

#include "grid/nice_grid.h"
#include "run/run_clock.h"
#include "shell/user_guide.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "windows/photography_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tevra {
namespace {

namespace fs = std::filesystem;

class ProgramWindowsTest : public ShellWindowTest {
 protected:
  void SetUp() override {
    ShellWindowTest::SetUp();
    host_.showMessage = environment_.showMessage;
    host_.documentsFolder = DocumentsFolder;
  }

  ExposureWindowHost host_;
};

TEST_F(ProgramWindowsTest, ExposureWindowIsHiddenRestoredAndOpenedFromTheMenu) {
  ParameterFileRecord record = FirstStartParameters(ProgramVersion);
  record.IntervalCode = 8;
  record.FRatio = 6.3;
  record.ManualFRatio = false;
  StoreRecord(record);

  const ProgramWindows windows = CreateProgramWindows(environment_, host_);
  EXPECT_FALSE(windows.exposure->isVisible());
  // The exposure window was created after the record was loaded.
  EXPECT_EQ(windows.exposure->Edit_fRatio->text(), "6.3");
  EXPECT_FALSE(windows.exposure->CheckBox_manual_f_ratio->isChecked());
  ASSERT_TRUE(windows.main->Exposure_Tables->isEnabled());

  windows.main->Exposure_Tables->trigger();
  EXPECT_TRUE(windows.exposure->isVisible());
  EXPECT_FALSE(windows.main->Exposure_Tables->isEnabled());  // one exposure window at a time
  windows.exposure->close();
  EXPECT_TRUE(windows.main->Exposure_Tables->isEnabled());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ProgramWindowsTest, CameraWindowIsHiddenAndOpenedFromTheMenu) {
  const ProgramWindows windows = CreateProgramWindows(environment_, host_);
  EXPECT_FALSE(windows.camera->isVisible());
  ASSERT_TRUE(windows.main->Tests->isEnabled());
  windows.main->Tests->trigger();
  EXPECT_TRUE(windows.camera->isVisible());
}

TEST_F(ProgramWindowsTest, MainWindowSavesTheExposureWindowsChoices) {
  const ProgramWindows windows = CreateProgramWindows(environment_, host_);
  windows.exposure->CheckBox_manual_f_ratio->setChecked(true);
  windows.exposure->Edit_fRatio->setText(QStringLiteral("5.6"));
  const auto buttons = IntervalButtons();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].Code == 15) {
      windows.exposure->IntervalRadioButtons[i]->setChecked(true);
    }
  }
  windows.main->close();

  const ParameterFileRecord saved = StoredRecord();
  EXPECT_TRUE(saved.ManualFRatio);
  EXPECT_EQ(saved.FRatio, 5.6);
  EXPECT_EQ(saved.IntervalCode, 15);
}

TEST_F(ProgramWindowsTest, LoadingATableSelectsItsEclipseInTheMainWindow) {
  const ProgramWindows windows = CreateProgramWindows(environment_, host_);
  const std::string path = DocumentsFolder + "table.txt";
  std::ofstream(path, std::ios::binary) << "61\r\n";
  EXPECT_TRUE(windows.exposure->LoadTableFrom(path));
  EXPECT_EQ(windows.main->ScrollBar_Eclipse->value(), 61);
  EXPECT_EQ(EclipseIndex, 61);
}

// The row a photography run serves is marked in the exposure window's grid and the mark goes at
// the run's end; an edit in the grid of a row still to come reaches the run.
TEST_F(ProgramWindowsTest, PhotographyRunMarksItsRowAndTakesEditsFromTheGrid) {
  ManualTickClock ticks{0};
  ManualRunClock clock{ticks, CalJD(2024, 3, 25, 9, 59, 0)};
  ManualRunWaiter waiter{ticks};
  CameraWindowHost cameraHost;
  cameraHost.clock = &ticks;
  cameraHost.runClock = &clock;
  cameraHost.runWaiter = &waiter;
  const ProgramWindows windows = CreateProgramWindows(environment_, host_, cameraHost);
  ExposureRows rows(2);
  for (ExposureRow& row : rows) {
    row[ColumnLabel] = "P1";
    row[ColumnDateTime] = "2024-03-25 09:59:10";
    row[ColumnIso] = "400";
    row[19] = "x";
  }
  windows.exposure->SetTableRows(rows);
  EclipseRun& run = windows.camera->Photography->Engine();
  run.SetLogFolder("");
  std::vector<size_t> marks;
  run.SetPump([&] {
    if (marks.empty() || marks.back() != windows.exposure->RunRow()) {
      marks.push_back(windows.exposure->RunRow());
    }
    if (run.CurrentRow() == 1) {
      windows.exposure->NGE->SetCells(ColumnIso, 1, QStringLiteral("1600"));
    }
  });
  windows.camera->Photography->Button_Test_Eclipse_Photography->click();
  EXPECT_EQ(marks, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(windows.exposure->RunRow(), 0U);
  EXPECT_EQ(run.Table().rows[1][ColumnIso], "1600");
}

// F1 in each of the three windows and the about panel's button open the guide installed beside
// the program; a guide that is missing or that nothing can open is reported instead.
TEST_F(ProgramWindowsTest, F1InEveryWindowAndTheAboutPanelOpenTheUserGuide) {
  const std::string programFolder = ProgramFolder;
  ProgramFolder = (base_ / "bin").string() + "/";
  const fs::path guide = UserGuidePath(ProgramFolder);
  fs::create_directories(guide.parent_path());
  std::ofstream(guide) << "<html></html>";
  std::vector<QUrl> opened;
  bool viewerFound = true;
  environment_.openUrl = [&](const QUrl& url) {
    opened.push_back(url);
    return viewerFound;
  };
  const ProgramWindows windows = CreateProgramWindows(environment_, host_);
  windows.main->show();
  windows.main->Tests->trigger();
  windows.main->Exposure_Tables->trigger();

  for (QWidget* window :
       std::initializer_list<QWidget*>{windows.main.get(), windows.camera.get(), windows.exposure.get()}) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->windowTitle().toStdString();
    const size_t before = opened.size();
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window,
                    Qt::Key_F1);
    ASSERT_EQ(opened.size(), before + 1) << window->windowTitle().toStdString();
    EXPECT_EQ(opened.back(), QUrl::fromLocalFile(QString::fromStdString(guide.string())));
  }
  windows.main->Version1Click();
  windows.main->Button_About_Guide->click();
  EXPECT_EQ(opened.size(), 4U);
  EXPECT_TRUE(messages_.empty());

  viewerFound = false;
  windows.main->Hilfe2->trigger();
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_NE(messages_[0].find("Open " + guide.string() + " in a web browser"), std::string::npos)
      << messages_[0];
  fs::remove(guide);
  windows.main->Hilfe2->trigger();
  EXPECT_EQ(opened.size(), 5U);  // nothing is opened without the file
  ASSERT_EQ(messages_.size(), 2U);
  EXPECT_NE(messages_[1].find(guide.string() + " is missing"), std::string::npos) << messages_[1];
  ProgramFolder = programFolder;
}

}  // namespace
}  // namespace tevra
