// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/parameter_file.h"
#include "tests/run/run_test_support.h"
#include "tests/support/temp_folder_test.h"
#include "tools/tevra-cli/cli.h"

#include <gmock/gmock.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace tevra::test {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

// tevra-cli run in a home folder of its own per test (ctest runs them side by side), on a
// computer in UTC.
class CliRunTest : public TempFolderTest {
 protected:
  fs::path home;

  void SetUp() override {
    TempFolderTest::SetUp();
    home = dir_;
    // NOLINTBEGIN(concurrency-mt-unsafe): the tests run one at a time
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("TZ", "UTC", 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("TEVRA_SIMULATOR");
    ::tzset();
    // NOLINTEND(concurrency-mt-unsafe)
    DocumentsFolder.clear();
  }

  std::string Table(const ExposureRows& rows) {
    std::string path = (home / "table.txt").string();
    EXPECT_EQ(SaveExposureTable(path, 34, rows), "");
    return path;
  }

  static Result Run(const cli::Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    cli::Args all = {"run"};
    all.insert(all.end(), args.begin(), args.end());
    const int status = cli::RunCli(all, out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(CliRunTest, UsageErrorsExitWithTwo) {
  const std::string table = Table({Row("A", At("09:58:00.0"))});
  for (const cli::Args& args :
       {cli::Args{}, cli::Args{table, table}, cli::Args{table, "--zone", "40"},
        cli::Args{table, "--start-at"}, cli::Args{table, "--start-at", "2024-03-25T10:00:00"},
        cli::Args{table, "--camera", "webcam"},
        cli::Args{table, "--test", "--start-at", "2024-03-25 10:00:00"}, cli::Args{table, "--bias", "4"},
        cli::Args{table, "--bias", "0.5"}, cli::Args{table, "--previews"}}) {
    EXPECT_EQ(Run(args).status, cli::ExitUsage) << ::testing::PrintToString(args);
  }
}

// The stored zone is [UTC+01] while the computer runs in UTC: the start run warns and goes on.
// --start-at sets the run clock; the run log's path closes the output.
TEST_F(CliRunTest, StartRunOnTheSimulatedBody) {
  ParameterFileRecord record;
  record.TimeZoneIndex = 16;
  fs::create_directories(home / ".config/Tevra");
  const auto bytes = EncodeParameters(record);
  std::ofstream(home / ".config/Tevra/Tevra.prm", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  const Result result = Run(
      {Table({Row("A", At("10:00:00.0"))}), "--camera", "simulator", "--start-at", "2024-03-25 10:00:00"});
  ASSERT_EQ(result.status, cli::ExitOk) << result.err;
  EXPECT_THAT(result.out, HasSubstr("# warning: The exposure table's times are in [UTC+01], but"));
  // Issued within the first tenths of the run, however busy the machine.
  EXPECT_THAT(result.out, HasSubstr("1\tA\tIQ\t\t2024-03-25 10:00:0"));
  EXPECT_THAT(result.out, HasSubstr("\t0\t1\tIQ: Sts=0 Trials=1\n"));
  EXPECT_THAT(result.out, HasSubstr("1\tA\tWait\t2024-03-25 10:00:00.000\t2024-03-25 10:00:0"));
  EXPECT_THAT(result.out, HasSubstr("\tfile written\npictures taken\t1\nfailed\t0\nsettings not applied\t0\n"
                                    "released, no file\t0\nlate by more than 1 s\t0\nrun log\t" +
                                    (home / "Documents/Tevra/run-").string()));
  EXPECT_EQ(RehearsalOffset, 0);
}

// The bias is said on the row's line; the last picture's preview is saved and its figures printed.
TEST_F(CliRunTest, BiasAndPreviewsOnTheSimulatedBody) {
  const fs::path previews = home / "previews";
  const Result result = Run({Table({Row("A", At("10:00:00.0"))}), "--camera", "simulator", "--start-at",
                             "2024-03-25 10:00:00", "--bias", "+1 1/3", "--previews", previews.string()});
  ASSERT_EQ(result.status, cli::ExitOk) << result.err;
  EXPECT_THAT(result.out, HasSubstr("1\tA\tBias\t"));
  EXPECT_THAT(result.out, HasSubstr("+1 1/3 EV"));
  EXPECT_THAT(result.out, HasSubstr("1\tA\tPreview\t"));
  EXPECT_THAT(result.out, HasSubstr(", saved " + previews.string() + "/preview-"));
  EXPECT_EQ(std::distance(fs::directory_iterator(previews), fs::directory_iterator()), 1);
}

// A body that refuses every ISO: each write is tried three times, never 5000, every picture taken
// without it is counted, and the run exits with 1.
TEST_F(CliRunTest, SettingsNotAppliedAreCountedAndFailTheRun) {
  ::setenv("TEVRA_SIMULATOR", "refuse=0x402", 1);  // NOLINT(concurrency-mt-unsafe)
  const Result result =
      Run({Table({Row("A", At("10:00:00.0")), Row("B", At("10:00:01.0")), Row("C", At("10:00:02.0"))}),
           "--camera", "simulator", "--start-at", "2024-03-25 10:00:00"});
  EXPECT_EQ(result.status, cli::ExitFailure);
  EXPECT_THAT(result.out, HasSubstr("\tISO not applied: Sts=195 (value refused by the camera)\n"));
  EXPECT_THAT(result.out, HasSubstr("\tPicture taken - ISO not applied: Sts=195"));
  EXPECT_THAT(result.out, HasSubstr("pictures taken\t3\nfailed\t0\nsettings not applied\t3\n"
                                    "released, no file\t0\nlate by more than 1 s\t0\n"));
}

TEST_F(CliRunTest, RunWithoutCameraAndUnreadableTimes) {
  ExposureRow row = Row("A", At("09:00:00.0"));
  row[ColumnQuality] = row[ColumnIso] = row[ColumnAperture] = "";
  Result result = Run({Table({row}), "--camera", "none", "--zone", "15", "--take-past"});
  EXPECT_EQ(result.status, cli::ExitOk);
  EXPECT_THAT(result.out, ::testing::Not(HasSubstr("warning")));
  EXPECT_THAT(result.out, HasSubstr("# Camera not connected! SIMULATION MODE enabled!\n"));
  EXPECT_THAT(result.out, HasSubstr("\tTv: SIMULATION MODE\n"));
  EXPECT_THAT(result.out, HasSubstr("\tPicture taken (SIMULATED)\n"));

  result = Run(
      {Table({Row("A", At("10:00:00.0")), Row("B", "2024-03-25 1O:00:00.0")}), "--test", "--camera", "none"});
  EXPECT_EQ(result.status, cli::ExitFailure);
  EXPECT_THAT(result.out, HasSubstr("# Row 2: \"2024-03-25 1O:00:00.0\"\n"));
  EXPECT_THAT(result.out, ::testing::Not(HasSubstr("pictures taken")));
}

// Started again late: what was due long ago is skipped unless --take-past is given.
TEST_F(CliRunTest, EntriesDueLongAgoAreSkippedByDefault) {
  const std::string table = Table({Row("A", At("09:00:00.0")), Row("B", At("10:00:01.0"))});
  const Result result = Run({table, "--camera", "none", "--start-at", "2024-03-25 10:00:00"});
  EXPECT_EQ(result.status, cli::ExitOk) << result.err;
  EXPECT_THAT(result.out,
              HasSubstr("# The run starts late: 1 entry of the exposure table was due more than 60 "
                        "seconds ago, at 2024-03-25 09:00:00.0.\n# \n# Take it now"));
  EXPECT_THAT(result.out, HasSubstr("# skipping them (--take-past takes them)\n"));
  EXPECT_THAT(result.out, HasSubstr("1\tA\tSkipped\t2024-03-25 09:00:00.000\t"));
  EXPECT_THAT(result.out, HasSubstr("pictures taken\t1\n"));
  EXPECT_THAT(result.out, HasSubstr("entries skipped\t1\n"));
}

// A label's control characters never reach the terminal: "ESC[8m" would hide all that follows.
TEST_F(CliRunTest, ControlCharactersOfLabelsArePrintedEscaped) {
  const std::string table = Table({Row("A\x1B[8m", At("10:00:00.0"))});
  std::ostringstream out;
  std::ostringstream err;
  cli::RunCli({"check", table}, out, err);
  const Result run = Run({table, "--camera", "simulator", "--start-at", "2024-03-25 10:00:00"});
  for (const std::string& text : {out.str(), err.str(), run.out, run.err}) {
    EXPECT_EQ(text.find('\x1B'), std::string::npos) << text;
  }
  EXPECT_THAT(run.out + run.err, HasSubstr("A\\x1B[8m"));
}

TEST_F(CliRunTest, InterruptAbortsAndStillEndsTheRun) {
  const std::string table = Table({Row("A", At("10:00:30.0")), Row("B", At("10:01:00.0"))});
  std::thread interrupt([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(::getpid(), SIGINT);
  });
  const Result result = Run({table, "--camera", "none", "--start-at", "2024-03-25 10:00:00"});
  interrupt.join();
  EXPECT_EQ(result.status, cli::ExitFailure);
  EXPECT_THAT(result.out, HasSubstr("1\tA\tAbort\t"));
  EXPECT_THAT(result.out, HasSubstr("pictures taken\t0\nfailed\t0\nsettings not applied\t0\n"
                                    "released, no file\t0\nlate by more than 1 s\t0\naborted\n"));
  EXPECT_FALSE(AbortRun);
  EXPECT_EQ(RehearsalOffset, 0);
}

}  // namespace
}  // namespace tevra::test
