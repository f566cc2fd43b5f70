// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tevra::cli {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunTool(const Args& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(Cli, ZonesPrintsOneTabSeparatedLinePerRow) {
  const Result result = RunTool({"zones"});
  EXPECT_EQ(result.status, ExitOk);
  std::istringstream lines(result.out);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) {
    all.push_back(line);
  }
  ASSERT_EQ(all.size(), 40U);
  EXPECT_EQ(all[0], "0\tUTC-12\t-12\tUTC-12      BIT; IDLW");
  EXPECT_EQ(all[3], "3\tUTC-09:30\t-9.5\tUTC-09:30   MART; MIT");
  EXPECT_EQ(all[15], "15\tUTC\t0\tUTC\u00B100      AZOST; EGST; GMT; UTC; WET");
  EXPECT_EQ(all[24], "24\tUTC+05:45\t5.75\tUTC+05:45   NPT");
}

TEST(Cli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(RunTool({}).status, ExitUsage);
  const Result unknown = RunTool({"frobnicate"});
  EXPECT_EQ(unknown.status, ExitUsage);
  EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
  const Result option = RunTool({"--colour"});
  EXPECT_EQ(option.status, ExitUsage);
  EXPECT_NE(option.err.find("unknown option '--colour'"), std::string::npos);
  EXPECT_EQ(RunTool({"zones", "extra"}).status, ExitUsage);
}

TEST(Cli, HelpAndVersion) {
  const Result help = RunTool({"--help"});
  EXPECT_EQ(help.status, ExitOk);
  EXPECT_NE(help.out.find("zones"), std::string::npos);
  const Result version = RunTool({"--version"});
  EXPECT_EQ(version.status, ExitOk);
  EXPECT_EQ(version.out.rfind("tevra-cli ", 0), 0U);
  EXPECT_NE(version.out.find("\nTevra is free software under the GNU General Public"), std::string::npos);
  EXPECT_NE(version.out.find("(GPL-3.0-or-later)"), std::string::npos);
}

TEST(Cli, EveryCommandPrintsItsUsageOnHelp) {
  for (const Command& command : Commands()) {
    for (const Args& args : {Args{command.name, "--help"}, Args{command.name, "93", "--help"}}) {
      const Result help = RunTool(args);
      EXPECT_EQ(help.status, ExitOk) << command.name << ": " << help.err;
      EXPECT_EQ(help.out.rfind(std::string("usage: tevra-cli ") + command.name, 0), 0U) << help.out;
      EXPECT_NE(help.out.find(command.summary), std::string::npos) << help.out;
    }
  }
}

}  // namespace
}  // namespace tevra::cli
