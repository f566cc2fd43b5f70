// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/countdown.h"

#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/time_zones.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

enum Contact : size_t { P1, U1, U2, Mx, U3, U4, P4 };

class Countdown : public ::testing::Test {
 protected:
  void SetUp() override {
    RehearsalOffset = 0;
    TenthsFlag = 1;
    ApplyTimeZone(15);  // UTC
    SelectEclipse(1);
  }
  void TearDown() override { RehearsalOffset = 0; }
};

void ExpectAhead(const ContactRow& row) {
  EXPECT_EQ(row.state, ContactState::Ahead) << row.name;
  EXPECT_EQ(row.countdownColour, AheadCountdownColour) << row.name;
  EXPECT_EQ(row.timeColour, AheadTimeColour) << row.name;
  EXPECT_EQ(row.zoneColour, AheadTimeColour) << row.name;
}

void ExpectPassed(const ContactRow& row) {
  EXPECT_EQ(row.state, ContactState::Passed) << row.name;
  EXPECT_EQ(row.countdownColour, PassedColour) << row.name;
  EXPECT_EQ(row.timeColour, PassedColour) << row.name;
  EXPECT_EQ(row.zoneColour, PassedColour) << row.name;
}

TEST_F(Countdown, BeforeFirstContactEverythingIsAhead) {
  const ContactRows rows = ContactLabels(CalJD(2001, 1, 9, 17, 28, 33.1), false);
  const char* times[] = {"P1: 2001-01-09 17:43:32.9", "U1: 2001-01-09 18:42:05.3",
                         "U2: 2001-01-09 19:49:34.6", "Mx: 2001-01-09 20:20:35.8",
                         "U3: 2001-01-09 20:51:36.9", "U4: 2001-01-09 21:59:06.3",
                         "P4: 2001-01-09 22:57:36.6"};
  for (size_t i = 0; i < ContactCount; ++i) {
    EXPECT_EQ(rows[i].timeText, times[i]);
    EXPECT_EQ(rows[i].zoneText, " [UTC]");
    ExpectAhead(rows[i]);
  }
  EXPECT_EQ(rows[P1].countdownText, "+0 00:14:59.8");
  EXPECT_EQ(rows[P4].countdownText, "+0 05:29:03.5");
}

TEST_F(Countdown, BetweenContactsAndAfterTheLast) {
  const ContactRows during = ContactLabels(CalJD(2001, 1, 9, 20, 0, 0), false);
  for (const Contact passed : {P1, U1, U2}) {
    ExpectPassed(during[passed]);
  }
  for (const Contact ahead : {Mx, U3, U4, P4}) {
    ExpectAhead(during[ahead]);
  }
  EXPECT_EQ(during[U1].countdownText, "-0 01:17:54.7");
  EXPECT_EQ(during[Mx].countdownText, "+0 00:20:35.8");

  const ContactRows after = ContactLabels(CalJD(2001, 1, 11, 0, 0, 0), false);
  for (const ContactRow& row : after) {
    ExpectPassed(row);
  }
  EXPECT_EQ(after[P4].countdownText, "-1 01:02:23.4");
}

TEST_F(Countdown, AContactExactlyAtTheClockIsStillAhead) {
  ComputeContacts(false);
  const ContactRows rows = ContactLabels(JD_U2, false);
  EXPECT_EQ(rows[U2].countdownText, "+0 00:00:00.0");
  ExpectAhead(rows[U2]);
  ExpectPassed(rows[U1]);
}

TEST_F(Countdown, FifteenSecondRoundingMovesTextAndCountdown) {
  const ContactRows rows = ContactLabels(CalJD(2001, 1, 9, 17, 43, 0), true);
  EXPECT_EQ(rows[P1].timeText, "P1: 2001-01-09 17:43:30.0");
  EXPECT_EQ(rows[P1].countdownText, "+0 00:00:30.0");
  EXPECT_EQ(rows[Mx].timeText, "Mx: 2001-01-09 20:20:30.0");
  // The greatest-eclipse label is never rounded.
  EXPECT_EQ(GreatestEclipseLabels().time, "Greatest eclipse at 20:20:35.8 UTC");
}

