// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the window tests of the shell: folders of their own per test (ctest runs them side by
// side), cleared globals, messages collected instead of shown, the clock and the exit injected.
#pragma once

#include "shell/main_window.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "tests/support/temp_folder_test.h"
#include "timing/astrolib.h"
#include "timing/countdown.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tevra {

class ShellWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    base_ = TestScratchPath("tevra-shell-");
    fs::remove_all(base_);
    fs::create_directories(base_ / "settings");
    fs::create_directories(base_ / "documents");
    SettingsFolder = (base_ / "settings").string() + "/";
    DocumentsFolder = (base_ / "documents").string() + "/";
    ProgramVersion = "0.1.0";
    ParameterRecord = {};
    RehearsalOffset = 0;
    AbortTests = AbortTestRun = AbortRun = false;
    environment_.clock = [this] { return clock_; };
    environment_.showMessage = [this](const std::string& caption, const std::string& text) {
      messages_.push_back(caption + "|" + text);
    };
    environment_.terminate = [this] { ++terminated_; };
    environment_.executablePath = fs::read_symlink("/proc/self/exe").string();
    // A first start on a computer in UTC-01 in September 2024: eclipse 34 and zone row 14.
    environment_.utcOffsetHours = [this] { return utcOffsetHours_; };
    environment_.nowUT = [this] { return nowUT_; };
  }
  void TearDown() override {
    RehearsalOffset = 0;
    std::filesystem::remove_all(base_);
  }

  std::string PrmPath() const { return SettingsFolder + "Tevra.prm"; }
  void StoreRecord(const ParameterFileRecord& record) const {
    ASSERT_EQ(WriteParameterFile(PrmPath(), record), "");
  }
  ParameterFileRecord StoredRecord() const {
    std::vector<uint8_t> bytes(std::filesystem::file_size(PrmPath()));
    std::ifstream(PrmPath(), std::ios::binary)
        .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(bytes.size(), ParameterFileSize);
    return DecodeParameters(bytes);
  }

  std::filesystem::path base_;
  double clock_ = CalJD(2001, 1, 9, 20, 0, 0);
  double utcOffsetHours_ = -1;
  double nowUT_ = CalJD(2024, 9, 1, 0, 0, 0);
  std::vector<std::string> messages_;
  int terminated_ = 0;
  MainWindowEnvironment environment_;
};

}  // namespace tevra
