// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"
#include "tools/tevra-cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <sstream>

namespace tevra::cli {
namespace {

std::vector<std::vector<std::string>> EclipseRows(int* status = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  const int result = RunCli({"eclipses"}, out, err);
  if (status != nullptr) {
    *status = result;
  }
  std::vector<std::vector<std::string>> rows;
  std::istringstream text(out.str());
  std::string header;
  std::getline(text, header);
  EXPECT_TRUE(header.starts_with("Number\tYear\tMonth\tDay\tHour\tJDGreatest\t")) << header;
  EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 27);  // 28 names for the 28 fields
  for (std::string line; std::getline(text, line);) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) {
      fields.push_back(cell);
    }
    rows.push_back(fields);
  }
  return rows;
}

TEST(EclipsesCommand, PrintsEveryFieldOfEveryEntryInRecordOrder) {
  int status = -1;
  const auto rows = EclipseRows(&status);
  EXPECT_EQ(status, ExitOk);
  ASSERT_EQ(rows.size(), 143U);
  const std::vector<std::string> first = {"1",          "2001",       "1",
                                          "9",          "20",         "2451919.348",
                                          "64.2",       "Gem",        "Total Lunar Eclipse",
                                          "12",         "4",          "134",
                                          "26",         "73",         "0.361111111",
                                          "0.37194",    "2.18672273", "1.1943911",
                                          "1003.06096", "1369.13",    "-2.2563507",
                                          "-1.27317",   "1.99502",    "2.97801",
                                          "-1.2806969", "-0.155893",  "0.878082",
                                          "2.00293"};
  EXPECT_EQ(rows[0], first);
  // A partial eclipse prints its absent contacts as 0; entry 129's reference hour is 24.
  EXPECT_EQ(rows[1][8], "Partial Lunar Eclipse");
  EXPECT_EQ(rows[1][25], "0");
  EXPECT_EQ(rows[128][4], "24");
  EXPECT_EQ(rows[142][6], GeneralStr(DeltaT(2099, 4)));
}

TEST(EclipsesCommand, NumbersReadBackToTheSameDoubles) {
  const auto rows = EclipseRows();
  ASSERT_EQ(rows.size(), 143U);
  for (size_t i = 0; i < rows.size(); ++i) {
    const Elemente_Type& e = EclipseCatalogue()[i + 1];
    ASSERT_EQ(rows[i].size(), 28U) << "entry " << i + 1;
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    const std::vector<std::pair<int, double>> numbers = {
        {5, e.JDGreatest},    {6, e.DeltaTSec},     {14, e.GreatestOffset},   {15, e.Gamma},
        {16, e.PenMagnitude}, {17, e.UmbMagnitude}, {18, e.MoonSemiDiameter}, {19, e.AxisDistance},
        {20, e.P1Offset},     {21, e.P2Offset},     {22, e.P3Offset},         {23, e.P4Offset},
        {24, e.U1Offset},     {25, e.U2Offset},     {26, e.U3Offset},         {27, e.U4Offset}};
    for (const auto& [column, value] : numbers) {
      EXPECT_EQ(ParseDecimal(rows[i][static_cast<size_t>(column)]), value)
          << "entry " << i + 1 << " column " << column;
    }
  }
}

TEST(EclipsesCommand, IgnoresAGlobalLocaleThatGroupsDigits) {
  std::locale german;
  try {
    german = std::locale("de_DE.UTF-8");
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "the German locale de_DE.UTF-8 is not installed (tools/install-deps.sh makes it)";
  }
  const std::locale previous = std::locale::global(german);
  const auto rows = EclipseRows();
  std::locale::global(previous);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0][1], "2001");
  EXPECT_EQ(rows[0][5], "2451919.348");
}

TEST(EclipsesCommand, RejectsArguments) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli({"eclipses", "3"}, out, err), ExitUsage);
  EXPECT_TRUE(out.str().empty());
  EXPECT_NE(err.str().find("unexpected argument '3'"), std::string::npos);
}

}  // namespace
}  // namespace tevra::cli
