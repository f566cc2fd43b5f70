// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/time_text.h"
#include "timing/astrolib.h"
#include "timing/divprocs.h"

#include <gtest/gtest.h>
#include <clocale>
#include <cstdio>
#include <limits>

namespace tevra {
namespace {

TEST(HoursStr, SignPaddingAndPrecision) {
  EXPECT_EQ(HoursStr(1, 5.052), "  05:03:07.2");
  EXPECT_EQ(HoursStr(1, -5.052), " -05:03:07.2");
  EXPECT_EQ(HoursStr(0, 0), "  00:00:00");
  EXPECT_EQ(HoursStr(0, 123.5), " 123:30:00");
  EXPECT_EQ(HoursStr(2, 1.5), "  01:30:00.00");
  EXPECT_EQ(HoursStr(4, 0.5 / 3600), "  00:00:00.5000");
  // Rounding comes first: 59.96 s with whole seconds is the next minute, never ":60".
  EXPECT_EQ(HoursStr(0, (59 * 60 + 59.6) / 3600), "  01:00:00");
  EXPECT_EQ(HoursStr(1, (9 * 60 + 59.96) / 3600), "  00:10:00.0");
}

TEST(TimeDiffStr, DaysSignAndHours) {
  EXPECT_EQ(TimeDiffStr(1, 1.2105), "+1 05:03:07.2");
  EXPECT_EQ(TimeDiffStr(0, -0.5), "-0 12:00:00");
  EXPECT_EQ(TimeDiffStr(1, 0), "+0 00:00:00.0");
  EXPECT_EQ(TimeDiffStr(1, -(5 * 60 + 12.3) / 86400), "-0 00:05:12.3");
  EXPECT_EQ(TimeDiffStr(0, 123.25), "+123 06:00:00");
}

TEST(DateTimeStr, FieldsPaddingAndCarry) {
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 36.3, 1), "2001-01-09 20:20:36.3");
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 36.3, 0), "2001-01-09 20:20:36");
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 5.04, 1), "2001-01-09 20:20:05.0");
  EXPECT_EQ(DateTimeStr(987, 3, 4, 5, 6, 7, 0), "0987-03-04 05:06:07");
  // Seconds that round up to 60 carry through the calendar.
  EXPECT_EQ(DateTimeStr(2024, 12, 31, 23, 59, 59.96, 1), "2025-01-01 00:00:00.0");
  EXPECT_EQ(DateTimeStr(2024, 2, 28, 23, 59, 59.5, 0), "2024-02-29 00:00:00");
  EXPECT_EQ(DateTimeStr(2024, 2, 28, 23, 59, 59.49, 0), "2024-02-28 23:59:59");
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 59.94, 1), "2001-01-09 20:20:59.9");
  // Half up in double: 0.35 (just below in binary) times 10 rounds to 3.5 first.
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 0.35, 1), "2001-01-09 20:20:00.4");
}

TEST(DateTimeStr, ClockNeverShowsSixtySeconds) {
  // Readings spread over a day, every one with its millisecond part.
  const double start = CalJD(2024, 9, 18, 0, 0, 0);
  for (int i = 0; i < 86400 * 4; i += 7) {
    const CalendarTime t = JDCal(start + (i * 0.25 + 0.013) / 86400);
    for (int p = 0; p <= 1; ++p) {
      const std::string text = DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, p);
      ASSERT_NE(text.substr(17, 2), "60") << text;
      ASSERT_NE(text.substr(14, 2), "60") << text;
    }
  }
}

TEST(DateStrJD, ReadsFixedPositions) {
  EXPECT_DOUBLE_EQ(DateStrJD("2001-01-09 20:20:36.3"), CalJD(2001, 1, 9, 20, 20, 36.3));
  EXPECT_DOUBLE_EQ(DateStrJD("2001-01-09 20:20:36"), CalJD(2001, 1, 9, 20, 20, 36));
  // Separators are not checked, ranges are carried.
  EXPECT_DOUBLE_EQ(DateStrJD("2001/13/09T20x61x00.0"), CalJD(2002, 1, 9, 21, 1, 0));
  // Up to nine characters of seconds.
  EXPECT_DOUBLE_EQ(DateStrJD("2001-01-09 20:20:36.123456789"), CalJD(2001, 1, 9, 20, 20, 36.1234567));
}

TEST(DateStrJD, RoundTripsDateTimeStr) {
  const double jd = CalJD(2042, 9, 29, 11, 26, 17.4);
  const CalendarTime t = JDCal(jd);
  const std::string text = DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
  EXPECT_NEAR(DateStrJD(text), jd, 0.05 / 86400);
}

TEST(TryDateStrJD, NamesTheFirstFieldThatFails) {
  EXPECT_EQ(TryDateStrJD("2O01-01-09 20:20:36.3").error, "Couldn't decode Year in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-1x-09 20:20:36.3").error, "Couldn't decode Month in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-0  20:20:36.3").error, "");  // a blank-padded day reads as 0
  EXPECT_EQ(TryDateStrJD("2001-01-xx 20:20:36.3").error, "Couldn't decode Day in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-09 2.:20:36.3").error, "");
  EXPECT_EQ(TryDateStrJD("2001-01-09 ab:20:36.3").error, "Couldn't decode Hours in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-09 20:2-:36.3").error, "Couldn't decode Minutes in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-09 20:20:3x.5").error, "Couldn't decode Seconds in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-09 20:20").error, "Couldn't decode Seconds in DateStrJD");
  EXPECT_EQ(TryDateStrJD("").error, "Couldn't decode Year in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2001-01-09 20:20:36,3").error, "Couldn't decode Seconds in DateStrJD");
}

