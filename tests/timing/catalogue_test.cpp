// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/catalogue.h"
#include "timing/astrolib.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>

namespace tevra {
namespace {

// Every entry by number, date of greatest eclipse (TD) and type (P partial, T total, C central).
constexpr const char* PublishedList =
    "1 2001-01-09 T; 2 2001-07-05 P; 3 2003-05-16 T; 4 2003-11-09 T; 5 2004-05-04 T; 6 2004-10-28 T; "
    "7 2005-10-17 P; 8 2006-09-07 P; 9 2007-03-03 T; 10 2007-08-28 C; 11 2008-02-21 T; 12 2008-08-16 P; "
    "13 2009-12-31 P; 14 2010-06-26 P; 15 2010-12-21 T; 16 2011-06-15 C; 17 2011-12-10 T; 18 2012-06-04 P; "
    "19 2013-04-25 P; 20 2014-04-15 T; 21 2014-10-08 T; 22 2015-04-04 T; 23 2015-09-28 T; 24 2017-08-07 P; "
    "25 2018-01-31 T; 26 2018-07-27 C; 27 2019-01-21 T; 28 2019-07-16 P; 29 2021-05-26 T; 30 2021-11-19 P; "
    "31 2022-05-16 C; 32 2022-11-08 C; 33 2023-10-28 P; 34 2024-09-18 P; 35 2025-03-14 T; 36 2025-09-07 T; "
    "37 2026-03-03 T; 38 2026-08-28 P; 39 2028-01-12 P; 40 2028-07-06 P; 41 2028-12-31 T; 42 2029-06-26 C; "
    "43 2029-12-20 T; 44 2030-06-15 P; 45 2032-04-25 T; 46 2032-10-18 T; 47 2033-04-14 T; 48 2033-10-08 T; "
    "49 2034-09-28 P; 50 2035-08-19 P; 51 2036-02-11 T; 52 2036-08-07 C; 53 2037-01-31 T; 54 2037-07-27 P; "
    "55 2039-06-06 P; 56 2039-11-30 P; 57 2040-05-26 C; 58 2040-11-18 C; 59 2041-05-16 P; 60 2041-11-08 P; "
    "61 2042-09-29 P; 62 2043-03-25 T; 63 2043-09-19 T; 64 2044-03-13 T; 65 2044-09-07 T; 66 2046-01-22 P; "
    "67 2046-07-18 P; 68 2047-01-12 T; 69 2047-07-07 C; 70 2048-01-01 T; 71 2048-06-26 P; 72 2050-05-06 T; "
    "73 2050-10-30 T; 74 2051-04-26 T; 75 2051-10-19 C; 76 2052-10-08 P; 77 2054-02-22 T; 78 2054-08-18 T; "
    "79 2055-02-11 T; 80 2055-08-07 P; 81 2057-06-17 P; 82 2057-12-11 P; 83 2058-06-06 C; 84 2058-11-30 C; "
    "85 2059-05-27 P; 86 2059-11-19 P; 87 2061-04-04 T; 88 2061-09-29 T; 89 2062-03-25 T; 90 2062-09-18 T; "
    "91 2063-03-14 P; 92 2064-02-02 P; 93 2064-07-28 P; 94 2065-01-22 T; 95 2065-07-17 C; 96 2066-01-11 T; "
    "97 2066-07-07 P; 98 2068-05-17 P; 99 2068-11-09 T; 100 2069-05-06 C; 101 2069-10-30 C; 102 2070-10-19 "
    "P; "
    "103 2072-03-04 T; 104 2072-08-28 T; 105 2073-02-22 T; 106 2073-08-17 T; 107 2075-06-28 P; 108 "
    "2075-12-22 P; "
    "109 2076-06-17 C; 110 2076-12-10 C; 111 2077-06-06 P; 112 2077-11-29 P; 113 2079-04-16 P; 114 "
    "2079-10-10 T; "
    "115 2080-04-04 T; 116 2080-09-29 T; 117 2081-03-25 P; 118 2082-02-13 P; 119 2083-02-02 T; 120 "
    "2083-07-29 C; "
    "121 2084-01-22 T; 122 2084-07-17 P; 123 2086-05-28 P; 124 2086-11-20 P; 125 2087-05-17 C; 126 "
    "2087-11-10 C; "
    "127 2088-05-05 P; 128 2088-10-30 P; 129 2090-03-15 T; 130 2090-09-08 T; 131 2091-03-05 T; 132 "
    "2091-08-29 T; "
    "133 2093-07-08 P; 134 2094-01-01 P; 135 2094-06-28 C; 136 2094-12-21 C; 137 2095-06-17 P; 138 "
    "2095-12-11 P; "
    "139 2097-04-26 P; 140 2097-10-21 T; 141 2098-04-15 C; 142 2098-10-10 T; 143 2099-04-05 P";

constexpr double Second = 1.0 / 3600;  // in hours

const Elemente_Type& Entry(int number) { return EclipseCatalogue()[static_cast<size_t>(number)]; }

std::string Date(const Elemente_Type& e) {
  return DateTimeStr(e.Year, e.Month, e.Day, 0, 0, 0, 0).substr(0, 10);
}

// The instant as the main window writes it, with tenths.
std::string Text(double jd) {
  const CalendarTime t = JDCal(jd);
  return DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
}

TEST(Catalogue, DatesAndTypesAreThePublishedList) {
  std::istringstream list(PublishedList);
  const std::map<char, int32_t> codes = {{'P', 3}, {'T', 4}, {'C', 5}};
  std::string item;
  int count = 0;
  while (std::getline(list, item, ';')) {
    std::istringstream fields(item);
    int number = 0;
    std::string date;
    char type = 0;
    fields >> number >> date >> type;
    ++count;
    ASSERT_EQ(number, count);
    EXPECT_EQ(Date(Entry(number)), date) << "entry " << number;
    EXPECT_EQ(Entry(number).TypeCode, codes.at(type)) << "entry " << number;
  }
  EXPECT_EQ(count, EclipseCount);
  EXPECT_TRUE(Entry(0).TypeName.empty()) << "index 0 is no entry";
}

TEST(Catalogue, TypeCountsAndNames) {
  std::map<int32_t, int> counts;
  for (int n = 1; n <= EclipseCount; ++n) {
    ++counts[Entry(n).TypeCode];
    EXPECT_EQ(Entry(n).TypeName, TypeNameOf(Entry(n).TypeCode)) << "entry " << n;
    EXPECT_FALSE(Entry(n).TypeName.empty()) << "entry " << n;
  }
  EXPECT_EQ(counts[3], 58);
  EXPECT_EQ(counts[4], 61);
  EXPECT_EQ(counts[5], 24);
}

TEST(Catalogue, EveryEntryKeepsTheInvariants) {
  for (int n = 1; n <= EclipseCount; ++n) {
    SCOPED_TRACE("entry " + std::to_string(n));
    const Elemente_Type& e = Entry(n);
    EXPECT_EQ(e.DeltaTSec, DeltaT(e.Year, e.Month));
    EXPECT_GT(e.UmbMagnitude, 0);
    EXPECT_GT(e.PenMagnitude, e.UmbMagnitude);
    EXPECT_EQ(e.TypeCode >= 4, e.UmbMagnitude >= 1);
    EXPECT_EQ(e.TypeCode == 5, e.AxisDistance < e.MoonSemiDiameter);
    EXPECT_NEAR(e.MoonSemiDiameter, 0.2725 * e.AxisDistance / std::abs(e.Gamma), 0.5);
    EXPECT_GE(e.MoonSemiDiameter, 882);
    EXPECT_LE(e.MoonSemiDiameter, 1005);

    // Reference hour, greatest eclipse and lunation agree with one another.
    EXPECT_GE(e.Hour, 0);
    EXPECT_LE(e.Hour, 24);
    EXPECT_LE(std::abs(e.GreatestOffset), 0.5);
    EXPECT_NEAR(e.GreatestOffset * 3600, std::round(e.GreatestOffset * 3600), 1e-5) << "whole seconds";
    EXPECT_NEAR(CalJD(e.Year, e.Month, e.Day, e.Hour + e.GreatestOffset, 0, 0), e.JDGreatest,
                0.0005 + 1.0 / 86400);
    EXPECT_EQ(e.Lunation, std::lround((e.JDGreatest - 2451550.09766) / 29.530588861 - 0.5));

    // P1 < U1 < (U2 < Mx < U3) < U4 < P4, and P1 < P2 < Mx < P3 < P4 when the Moon gets wholly in.
    const double mx = e.GreatestOffset;
    EXPECT_LT(e.P1Offset, e.U1Offset);
    EXPECT_LT(e.U4Offset, e.P4Offset);
    if (e.TypeCode >= 4) {
      EXPECT_LT(e.U1Offset, e.U2Offset);
      EXPECT_LT(e.U2Offset, mx);
      EXPECT_LT(mx, e.U3Offset);
      EXPECT_LT(e.U3Offset, e.U4Offset);
    } else {
      EXPECT_EQ(e.U2Offset, 0);
      EXPECT_EQ(e.U3Offset, 0);
      EXPECT_LT(e.U1Offset, mx);
      EXPECT_LT(mx, e.U4Offset);
    }
    EXPECT_EQ(e.P2Offset == 0, e.PenMagnitude < 1);
    EXPECT_EQ(e.P2Offset == 0, e.P3Offset == 0);
    if (e.P2Offset != 0) {
      EXPECT_LT(e.P1Offset, e.P2Offset);
      EXPECT_LT(e.P2Offset, mx);
      EXPECT_LT(mx, e.P3Offset);
      EXPECT_LT(e.P3Offset, e.P4Offset);
    }

    // Each pair of contacts lies symmetrically about greatest eclipse.
    auto symmetric = [mx](double before, double after) {
      return std::abs((mx - before) - (after - mx)) <= 15 * Second;
    };
    EXPECT_TRUE(symmetric(e.P1Offset, e.P4Offset));
    EXPECT_TRUE(symmetric(e.U1Offset, e.U4Offset));
    if (e.TypeCode >= 4) {
      EXPECT_TRUE(symmetric(e.U2Offset, e.U3Offset));
    }
    if (e.P2Offset != 0) {
      EXPECT_TRUE(symmetric(e.P2Offset, e.P3Offset));
    }
  }
}

TEST(Catalogue, MembersOfOneSarosLieOneSarosApart) {
  std::map<int32_t, int> previousOfSeries;
  int pairs = 0;
  for (int n = 1; n <= EclipseCount; ++n) {
    const Elemente_Type& e = Entry(n);
    EXPECT_GE(e.Saros, 112);
    EXPECT_LE(e.Saros, 147);
    EXPECT_GE(e.SarosMember, 1);
    EXPECT_LE(e.SarosMember, e.SarosCount);
    const auto previous = previousOfSeries.find(e.Saros);
    if (previous != previousOfSeries.end()) {
      SCOPED_TRACE("entries " + std::to_string(previous->second) + " and " + std::to_string(n));
      const Elemente_Type& p = Entry(previous->second);
      EXPECT_NEAR(e.JDGreatest - p.JDGreatest, 6585.32, 0.1);
      EXPECT_EQ(e.Lunation - p.Lunation, 223);
      EXPECT_EQ(e.SarosMember, p.SarosMember + 1);
      EXPECT_EQ(e.SarosCount, p.SarosCount);
      ++pairs;
    }
    previousOfSeries[e.Saros] = n;
  }
  EXPECT_GT(pairs, 100);
}

// Contacts as the main window derives them; restores the zone it changes.
class Contacts : public ::testing::Test {
 protected:
  void TearDown() override {
    ZoneOffset = 0;
    ZoneLabel.clear();
  }
};

TEST_F(Contacts, Entry1InUtcWithAndWithout15SecondRounding) {
  ApplyTimeZone(15);
  SelectEclipse(1);
  EXPECT_EQ(CurrentDeltaT, 64.2);
  ComputeContacts(false);
  EXPECT_EQ(Text(JD_P1), "2001-01-09 17:43:32.9");
  EXPECT_EQ(Text(JD_U1), "2001-01-09 18:42:05.3");
  EXPECT_EQ(Text(JD_U2), "2001-01-09 19:49:34.6");
  EXPECT_EQ(Text(JD_Mx), "2001-01-09 20:20:35.8");
  EXPECT_EQ(Text(JD_U3), "2001-01-09 20:51:36.9");
  EXPECT_EQ(Text(JD_U4), "2001-01-09 21:59:06.3");
  EXPECT_EQ(Text(JD_P4), "2001-01-09 22:57:36.6");
  EXPECT_EQ(Text(GreatestEclipseUT()), "2001-01-09 20:20:35.8");

  ComputeContacts(true);
  EXPECT_EQ(Text(JD_P1), "2001-01-09 17:43:30.0");
  EXPECT_EQ(Text(JD_Mx), "2001-01-09 20:20:30.0");
  EXPECT_EQ(Text(JD_U2), "2001-01-09 19:49:30.0");
  EXPECT_EQ(Text(GreatestEclipseUT()), "2001-01-09 20:20:35.8") << "never rounded";
}

TEST_F(Contacts, AZoneMovesEveryContactButNotGreatestEclipseInUt) {
  SelectEclipse(1);
  ApplyTimeZone(15);
  ComputeContacts(false);
  const std::array<double, 7> utc = {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4};
  ApplyTimeZone(16);  // UTC+01
  ComputeContacts(false);
  const std::array<double, 7> zoned = {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4};
  for (size_t i = 0; i < utc.size(); ++i) {
    EXPECT_NEAR((zoned[i] - utc[i]) * 86400, 3600, 1e-3) << "contact " << i;
  }
  EXPECT_EQ(Text(JD_P1), "2001-01-09 18:43:32.9");
  EXPECT_EQ(Text(GreatestEclipseUT()), "2001-01-09 20:20:35.8");
}

TEST_F(Contacts, APartialEclipseHasNoSecondAndThirdUmbralContact) {
  ApplyTimeZone(16);
  SelectEclipse(2);
  ComputeContacts(true);
  EXPECT_EQ(JD_U2, 0);
  EXPECT_EQ(JD_U3, 0);
  EXPECT_GT(JD_U1, 0);
  EXPECT_LT(JD_U1, JD_Mx);
  EXPECT_LT(JD_Mx, JD_U4);
}

TEST_F(Contacts, OffsetsOfEitherSignCount) {
  // Entry 61: the Moon never lies wholly in the penumbra and the umbra is left before the
  // reference hour.
  const Elemente_Type& e = Entry(61);
  EXPECT_EQ(e.P2Offset, 0);
  EXPECT_EQ(e.P3Offset, 0);
  EXPECT_EQ(e.U4Offset, -0.140696);
  ApplyTimeZone(15);
  SelectEclipse(61);
  ComputeContacts(false);
  EXPECT_NEAR(JD_U4, CalJD(2042, 9, 29, 11, 0, 0) + (-0.140696 * 3600 - CurrentDeltaT) / 86400, 1e-8);
  EXPECT_LT(JD_U4, CalJD(2042, 9, 29, 11, 0, 0));
  EXPECT_LT(JD_U1, JD_Mx);
  EXPECT_LT(JD_Mx, JD_U4);
}

TEST_F(Contacts, ReferenceHour24CountsFromTheNextMidnight) {
  const Elemente_Type& e = Entry(129);
  EXPECT_EQ(e.Hour, 24);
  EXPECT_EQ(Date(e), "2090-03-15");
  EXPECT_EQ(e.GreatestOffset, -0.191666667);  // 23:48:30 TD as published

  ApplyTimeZone(15);
  SelectEclipse(129);
  ComputeContacts(false);
  EXPECT_EQ(CurrentDeltaT, 162.6);
  EXPECT_EQ(Text(JD_Mx), "2090-03-15 23:45:47.4");
  EXPECT_EQ(Text(GreatestEclipseUT()), "2090-03-15 23:45:47.4");
  const double midnight = CalJD(2090, 3, 16, 0, 0, 0);
  EXPECT_NEAR(JD_P4, midnight + (e.P4Offset * 3600 - 162.6) / 86400, 1e-8);
  EXPECT_GT(JD_P4, midnight);
  EXPECT_NE(JD_U2, 0);
}

TEST(SelectEclipse, ClampsToTheCatalogueAndCopiesTheEntry) {
  SelectEclipse(0);
  EXPECT_EQ(EclipseIndex, 1);
  SelectEclipse(500);
  EXPECT_EQ(EclipseIndex, 143);
  EXPECT_EQ(CurrentEclipse.JDGreatest, 2487798.855);
  EXPECT_EQ(CurrentDeltaT, DeltaT(2099, 4));
  EXPECT_EQ(CurrentDeltaT, CurrentEclipse.DeltaTSec);
  SelectEclipse(DefaultEclipseIndex);
  EXPECT_EQ(CurrentEclipse.Constellation, "Psc");
}

}  // namespace
}  // namespace tevra
