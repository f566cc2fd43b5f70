// SPDX-License-Identifier: GPL-3.0-or-later
#include "astrolib.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tevra {
namespace {

using Extended = long double;  // 80-bit on x86, double elsewhere

// One millennium of the Julian calendar; early years are shifted by whole millennia so the
// integer divisions below only ever see positive numbers.
constexpr int32_t MillenniumDays = 365250;

Extended Int(Extended x) { return std::trunc(x); }

struct CivilDate {
  int32_t Year;
  int32_t Month;
  int32_t Day;
};

// Date of the civil day number Z (Z = Trunc(JD + 0.5)), already shifted into positive range.
CivilDate DateOfDayNumber(int64_t Z) {
  int64_t A = Z;
  if (Z >= 2299161) {
    const auto alpha = static_cast<int64_t>(Int((static_cast<Extended>(Z) - 1867216.25L) / 36524.25L));
    A = Z + 1 + alpha - alpha / 4;
  }
  const int64_t B = A + 1524;
  const auto C = static_cast<int64_t>(Int((static_cast<Extended>(B) - 122.1L) / 365.25L));
  const auto D = static_cast<int64_t>(Int(365.25L * static_cast<Extended>(C)));
  const auto E = static_cast<int64_t>(Int(static_cast<Extended>(B - D) / 30.60001L));
  CivilDate date{};
  date.Day = static_cast<int32_t>(B - D - static_cast<int64_t>(Int(30.60001L * static_cast<Extended>(E))));
  date.Month = static_cast<int32_t>(E > 13 ? E - 13 : E - 1);
  date.Year = static_cast<int32_t>(date.Month > 2 ? C - 4716 : C - 4715);
  return date;
}

// Yearly Delta T values 1961..2029 (seconds).
constexpr std::array<double, 69> YearlyDeltaT = {
    33.59,   34,      34.47,   35.03,   35.73,   36.54,   37.43,   38.29,   39.2,    40.18,
    41.17,   42.23,   43.8763, 44.9302, 45.9133, 46.9247, 46.9678, 49.0319, 50.0347, 50.9187,
    51.7573, 52.518,  53.3747, 54.0536, 54.5977, 55.0912, 55.5524, 56.07,   56.5352, 57.1738,
    57.9058, 58.6917, 59.5242, 60.353,  61.187,  61.9497, 62.6136, 63.2599, 63.6444, 63.9691,
    64.2094, 64.4151, 64.5597, 64.6549, 64.8001, 64.9794, 65.3279, 65.64,   66.2,    66.8,
    67,      66.7708, 67.1266, 67.4858, 67.8606, 68.3964, 68.8,    69.1,    69.35,   69.4,
    69.35,   69.18,   69.2,    69.2,    69.2,    69.2,    69.2,    69.2,    69.2};

Extended Poly(Extended x, std::initializer_list<Extended> coefficients) {
  Extended sum = 0;
  Extended term = 1;
  for (const Extended c : coefficients) {
    sum += c * term;
    term *= x;
  }
  return sum;
}

Extended UnroundedDeltaT(int32_t Year, int32_t Month) {
  const Extended y = static_cast<Extended>(Year) + (static_cast<Extended>(Month) - 0.5L) / 12;
  const Extended c = -0.000012932L * (y - 1955) * (y - 1955);
  if (Year < -500) {
    const Extended u = (y - 1820) / 100;
    return -20 + 32 * u * u + c;
  }
  if (Year < 500) {
    return Poly(y / 100,
                {10583.6L, -1014.41L, 33.78311L, -5.952053L, -0.1798452L, 0.022174192L, 0.0090316521L}) +
           c;
  }
  if (Year < 1600) {
    return Poly((y - 1000) / 100,
                {1574.2L, -556.01L, 71.23472L, 0.319781L, -0.8503463L, -0.005050998L, 0.0083572073L}) +
           c;
  }
  if (Year < 1700) {
    const Extended t = y - 1600;
    return 120 - 0.9808L * t - 0.01532L * t * t + t * t * t / 7129 + c;
  }
  if (Year < 1800) {
    const Extended t = y - 1700;
    return 8.83L + 0.1603L * t - 0.0059285L * t * t + 0.00013336L * t * t * t - t * t * t * t / 1174000 + c;
  }
  if (Year < 1860) {
    return Poly(y - 1800, {13.72L, -0.332447L, 0.0068612L, 0.0041116L, -0.00037436L, 0.0000121272L,
                           -0.0000001699L, 0.000000000875L}) +
           c;
  }
  if (Year < 1900) {
    const Extended t = y - 1860;
    return Poly(t, {7.62L, 0.5737L, -0.251754L, 0.01680668L, -0.0004473624L}) + t * t * t * t * t / 233174 +
           c;
  }
  if (Year < 1920) {
    return Poly(y - 1900, {-2.79L, 1.494119L, -0.0598939L, 0.0061966L, -0.000198L}) + c;
  }
  if (Year < 1941) {
    return Poly(y - 1920, {21.20L, 0.84493L, -0.0761L, 0.0020936L}) + c;
  }
  if (Year < 1961) {
    const Extended t = y - 1950;
    return 29.07L + 0.407L * t - t * t / 233 + t * t * t / 2547 + c;
  }
  if (Year < 2030) {
    return YearlyDeltaT[static_cast<size_t>(Year - 1961)];
  }
  const Extended u = (y - 1820) / 100;
  return -71 + 32 * u * u;
}

}  // namespace