TEST(TryDateStrJD, FieldsNoTableTimeCanHaveAreUndecodable) {
  // Seconds that no table holds would reach the arithmetic as absurd numbers.
  EXPECT_EQ(TryDateStrJD("2024-09-18 02:44:1e300").error, "Couldn't decode Seconds in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2010-12-21 06:10:-9.9e21").error, "Couldn't decode Seconds in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2010-12-21 06:10:100").error, "Couldn't decode Seconds in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2010-12-21 -1:10:00.0").error, "Couldn't decode Hours in DateStrJD");
  EXPECT_EQ(TryDateStrJD("2010-12--1 06:10:00.0").error, "Couldn't decode Day in DateStrJD");
  // Two-digit values beyond the calendar are still carried.
  EXPECT_EQ(TryDateStrJD("2010-12-21 06:10:99.9").jd, CalJD(2010, 12, 21, 6, 11, 39.9));
}

TEST(TimeDiffStr, AnyDifferenceIsWrittenWithoutOverflow) {
  EXPECT_EQ(TimeDiffStr(1, -2460000.5), "-2460000 12:00:00.0");
  // Beyond what 64-bit integers hold the day count is still written digit for digit.
  const std::string huge = TimeDiffStr(0, 1e300);
  EXPECT_EQ(huge.size(), 1U + 301U + 9U) << huge;
  EXPECT_EQ(huge.substr(0, 2), "+1");
  EXPECT_EQ(huge.substr(huge.size() - 9), " 00:00:00");
  EXPECT_EQ(TimeDiffStr(1, -std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(TimeDiffStr(1, std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(HoursStr(0, 1e20), "0000:00:00");  // the hour count is cut to its last four digits
  EXPECT_EQ(DateTimeStr(2024, 1, 1, 0, 0, 1e300, 1).size(), 21U);
}

TEST(JDCal, InstantsFarOutsideTheCalendarEndAtItsLimits) {
  // Seconds of -9.9e21 put the instant 1.1e17 days back; the conversion must still end.
  const CalendarTime far = JDCal(CalJD(2010, 12, 21, 6, 10, -9.9e21));
  EXPECT_EQ(far.Year, JDCal(-5e11).Year);
  EXPECT_LT(far.Year, -1000000000);
  EXPECT_EQ(JDCal(-std::numeric_limits<double>::infinity()).Year, far.Year);
  EXPECT_GT(JDCal(1e300).Year, 1000000000);
  EXPECT_EQ(JDCal(std::numeric_limits<double>::quiet_NaN()).Year, -4712);
}

using DateStrJDDeathTest = ::testing::Test;

TEST_F(DateStrJDDeathTest, MalformedTextEndsTheProgramWithTheFieldAndTheText) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DateStrJD("2001-01-09 20:20:3x.5"), ::testing::ExitedWithCode(DataErrorExitCode),
              "Data interpretation error:\nProgram will abort now.\nArgument:2001-01-09 20:20:3x.5\n"
              "Couldn't decode Seconds in DateStrJD");
}

// The process may run with a locale whose decimal separator is a comma; nothing may follow it.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::setlocale(LC_ALL, nullptr);
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ASSERT_NE(set, nullptr)
        << "the German locale de_DE.UTF-8 is not installed (tools/install-deps.sh makes it)";
    char buffer[16];
    (void)std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    ASSERT_STREQ(buffer, "1,5");
  }
  void TearDown() override { (void)std::setlocale(LC_ALL, previous_.c_str()); }

 private:
  std::string previous_;
};

TEST_F(CommaLocale, TextRoutinesWriteAndReadAPoint) {
  EXPECT_EQ(HoursStr(1, 5.052), "  05:03:07.2");
  EXPECT_EQ(TimeDiffStr(1, 1.2105), "+1 05:03:07.2");
  EXPECT_EQ(DateTimeStr(2001, 1, 9, 20, 20, 36.3, 1), "2001-01-09 20:20:36.3");
  EXPECT_DOUBLE_EQ(DateStrJD("2001-01-09 20:20:36.3"), CalJD(2001, 1, 9, 20, 20, 36.3));
  EXPECT_EQ(FixedStr(64.2, 1), "64.2");
  EXPECT_EQ(GeneralStr(-9.5), "-9.5");
  EXPECT_EQ(ParseDecimal("5.75"), 5.75);
  EXPECT_EQ(ParseDecimal("5,75"), std::nullopt);
}

TEST(NumberText, GeneralAndFixed) {
  EXPECT_EQ(GeneralStr(0), "0");
  EXPECT_EQ(GeneralStr(-0.0), "0");
  EXPECT_EQ(GeneralStr(5.75), "5.75");
  EXPECT_EQ(GeneralStr(-12), "-12");
  EXPECT_EQ(GeneralStr(0.361111111), "0.361111111");
  EXPECT_EQ(FixedStr(-2.8, 1), "-2.8");
  EXPECT_EQ(ParseInteger(" 42"), 42);
  EXPECT_EQ(ParseInteger("+-4"), std::nullopt);
  EXPECT_EQ(ParseDecimal("-"), std::nullopt);
  EXPECT_EQ(ParseDecimal("1e3"), 1000);
  EXPECT_EQ(ParseDecimal("inf"), std::nullopt);
}

}  // namespace
}  // namespace tevra
