// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace tevra::cli {
namespace {

using ::testing::HasSubstr;

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs "tevra-cli camera --camera simulator ARGS" with a simulator script.
Result RunSimulator(const Args& args, const char* script = "processing-ms=0") {
  ::setenv("TEVRA_SIMULATOR", script, 1);  // NOLINT(concurrency-mt-unsafe): tests run one at a time
  Args all = {"camera", "--camera", "simulator"};
  all.insert(all.end(), args.begin(), args.end());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(all, out, err);
  ::unsetenv("TEVRA_SIMULATOR");  // NOLINT(concurrency-mt-unsafe)
  return {status, out.str(), err.str()};
}

TEST(CliCamera, InfoListsTheFiveSettingsByName) {
  const Result info = RunSimulator({"info"});
  ASSERT_EQ(info.status, ExitOk) << info.err;
  EXPECT_THAT(info.out, HasSubstr("Model:  Canon EOS Simulated\nPort:   simulator\nLegacy: no\n"));
  EXPECT_THAT(info.out, HasSubstr("ISO speed: 100 (0x48)\n  accepted (25): 100 125 160"));
  EXPECT_THAT(info.out, HasSubstr("Tv (shutter time): 1/250 (0x78)\n  accepted (55): 30\" 25\""));
}

TEST(CliCamera, SetGetAndReleaseReportEachStatus) {
  EXPECT_EQ(RunSimulator({"set", "ISO", "800"}).out, "iso: Sts=0\n");
  EXPECT_EQ(RunSimulator({"get", "0x405"}).out, "f/5.6 (0x30)\n");
  const Result refused = RunSimulator({"set", "av", "f/4"}, "refuse=0x405:0x81");
  EXPECT_EQ(refused.status, ExitFailure);
  EXPECT_THAT(refused.err, HasSubstr("Sts=129 (camera busy)"));
  const Result release = RunSimulator({"release", "--count", "3"});
  EXPECT_EQ(release.status, ExitOk);
  EXPECT_THAT(release.out, HasSubstr("Picture 3: Sts=0 Trials=1\n3 of 3 pictures taken\n"));
  const Result full = RunSimulator({"release"}, "card-full");
  EXPECT_EQ(full.status, ExitFailure);
  EXPECT_THAT(full.out, HasSubstr("Picture 1: Sts=194 Trials=1 (card full or write-protected)"));
  EXPECT_EQ(RunSimulator({"info"}, "no-camera").status, ExitFailure);
}

// Test shots without the window: each picture saved under its name made safe, replacing nothing.
TEST(CliCamera, ReleaseDownloadsEachPictureWithoutReplacingAny) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("tevra-cli-download-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "IMG_0001.JPG") << "older";
  const Result release = RunSimulator({"release", "--count", "2", "--download", folder.string()});
  EXPECT_EQ(release.status, ExitOk) << release.out << release.err;
  EXPECT_THAT(release.out, HasSubstr("Picture 1: downloaded " + (folder / "IMG_0001-1.JPG").string() + "\n"));
  EXPECT_THAT(release.out, HasSubstr("Picture 2: downloaded " + (folder / "IMG_0002.JPG").string() + "\n"));
  EXPECT_GT(fs::file_size(folder / "IMG_0002.JPG"), 100U);
  EXPECT_EQ(fs::file_size(folder / "IMG_0001.JPG"), 5U);
  fs::remove_all(folder);
}

TEST(CliCamera, UsageErrorsExitWithTwo) {
  for (const Args& args : {Args{}, Args{"get"}, Args{"get", "focus"}, Args{"set", "tv", "1/3"},
                           Args{"release", "--count", "0"}, Args{"events"}, Args{"shoot"}}) {
    EXPECT_EQ(RunSimulator(args).status, ExitUsage) << ::testing::PrintToString(args);
  }
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli({"camera", "--camera", "webcam", "info"}, out, err), ExitUsage);
  EXPECT_THAT(err.str(), HasSubstr("unknown camera \"webcam\""));
}

}  // namespace
}  // namespace tevra::cli
