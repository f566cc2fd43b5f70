// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/astrolib.h"

#include <gtest/gtest.h>
#include <cmath>

namespace tevra {
namespace {

void ExpectCalendar(const CalendarTime& t, int y, int mo, int d, double h, double mi, double s) {
  EXPECT_EQ(t.Year, y);
  EXPECT_EQ(t.Month, mo);
  EXPECT_EQ(t.Day, d);
  EXPECT_EQ(t.Hour, h);
  EXPECT_EQ(t.Minute, mi);
  EXPECT_NEAR(t.Second, s, 1e-9);
}

TEST(CalJD, KnownInstantsAndTheCalendarReform) {
  EXPECT_DOUBLE_EQ(CalJD(2000, 1, 1, 12, 0, 0), 2451545.0);
  EXPECT_DOUBLE_EQ(CalJD(-4712, 1, 1, 12, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(CalJD(1582, 10, 4, 0, 0, 0), 2299159.5);
  EXPECT_DOUBLE_EQ(CalJD(1582, 10, 15, 0, 0, 0), 2299160.5);
  // Far in the past the millennium shift takes effect (Julian calendar, Meeus' formula).
  EXPECT_DOUBLE_EQ(CalJD(-1000, 3, 1, 0, 0, 0), 1355867.5);
  EXPECT_DOUBLE_EQ(CalJD(-1000, 2, 28, 0, 0, 0) + 2, CalJD(-1000, 3, 1, 0, 0, 0));  // Julian leap year
}

TEST(CalJD, CarriesOutOfRangeFields) {
  // Month 13 is January of the next year, minute 61 is one hour and one minute.
  EXPECT_DOUBLE_EQ(CalJD(2000, 13, 1, 0, 0, 0), CalJD(2001, 1, 1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(CalJD(2000, 1, 1, 0, 61, 0), CalJD(2000, 1, 1, 1, 1, 0));
  // Hour 24 and negative seconds are how zone and Delta T enter the contact times.
  EXPECT_DOUBLE_EQ(CalJD(2090, 3, 15, 24, 0, 0), CalJD(2090, 3, 16, 0, 0, 0));
  EXPECT_NEAR(CalJD(2001, 1, 9, 20, 0, -64.2), CalJD(2001, 1, 9, 19, 58, 55.8), 1e-9);
}

TEST(JDCal, KnownInstants) {
  ExpectCalendar(JDCal(2451545.0), 2000, 1, 1, 12, 0, 0);
  ExpectCalendar(JDCal(0.0), -4712, 1, 1, 12, 0, 0);
  ExpectCalendar(JDCal(2299160.5), 1582, 10, 15, 0, 0, 0);
  ExpectCalendar(JDCal(2299159.5), 1582, 10, 4, 0, 0, 0);
}

TEST(JDCal, MidnightAndMillisecondRounding) {
  ExpectCalendar(JDCal(2451544.5), 2000, 1, 1, 0, 0, 0);
  // 0.4 ms before midnight is the next date.
  ExpectCalendar(JDCal(2451545.5 - 0.0004 / 86400), 2000, 1, 2, 0, 0, 0);
  // Year end carries into the next year.
  ExpectCalendar(JDCal(CalJD(2024, 12, 31, 23, 59, 59.9996)), 2025, 1, 1, 0, 0, 0);
  // 0.6 ms before midnight stays on the day, rounded to the last millisecond.
  ExpectCalendar(JDCal(2451545.5 - 0.0006 / 86400), 2000, 1, 1, 23, 59, 59.999);
  ExpectCalendar(JDCal(CalJD(2001, 1, 9, 20, 20, 36.3)), 2001, 1, 9, 20, 20, 36.3);
}

TEST(JDCal, RoundTripsCalendarDatesOverEightMillennia) {
  // Every 37th day from -4000 to +4000 plus every day around the calendar reform, at a time
  // with milliseconds; dates inside the reform gap (1582-10-05..14) do not exist.
  const double first = CalJD(-4000, 1, 1, 0, 0, 0);
  const double last = CalJD(4000, 12, 31, 0, 0, 0);
  int checked = 0;
  auto check = [&](double dayStart) {
    const CalendarTime date = JDCal(dayStart);
    const double jd = CalJD(date.Year, date.Month, date.Day, 13, 47, 11.125);
    const CalendarTime back = JDCal(jd);
    ASSERT_EQ(back.Year, date.Year) << jd;
    ASSERT_EQ(back.Month, date.Month) << jd;
    ASSERT_EQ(back.Day, date.Day) << jd;
    ASSERT_EQ(back.Hour, 13) << jd;
    ASSERT_EQ(back.Minute, 47) << jd;
    ASSERT_NEAR(back.Second, 11.125, 1e-9) << jd;
    ++checked;
  };
  for (int day = 0; first + day <= last; day += 37) {
    check(first + day);
  }
  for (int day = -400; day <= 400; ++day) {
    check(2299160.5 + day);
  }
  EXPECT_GT(checked, 79000);
  // Consecutive days across the reform: 1582-10-04 is followed by 1582-10-15.
  ExpectCalendar(JDCal(CalJD(1582, 10, 4, 0, 0, 0) + 1), 1582, 10, 15, 0, 0, 0);
}

TEST(DeltaT, BranchesTableAndRounding) {
  EXPECT_DOUBLE_EQ(DeltaT(2001, 1), 64.2);
  EXPECT_DOUBLE_EQ(DeltaT(1977, 6), 47.0);  // the corrected table value 46.9678
  EXPECT_DOUBLE_EQ(DeltaT(2029, 12), 69.2);
  EXPECT_DOUBLE_EQ(DeltaT(2030, 1), 70.2);
  EXPECT_DOUBLE_EQ(DeltaT(2099, 4), 178.6);
  EXPECT_DOUBLE_EQ(DeltaT(1900, 1), -2.8);
  EXPECT_DOUBLE_EQ(DeltaT(1955, 6), 31.2);
  // The table has no dependence on the month.
  EXPECT_DOUBLE_EQ(DeltaT(2024, 1), DeltaT(2024, 12));
  // The branch is chosen by the whole year: December 1960 uses the 1941..1960 polynomial.
  EXPECT_DOUBLE_EQ(DeltaT(1960, 12), 33.5);
  EXPECT_DOUBLE_EQ(DeltaT(1961, 1), 33.6);
  // The 1900..1919 branch uses 0.000198 (1919 December would be 21.2 with 0.000197).
  EXPECT_DOUBLE_EQ(DeltaT(1919, 12), 21.0);
  // Early branches carry the parabola c: without it -500 would be 17203.0, 1000 1574.2.
  EXPECT_DOUBLE_EQ(DeltaT(-500, 1), 17125.0);
  EXPECT_DOUBLE_EQ(DeltaT(1000, 1), 1562.2);
  EXPECT_DOUBLE_EQ(DeltaT(-1000, 1), 25314.0);
}

TEST(DeltaT, IsAlwaysAWholeTenth) {
  for (int year = -1000; year <= 2200; year += 7) {
    for (int month = 1; month <= 12; month += 5) {
      const double value = DeltaT(year, month);
      EXPECT_NEAR(value * 10, std::round(value * 10), 1e-6) << year << "-" << month;
    }
  }
}

}  // namespace
}  // namespace tevra
