#include "shell/program_windows.h"

#include "tests/shell/shell_test_fixture.h"

#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/catalogue.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

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

}  // namespace
}  // namespace tevra
