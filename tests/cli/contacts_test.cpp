// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

namespace tevra::cli {
namespace {

// Runs "contacts" and returns the printed lines; status and error text through the pointers.
std::vector<std::string> Contacts(const Args& args, int* status = nullptr, std::string* error = nullptr) {
  Args full = {"contacts"};
  full.insert(full.end(), args.begin(), args.end());
  std::ostringstream out;
  std::ostringstream err;
  const int result = RunCli(full, out, err);
  if (status != nullptr) {
    *status = result;
  }
  if (error != nullptr) {
    *error = err.str();
  }
  std::vector<std::string> lines;
  std::istringstream text(out.str());
  for (std::string line; std::getline(text, line);) {
    lines.push_back(line);
  }
  return lines;
}

TEST(ContactsCommand, PrintsTheWindowLabelsOfAnEntry) {
  int status = -1;
  const auto lines = Contacts({"1", "--zone", "16", "--tenths", "--at", "2001-01-09 20:00:00.0"}, &status);
  EXPECT_EQ(status, ExitOk);
  const std::vector<std::string> expected = {
      "Label_Datum\t2001-01-09",
      "MoFiTyp_Label\tTotal Lunar Eclipse",
      "Label_Zeit\tGreatest eclipse at 20:20:35.8 UTC",
      "Label_Deltat\tDeltaT=64.2 sec",
      "P1\tP1: 2001-01-09 18:43:32.9\t-0 01:16:27.1\t [UTC+01]\tpassed",
      "U1\tU1: 2001-01-09 19:42:05.3\t-0 00:17:54.7\t [UTC+01]\tpassed",
      "U2\tU2: 2001-01-09 20:49:34.6\t+0 00:49:34.6\t [UTC+01]\tahead",
      "Mx\tMx: 2001-01-09 21:20:35.8\t+0 01:20:35.8\t [UTC+01]\tahead",
      "U3\tU3: 2001-01-09 21:51:36.9\t+0 01:51:36.9\t [UTC+01]\tahead",
      "U4\tU4: 2001-01-09 22:59:06.3\t+0 02:59:06.3\t [UTC+01]\tahead",
      "P4\tP4: 2001-01-09 23:57:36.6\t+0 03:57:36.6\t [UTC+01]\tahead",
  };
  EXPECT_EQ(lines, expected);
}

TEST(ContactsCommand, DefaultsAndOptions) {
  // On a computer in UTC-01 the default is zone row 14; whole seconds; rounding to 15 s moves P1 to
  // 16:43:30.
  ::setenv("TZ", "UTC+1", 1);  // NOLINT(concurrency-mt-unsafe): the tests run one at a time
  ::tzset();
  auto lines = Contacts({"1", "--round15", "--at", "2001-01-09 16:43:00"});
  ::unsetenv("TZ");  // NOLINT(concurrency-mt-unsafe)
  ::tzset();
  ASSERT_EQ(lines.size(), 11U);
  EXPECT_EQ(lines[4], "P1\tP1: 2001-01-09 16:43:30\t+0 00:00:30\t [UTC-01]\tahead");
  // A partial eclipse hides U2 and U3.
  lines = Contacts({"2", "--at", "2001-07-05 12:00:00.0"});
  ASSERT_EQ(lines.size(), 11U);
  EXPECT_EQ(lines[1], "MoFiTyp_Label\tPartial Lunar Eclipse");
  EXPECT_TRUE(lines[6].ends_with("\thidden")) << lines[6];
  EXPECT_TRUE(lines[8].ends_with("\thidden")) << lines[8];
  // Without --at the clock of the computer is used.
  int status = -1;
  EXPECT_EQ(Contacts({"143"}, &status).size(), 11U);
  EXPECT_EQ(status, ExitOk);
}

TEST(ContactsCommand, BadArgumentsAreUsageErrors) {
  struct Case {
    Args args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, "no eclipse number given"},
      {{"0"}, "eclipse number '0' is not in 1 to 143"},
      {{"144"}, "eclipse number '144' is not in 1 to 143"},
      {{"3x"}, "eclipse number '3x' is not in 1 to 143"},
      {{"1", "2"}, "unexpected argument '2'"},
      {{"1", "--zone", "40"}, "zone row '40' is not a row"},
      {{"1", "--zone", "+15"}, "--zone '+15' is no row, UTC offset or zone name"},
      {{"1", "--zone", "+05:15"}, "the zone table has no row for UTC offset 5.25 hours"},
      {{"1", "--zone"}, "--zone needs a row of the zone table (0 to 39), a UTC offset"},
      {{"1", "--at", "2001-01-09"}, "clock reading '2001-01-09' is not of the form"},
      {{"1", "--at", "2001-01-09 2x:00:00.0"}, "clock reading '2001-01-09 2x:00:00.0' is not"},
      {{"1", "--at", "2001/01/09 20:00:00.0"}, "is not of the form"},
      {{"1", "--fast"}, "unknown option '--fast'"},
  };
  for (const Case& c : cases) {
    int status = -1;
    std::string error;
    const auto lines = Contacts(c.args, &status, &error);
    EXPECT_EQ(status, ExitUsage) << error;
    EXPECT_TRUE(lines.empty());
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace tevra::cli

namespace tevra::cli {
namespace {

TEST(AboutCommand, PrintsSeventeenRowsOrRejectsAMissingFile) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli({"about"}, out, err), ExitOk);
  std::istringstream text(out.str());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 17U);
  EXPECT_TRUE(lines[0].starts_with("FileType        \t"));
  EXPECT_EQ(lines[16], "SpecialBuild    \tNo");
  EXPECT_EQ(RunCli({"about", "/no/such/file"}, out, err), ExitUsage);
  EXPECT_NE(err.str().find("'/no/such/file' is not a readable file"), std::string::npos);
}

}  // namespace
}  // namespace tevra::cli
