#include "shell/program_windows.h"

#include "shell/parameter_file.h"
#include "shell/variables.h"
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

class ProgramWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // ctest runs the tests of this program side by side: each needs its own folders.
    base_ = fs::temp_directory_path() /
            ("tevra-windows-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(base_);
    fs::create_directories(base_ / "settings");
    fs::create_directories(base_ / "documents");
    SettingsFolder = (base_ / "settings").string() + "/";
    DocumentsFolder = (base_ / "documents").string() + "/";
    ProgramVersion = "0.1.0";
    ParameterRecord = {};
    main_.showMessage = [this](const std::string& caption, const std::string& text) {
      messages_.push_back(caption + "|" + text);
    };
    main_.terminate = [] {};
    host_.showMessage = main_.showMessage;
    host_.documentsFolder = DocumentsFolder;
  }
  void TearDown() override { fs::remove_all(base_); }

  fs::path base_;
  MainWindowEnvironment main_;
  ExposureWindowHost host_;
  std::vector<std::string> messages_;
};

TEST_F(ProgramWindowsTest, ExposureWindowIsHiddenRestoredAndOpenedFromTheMenu) {
  ParameterFileRecord record = FirstStartParameters(ProgramVersion);
  record.IntervalCode = 8;
  record.FRatio = 6.3;
  record.ManualFRatio = false;
  ASSERT_EQ(WriteParameterFile(SettingsFolder + "Tevra.prm", record), "");

  const ProgramWindows windows = CreateProgramWindows(main_, host_);
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

TEST_F(ProgramWindowsTest, MainWindowSavesTheExposureWindowsChoices) {
  const ProgramWindows windows = CreateProgramWindows(main_, host_);
  windows.exposure->CheckBox_manual_f_ratio->setChecked(true);
  windows.exposure->Edit_fRatio->setText(QStringLiteral("5.6"));
  const auto buttons = IntervalButtons();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].Code == 15) {
      windows.exposure->IntervalRadioButtons[i]->setChecked(true);
    }
  }
  windows.main->close();

  std::ifstream file(SettingsFolder + "Tevra.prm", std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), ParameterFileSize);
  const ParameterFileRecord saved = DecodeParameters(bytes);
  EXPECT_TRUE(saved.ManualFRatio);
  EXPECT_EQ(saved.FRatio, 5.6);
  EXPECT_EQ(saved.IntervalCode, 15);
}

TEST_F(ProgramWindowsTest, LoadingATableSelectsItsEclipseInTheMainWindow) {
  const ProgramWindows windows = CreateProgramWindows(main_, host_);
  const std::string path = DocumentsFolder + "table.txt";
  std::ofstream(path, std::ios::binary) << "61\r\n";
  EXPECT_TRUE(windows.exposure->LoadTableFrom(path));
  EXPECT_EQ(windows.main->ScrollBar_Eclipse->value(), 61);
  EXPECT_EQ(EclipseIndex, 61);
}

}  // namespace
}  // namespace tevra
