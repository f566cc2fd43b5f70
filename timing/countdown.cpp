// SPDX-License-Identifier: GPL-3.0-or-later
#include "countdown.h"

#include "astrolib.h"
#include "catalogue.h"
#include "time_text.h"
#include "time_zones.h"

#include <chrono>
#include <ctime>

namespace tevra {

double NowJD = 0;
double RehearsalOffset = 0;
int32_t TenthsFlag = 0;

namespace {

std::string CalendarText(double jd, int precision) {
  const CalendarTime t = JDCal(jd);
  return DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, precision);
}

ContactRow MakeRow(const char* name, double instant, const std::string& timeText, double nowJD, bool hidden) {
  ContactRow row;
  row.name = name;
  row.timeText = std::string(name) + ": " + timeText;
  const double difference = instant - nowJD;
  row.countdownText = TimeDiffStr(TenthsFlag, difference);
  row.zoneText = " " + ZoneLabel;
  if (hidden) {
    row.state = ContactState::Hidden;
    row.timeColour = row.countdownColour = row.zoneColour = HiddenColour;
  } else if (difference >= 0) {
    row.state = ContactState::Ahead;
    row.countdownColour = AheadCountdownColour;
    row.timeColour = row.zoneColour = AheadTimeColour;
  } else {
    row.state = ContactState::Passed;
    row.timeColour = row.countdownColour = row.zoneColour = PassedColour;
  }
  return row;
}

}  // namespace

double ComputerUtcOffsetHours() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  return localtime_r(&now, &local) != nullptr ? static_cast<double>(local.tm_gmtoff) / 3600.0 : 0.0;
}

double SystemLocalJD() {
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - std::chrono::seconds(seconds))
          .count();
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  return CalJD(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
               local.tm_sec + static_cast<double>(millis) / 1000.0);
}

double ReadClock(const LocalClock& clock) {
  NowJD = clock() + RehearsalOffset;
  return NowJD;
}

int TimerIntervalMs(int32_t tenthsFlag) { return tenthsFlag == 1 ? 250 : 500; }

const char* ContactStateName(ContactState state) {
  switch (state) {
    case ContactState::Ahead:
      return "ahead";
    case ContactState::Passed:
      return "passed";
    case ContactState::Hidden:
      return "hidden";
  }
  return "";
}

ContactRows ContactLabels(double nowJD, bool roundTo15Seconds) {
  ComputeContacts(roundTo15Seconds);
  const Elemente_Type& e = CurrentEclipse;
  // A partial eclipse has no U2/U3 (instant 0); their rows still get a time text, made from the
  // offset 0 before the instant is zeroed, and are drawn black on black.
  const auto absent = [&](double offset, double instant) {
    const double shown = offset == 0 ? ContactInstant(0, roundTo15Seconds) : instant;
    return CalendarText(shown, TenthsFlag);
  };
  return {{
      MakeRow("P1", JD_P1, CalendarText(JD_P1, TenthsFlag), nowJD, false),
      MakeRow("U1", JD_U1, CalendarText(JD_U1, TenthsFlag), nowJD, false),
      MakeRow("U2", JD_U2, absent(e.U2Offset, JD_U2), nowJD, e.U2Offset == 0),
      MakeRow("Mx", JD_Mx, CalendarText(JD_Mx, TenthsFlag), nowJD, false),
      MakeRow("U3", JD_U3, absent(e.U3Offset, JD_U3), nowJD, e.U3Offset == 0),
      MakeRow("U4", JD_U4, CalendarText(JD_U4, TenthsFlag), nowJD, false),
      MakeRow("P4", JD_P4, CalendarText(JD_P4, TenthsFlag), nowJD, false),
  }};
}

ClockLine ClockLabels(double nowJD) {
  ClockLine line;
  line.clockText = CalendarText(nowJD, TenthsFlag);
  line.zoneText = " " + ZoneLabel;
  if (RehearsalOffset == 0) {
    line.headerText = "System Time";
    line.headerBackground = SystemTimeHeaderColour;
    line.clockBackground = SystemTimeClockColour;
  } else {
    line.headerText = "Rehearsal Time";
    line.headerBackground = line.clockBackground = RehearsalColour;
  }
  return line;
}

GreatestEclipseTexts GreatestEclipseLabels() {
  // One text for date and time so that a carry of the rounded seconds reaches the date too.
  const std::string greatest = CalendarText(GreatestEclipseUT(), 1);
  GreatestEclipseTexts texts;
  texts.date = greatest.substr(0, 10);
  texts.type = CurrentEclipse.TypeName;
  texts.time = "Greatest eclipse at " + greatest.substr(11) + " UTC";
  texts.deltaT = "DeltaT=" + FixedStr(CurrentEclipse.DeltaTSec, 1) + " sec";
  return texts;
}

CountdownDisplay CountdownTick(const LocalClock& clock, bool roundTo15Seconds) {
  const double now = ReadClock(clock);
  return {ClockLabels(now), ContactLabels(now, roundTo15Seconds)};
}

}  // namespace tevra
