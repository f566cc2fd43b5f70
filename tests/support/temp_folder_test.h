// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the tests that work with files: a folder of their own per test (ctest runs them side by
// side), removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tevra {

// A scratch path for the running test: its names and the process, so that the same test run from
// two build folders at once does not share it.
inline std::filesystem::path TestScratchPath(const std::string& prefix) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::filesystem::temp_directory_path() /
         (prefix + std::string(test->test_suite_name()) + "-" + std::string(test->name()) + "-" +
          std::to_string(::getpid()));
}

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TestScratchPath("tevra-");
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  std::filesystem::path dir_;
};

}  // namespace tevra
