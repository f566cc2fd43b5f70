// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include "tests/cli/run_tool.h"
#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace tevra::cli {
namespace {

using test::Lines;
using test::Output;
using test::RunTool;

using TableFiles = TempFolderTest;

TEST(CliTable, DefaultsAreTheFirstStartChoices) {
  ::setenv("TZ", "UTC+1", 1);  // NOLINT(concurrency-mt-unsafe): a computer in UTC-01, zone row 14
  ::tzset();
  const Output table = RunTool({"table", "1"});
  ::unsetenv("TZ");  // NOLINT(concurrency-mt-unsafe)
  ::tzset();
  ASSERT_EQ(table.status, ExitOk) << table.err;
  const std::vector<std::string> lines = Lines(table.out);
  ASSERT_EQ(lines.size(), 38U);  // index line and 37 rows at 10 minutes
  EXPECT_EQ(lines[0], "1\r");
  // Zone row 14 (UTC-01), f/8 manual: the picked ISO and no aperture.
  EXPECT_EQ(lines[1], ", 0 (01) 0.000  8.000,2001-01-09 16:20:35.8,JPGLarFin,400,,,,x,,,,,,,,,,,,,,,\r");
  EXPECT_EQ(lines[19], ", 4 (01) 1.000 -7.000,2001-01-09 19:20:35.8,JPGLarFin,1600,,,,,,,,,,,,,,,,,x,,\r");
}

TEST(CliTable, OptionsReachTheGenerator) {
  const Output table = RunTool({"table", "34", "--interval", "15", "--zone", "15", "--no-manual", "--iq",
                                "RAW", "--iso", "800", "--av", "f/8", "--fratio", "14", "--round15"});
  ASSERT_EQ(table.status, ExitOk) << table.err;
  const std::vector<std::string> lines = Lines(table.out);
  // Contacts rounded to 15 s: P1 00:39:15, Mx 02:44:15, P4 04:49:15; 125 minutes are 500 steps
  // each side of Mx, and 2 more.
  EXPECT_EQ(lines.size(), 1U + 1005U);
  EXPECT_EQ(lines[1], ", 0 (01) 0.000  8.000,2024-09-18 00:38:45.0,RAW,800,f/8,,,x,,,,,,,,,,,,,,,\r");
}

TEST(CliTable, UsageErrors) {
  EXPECT_EQ(RunTool({"table"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "144"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "2"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "--interval", "4"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "--interval"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "--fratio", "-2"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "--zone", "40"}).status, ExitUsage);
  const Output iso = RunTool({"table", "1", "--iso", "401"});
  EXPECT_EQ(iso.status, ExitUsage);
  EXPECT_NE(iso.err.find("'401' is not an ISO speed name"), std::string::npos);
  EXPECT_EQ(RunTool({"table", "1", "--av", "Unknown"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"table", "1", "--bogus"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"check"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"check", "a", "b"}).status, ExitUsage);
}

TEST_F(TableFiles, WrittenTableChecksSound) {
  const std::string path = Path("t.txt");
  ASSERT_EQ(RunTool({"table", "1", "-o", path}).status, ExitOk);
  const Output check = RunTool({"check", path});
  EXPECT_EQ(check.status, ExitOk);
  EXPECT_EQ(check.out, "eclipse\t1\nrows\t37\n");
  EXPECT_NE(RunTool({"table", "1", "-o", Path("no/such/folder/t.txt")}).status, ExitOk);
}

TEST_F(TableFiles, CheckReportsEveryProblemByLine) {
  Write("bad.txt", "200\r\n" + std::string(23, ',') +
                       "\r\n,a,2024-09-18 02:44:16.8,,,\r\n"
                       ",b,2024,,,,,,,,,,,,,,,,,,,,,\r\n" +
                       ",c,2024-09-18 02:44:16.8,,,f/5,6" + std::string(18, ',') + "\r\n");
  const Output check = RunTool({"check", Path("bad.txt")});
  EXPECT_EQ(check.status, ExitFailure);
  const std::vector<std::string> lines = Lines(check.out);
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[0],
            Path("bad.txt") + ": line 1: the first line \"200\" is not an eclipse number from 1 to 143");
  EXPECT_NE(lines[1].find(": line 3: the row has 5 commas"), std::string::npos);
  EXPECT_NE(lines[2].find(": line 4: the date-time \"2024\""), std::string::npos);
  EXPECT_NE(lines[3].find(": line 5: more than 23 commas"), std::string::npos);

  const Output missing = RunTool({"check", Path("missing.txt")});
  EXPECT_EQ(missing.status, ExitFailure);
  EXPECT_NE(missing.err.find("missing.txt"), std::string::npos);
}

TEST_F(TableFiles, CheckLoadsWhatTheWindowLoadsAndNamesDoubtfulLines) {
  // A "," inside a cell and a time the run cannot read: the window loads both rows.
  Write("doubt.txt", "34\r\n,c,2024-09-18 02:44:16.8,,,f/5,6" + std::string(18, ',') + "\r\n" +
                         ",d,2024-09-18 02:44:-9.9e21" + std::string(21, ',') + "\r\n");
  const Output check = RunTool({"check", Path("doubt.txt")});
  EXPECT_EQ(check.status, ExitOk);
  EXPECT_EQ(check.out, "eclipse\t34\nrows\t2\n");
  const std::vector<std::string> warnings = Lines(check.err);
  ASSERT_EQ(warnings.size(), 2U) << check.err;
  EXPECT_EQ(warnings[0].rfind("warning: " + Path("doubt.txt") + ": line 2: more than 23 commas", 0), 0U);
  EXPECT_NE(warnings[1].find(": line 3: the date-time \"2024-09-18 02:44:-9.9e21\" does not read as a time"),
            std::string::npos)
      << warnings[1];

  // Nothing but a regular file of a table's size is read.
  const Output device = RunTool({"check", "/dev/zero"});
  EXPECT_EQ(device.status, ExitFailure);
  EXPECT_NE(device.err.find("/dev/zero: it is not a regular file"), std::string::npos) << device.err;
}

}  // namespace
}  // namespace tevra::cli
