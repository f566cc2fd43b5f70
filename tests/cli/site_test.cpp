// SPDX-License-Identifier: GPL-3.0-or-later
// The observer's site in tevra-cli: the Moon at the contacts, the eclipses visible from a place,
// the plan check of `check` and the announcements of `table`.
#include "tools/tevra-cli/cli.h"

#include "tests/cli/run_tool.h"
#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tevra::cli {
namespace {

using test::Output;
using test::RunTool;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) {
    parts.push_back(part);
  }
  return parts;
}

constexpr const char* Munich = "48.1372,11.5755,520";

TEST(CliSite, ContactsAddTheMoonsAltitudeAndAzimuthAtTheSite) {
  const Output plain = RunTool({"contacts", "35", "--at", "2025-03-14 00:00:00.0"});
  const Output sited = RunTool({"contacts", "35", "--at", "2025-03-14 00:00:00.0", "--site", Munich});
  ASSERT_EQ(sited.status, ExitOk) << sited.err;
  const std::vector<std::string> lines = Split(sited.out, '\n');
  ASSERT_EQ(lines.size(), 13U);
  EXPECT_EQ(
      lines[5],
      "Label_MoonAtSite\tMoon at P1 15\xC2\xB0, at U1 3\xC2\xB0, at U2 below the horizon, at Mx below the "
      "horizon, at U3 below the horizon, at U4 below the horizon, at P4 below the horizon");
  // The contact lines as without a site, and two columns more.
  const std::vector<std::string> before = Split(plain.out, '\n');
  EXPECT_EQ(lines[6], before[4] + "\t15.4\t256.6");
  EXPECT_EQ(lines[9], before[7] + "\t-14.4\t290.0");
  // A partial eclipse has no U2: no Moon for it.
  const Output partial = RunTool({"contacts", "34", "--site", Munich});
  EXPECT_NE(partial.out.find("\thidden\t-\t-\n"), std::string::npos) << partial.out;

  for (const char* bad : {"48.1", "95,10", "48,11,x", "-"}) {
    EXPECT_EQ(RunTool({"contacts", "35", "--site", bad}).status, ExitUsage) << bad;
  }
  EXPECT_EQ(RunTool({"contacts", "35", "--site"}).status, ExitUsage);
}

TEST(CliSite, EclipsesVisibleFromASiteAreThoseWithTheMoonUpAtGreatestEclipse) {
  const Output all = RunTool({"eclipses"});
  const Output munich = RunTool({"eclipses", "--visible-from", Munich});
  const Output sydney = RunTool({"eclipses", "--visible-from", "-33.8688,151.2093,40"});
  ASSERT_EQ(munich.status, ExitOk) << munich.err;
  const std::vector<std::string> allLines = Split(all.out, '\n');
  std::vector<std::string> munichLines = Split(munich.out, '\n');
  ASSERT_GT(munichLines.size(), 40U);
  ASSERT_LT(munichLines.size(), 100U);
  // Entry 1 at 45.3 degrees in the south-east; entry 35 (below the horizon) is left out.
  EXPECT_EQ(munichLines[0], allLines[0] + "\tAltitude\tAzimuth");
  EXPECT_EQ(munichLines[1], allLines[1] + "\t45.3\t109.5");
  munichLines.erase(munichLines.begin());
  for (const std::string& line : munichLines) {
    EXPECT_FALSE(line.starts_with("35\t"));
    EXPECT_GE(std::stod(Split(line, '\t').at(28)), 0);
  }
  // About half the eclipses are seen from a place; the two sites see different ones.
  EXPECT_NE(munich.out, sydney.out);
  EXPECT_EQ(RunTool({"eclipses", "--visible-from"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"eclipses", "--bogus"}).status, ExitUsage);
}

using CliPlanFiles = TempFolderTest;