double CalJD(int32_t Year, int32_t Month, int32_t Day, double Hour, double Minute, double Second) {
  int64_t k = 0;
  int64_t year = Year;
  if (year < 333) {
    k = (333 - year + 999) / 1000;  // whole millennia up to 333 or beyond
    year += 1000 * k;
  }
  int64_t Y = year;
  int64_t M = Month;
  if (M < 3) {
    Y -= 1;
    M += 12;
  }
  int64_t B = 0;
  if (static_cast<Extended>(Y) * 365.25L + static_cast<Extended>(M) * 30 + Day > 578135.5L) {
    const int64_t A = Y / 100;
    B = 2 - A + A / 4;
  }
  Extended jd = Int(365.25L * static_cast<Extended>(Y + 4716)) +
                Int(30.60001L * static_cast<Extended>(M + 1)) + Day + static_cast<Extended>(B) - 1524.5L;
  jd -= static_cast<Extended>(k * MillenniumDays);
  jd += static_cast<Extended>(Hour) / 24 + static_cast<Extended>(Minute) / 1440 +
        static_cast<Extended>(Second) / 86400;
  return static_cast<double>(jd);
}

CalendarTime JDCal(double jd) {
  // Beyond about a billion years either way there is no date the program could show, and the
  // year would no longer fit its field: such instants, and NaN, are taken as the nearest end of
  // that range (NaN as 0) so that every integer conversion below stays within its type.
  constexpr double Limit = 5e11;
  Extended shifted = std::isnan(jd) ? 0 : std::clamp(jd, -Limit, Limit);
  int64_t k = 0;
  if (shifted < 1800000) {
    k = static_cast<int64_t>(std::ceil((1800000 - shifted) / MillenniumDays));
    shifted += static_cast<Extended>(k * MillenniumDays);
  }
  auto Z = static_cast<int64_t>(Int(shifted + 0.5L));
  const Extended F = (shifted + 0.5L) - static_cast<Extended>(Z);
  auto ms = static_cast<int64_t>(Int(F * 86400000 + 0.5L));
  if (ms >= 86400000) {  // less than half a millisecond before midnight
    ms = 0;
    ++Z;
  }
  const CivilDate date = DateOfDayNumber(Z);
  CalendarTime result;
  result.Year = static_cast<int32_t>(date.Year - 1000 * k);
  result.Month = date.Month;
  result.Day = date.Day;
  const int64_t hour = ms / 3600000;
  const int64_t minute = (ms - hour * 3600000) / 60000;
  result.Hour = static_cast<double>(hour);
  result.Minute = static_cast<double>(minute);
  result.Second = static_cast<double>(ms - hour * 3600000 - minute * 60000) / 1000;
  return result;
}

double DeltaT(int32_t Year, int32_t Month) {
  // nearbyint rounds ties to the even neighbour in the default rounding mode.
  return static_cast<double>(std::nearbyint(UnroundedDeltaT(Year, Month) * 10) / 10);
}

}  // namespace tevra