TEST_F(Countdown, ZoneShiftsContactsButNotGreatestEclipse) {
  const double now = CalJD(2001, 1, 9, 12, 0, 0);
  ApplyTimeZone(3);  // -9.5 h
  ContactRows rows = ContactLabels(now, false);
  EXPECT_EQ(rows[P1].timeText, "P1: 2001-01-09 08:13:32.9");
  EXPECT_EQ(rows[P1].zoneText, " [UTC-09:30]");
  ExpectPassed(rows[P1]);

  ApplyTimeZone(39);  // +14 h crosses the date
  rows = ContactLabels(now, false);
  EXPECT_EQ(rows[P1].timeText, "P1: 2001-01-10 07:43:32.9");
  EXPECT_EQ(rows[P4].timeText, "P4: 2001-01-10 12:57:36.6");
  EXPECT_EQ(rows[P4].zoneText, " [UTC+14]");
  EXPECT_EQ(rows[P1].countdownText, "+0 19:43:32.9");

  const GreatestEclipseTexts greatest = GreatestEclipseLabels();
  EXPECT_EQ(greatest.date, "2001-01-09");
  EXPECT_EQ(greatest.type, "Total Lunar Eclipse");
  EXPECT_EQ(greatest.time, "Greatest eclipse at 20:20:35.8 UTC");
  EXPECT_EQ(greatest.deltaT, "DeltaT=64.2 sec");
}

TEST_F(Countdown, WholeSecondsWithoutTenths) {
  TenthsFlag = 0;
  const ContactRows rows = ContactLabels(CalJD(2001, 1, 9, 17, 28, 33.1), false);
  EXPECT_EQ(rows[P1].timeText, "P1: 2001-01-09 17:43:33");
  EXPECT_EQ(rows[P1].countdownText, "+0 00:15:00");
  EXPECT_EQ(ClockLabels(CalJD(2001, 1, 9, 17, 28, 33.1)).clockText, "2001-01-09 17:28:33");
  EXPECT_EQ(TimerIntervalMs(0), 500);
  EXPECT_EQ(TimerIntervalMs(1), 250);
}

TEST_F(Countdown, PartialEclipseHidesTotalityRows) {
  SelectEclipse(2);
  const ContactRows rows = ContactLabels(CalJD(2001, 7, 5, 12, 0, 0), false);
  EXPECT_EQ(JD_U2, 0);
  EXPECT_EQ(JD_U3, 0);
  for (const Contact hidden : {U2, U3}) {
    EXPECT_EQ(rows[hidden].state, ContactState::Hidden);
    EXPECT_EQ(rows[hidden].timeColour, HiddenColour);
    EXPECT_EQ(rows[hidden].countdownColour, HiddenColour);
    EXPECT_EQ(rows[hidden].zoneColour, HiddenColour);
    EXPECT_EQ(rows[hidden].countdownText.rfind("-2452096 ", 0), 0U) << rows[hidden].countdownText;
  }
  EXPECT_EQ(rows[U2].timeText, "U2: 2001-07-05 14:58:55.8");  // reference hour 15:00 TD in UT
  ExpectAhead(rows[U1]);
}

TEST_F(Countdown, ClockLineInRealAndRehearsalTime) {
  const LocalClock clock = [] { return CalJD(2024, 12, 31, 23, 59, 59.96); };
  CountdownDisplay shown = CountdownTick(clock, false);
  EXPECT_EQ(shown.clock.clockText, "2025-01-01 00:00:00.0");  // never 60 seconds
  EXPECT_EQ(shown.clock.headerText, "System Time");
  EXPECT_EQ(shown.clock.headerBackground, SystemTimeHeaderColour);
  EXPECT_EQ(shown.clock.clockBackground, SystemTimeClockColour);
  EXPECT_EQ(shown.clock.zoneText, " [UTC]");

  // Rehearsal: the clock, the countdowns and the colours all follow the shifted clock.
  const LocalClock beforeP1 = [] { return CalJD(2001, 1, 9, 17, 0, 0); };
  RehearsalOffset = 1.0 / 24;
  shown = CountdownTick(beforeP1, false);
  EXPECT_DOUBLE_EQ(NowJD, CalJD(2001, 1, 9, 18, 0, 0));
  EXPECT_EQ(shown.clock.clockText, "2001-01-09 18:00:00.0");
  EXPECT_EQ(shown.clock.headerText, "Rehearsal Time");
  EXPECT_EQ(shown.clock.headerBackground, RehearsalColour);
  EXPECT_EQ(shown.clock.clockBackground, RehearsalColour);
  ExpectPassed(shown.contacts[P1]);
  EXPECT_EQ(shown.contacts[U1].countdownText, "+0 00:42:05.3");
}

TEST(SystemClock, ReadsLocalTimeNearNow) {
  const double first = SystemLocalJD();
  const double second = SystemLocalJD();
  EXPECT_GE(second, first);
  EXPECT_GT(first, CalJD(2020, 1, 1, 0, 0, 0));
  EXPECT_LT(second - first, 1.0 / 86400);
}

}  // namespace
}  // namespace tevra