TEST_F(CliPlanFiles, CheckWarnsOfRowsThatCannotFinishAndStillPassesTheFile) {
  // Entry 35 in UTC seen from Munich: two long exposures five seconds before the next row, a
  // loop whose time comes too soon, text without commas, and a row after moonset.
  const auto line = [](const std::string& label, const std::string& time, const std::vector<int>& marks) {
    std::vector<std::string> cells(23);
    cells[1] = label;
    cells[2] = "2025-03-14 " + time;
    cells[3] = "JPGLarFin";
    cells[4] = "400";
    for (const int mark : marks) {
      cells[static_cast<size_t>(mark)] = "x";
    }
    std::string text;
    for (const std::string& cell : cells) {
      text += cell + ",";
    }
    return text + "\r\n";
  };
  Write("plan.txt", "35\r\n" + line("a", "05:09:00.0", {21, 22}) + line("b", "05:09:05.0", {22}) +
                        line("Loop", "05:09:20.0", {22}) + "a note\r\n" + line("c", "06:58:47.0", {22}));
  const Output check = RunTool({"check", Path("plan.txt"), "--zone", "15", "--site", Munich});
  EXPECT_EQ(check.status, ExitOk);
  EXPECT_EQ(check.out, "eclipse\t35\nrows\t5\n");
  const std::string prefix = "warning: " + Path("plan.txt") + ": line ";
  std::vector<std::string> warnings = Split(check.err, '\n');
  ASSERT_EQ(warnings.size(), 5U) << check.err;
  EXPECT_EQ(warnings[0], "tevra-cli check: zone row 15 (UTC) for --zone 15");  // said, as it is no offset
  warnings.erase(warnings.begin());
  EXPECT_EQ(warnings[0], prefix + "2: row 1: cannot finish in time: needs 15.0 s, has 5.0 s until row 2");
  EXPECT_EQ(warnings[1],
            prefix + "4: row 3: the loop takes no picture: one needs 35.0 s, has 15.0 s after row 2");
  EXPECT_EQ(warnings[2], prefix + "5: text without a comma \"a note\" is loaded as an empty row");
  EXPECT_EQ(
      warnings[3].rfind(prefix + "6: row 5: the Moon is below the horizon at the site (altitude -14.", 0), 0U)
      << warnings[3];

  // Without a camera every step is the simulation's and nothing exposes: the two long exposures
  // fit; without a site the Moon is not looked at.
  const Output simulated = RunTool({"check", Path("plan.txt"), "--zone", "15", "--simulated"});
  EXPECT_EQ(Split(simulated.err, '\n').size(), 3U) << simulated.err;
  EXPECT_EQ(RunTool({"check", Path("plan.txt"), "--zone", "40"}).status, ExitUsage);
  EXPECT_EQ(RunTool({"check", Path("plan.txt"), "--site", "1"}).status, ExitUsage);
}

TEST(CliSite, TableAnnouncesEachContactAMinuteAhead) {
  const Output plain = RunTool({"table", "34", "--zone", "14"});
  const Output announced = RunTool({"table", "34", "--zone", "14", "--announce"});
  ASSERT_EQ(announced.status, ExitOk) << announced.err;
  std::vector<std::string> lines = Split(announced.out, '\n');
  std::vector<std::string> announcements;
  std::vector<std::string> others;
  for (const std::string& line : lines) {
    (line.starts_with("WAV,") ? announcements : others).push_back(line);
  }
  // A partial eclipse: P1, U1, Mx, U4, P4. Contacts in UTC-01: P1 at 23:39:18.1 the day before.
  ASSERT_EQ(announcements.size(), 5U);
  EXPECT_EQ(announcements[0], "WAV,P1 IN ONE MINUTE,2024-09-17 23:38:18.1" + std::string(21, ',') + "\r");
  EXPECT_EQ(announcements[2].substr(0, 20), "WAV,Mx IN ONE MINUTE");
  // Everything else as without the option, and every announcement between the rows of its time.
  EXPECT_EQ(others, Split(plain.out, '\n'));
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    EXPECT_LE(Split(lines[i], ',')[2], Split(lines[i + 1], ',')[2]) << i;
  }
}

}  // namespace
}  // namespace tevra::cli
