// SPDX-License-Identifier: GPL-3.0-or-later
// Julian Day, calendar and Delta T: the time base every instant of the program is built on.
#pragma once

#include <cstdint>

namespace tevra {

// A calendar date with the time of day. JDCal gives Hour and Minute as whole numbers and
// Second to whole milliseconds.
struct CalendarTime {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
  double Hour = 0;
  double Minute = 0;
  double Second = 0;
};

// Calendar date and time to JD. Julian calendar up to 1582-10-04, Gregorian from 1582-10-15.
// Out-of-range months, days and times are carried by the arithmetic.
double CalJD(int32_t Year, int32_t Month, int32_t Day, double Hour, double Minute, double Second);

// JD to calendar date and time, rounded to whole milliseconds (a time within half a
// millisecond before midnight becomes 00:00:00.000 of the next date). Instants beyond 5e11 days
// either way are taken as that limit, NaN as 0.
CalendarTime JDCal(double jd);

// Delta T = TD - UT in seconds for the middle of the given month, rounded to 0.1 s.
double DeltaT(int32_t Year, int32_t Month);

}  // namespace tevra
