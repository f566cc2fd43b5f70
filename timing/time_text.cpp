// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_text.h"

#include "astrolib.h"
#include "divprocs.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace tevra {
namespace {

std::string PadLeft(std::string text, size_t width, char fill = ' ') {
  if (text.size() < width) {
    text.insert(0, width - text.size(), fill);
  }
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// Characters [first, first + count) counted from 1, shorter or empty near the end of the text.
std::string_view Copy(std::string_view text, size_t first, size_t count) {
  if (first > text.size()) {
    return {};
  }
  return text.substr(first - 1, count);
}

// A whole number for the integer fields of the texts. Values beyond the 64-bit range (and NaN)
// never reach the conversion, which would be undefined: they are taken as the nearest end of the
// range (NaN as 0). The fields the program makes lie far inside it.
int64_t WholeNumber(long double value) {
  constexpr long double Limit = 9.2e18L;
  if (std::isnan(value)) {
    return 0;
  }
  return static_cast<int64_t>(std::clamp(value, -Limit, Limit));
}

}  // namespace

std::string LastChars(const std::string& text, size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

std::string FixedStr(double value, int decimals) {
  // Room for the 309 integer digits of the largest double and a sign.
  std::array<char, 352> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) {
    return {};
  }
  return {buffer.data(), result.ptr};
}

std::string GeneralStr(double value) {
  if (value == 0) {
    return "0";  // also for -0
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

namespace {

// Parses the whole text (blanks around it allowed, one optional sign) with from_chars.
template <typename Number>
std::optional<Number> ParseWhole(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') {
    return std::nullopt;
  }
  Number value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text) {
  const std::optional<double> value = ParseWhole<double>(text);
  if (value && !std::isfinite(*value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int64_t> ParseInteger(std::string_view text) { return ParseWhole<int64_t>(text); }

std::string HoursStr(int p, double hours) {
  const std::string sign = hours < 0 ? "-" : " ";
  if (!std::isfinite(hours)) {
    return " " + sign + FixedStr(std::fabs(hours), 0);  // "  inf", " -inf", "  nan"
  }
  long double T = 1;
  for (int i = 0; i < p; ++i) {
    T *= 10;
  }
  // Whole units of the last shown digit, counted in floating point: an hour count of any size
  // is written without an integer conversion that could overflow. Rounding first means the
  // seconds can never show 60.
  const long double N = std::floor(std::fabs(static_cast<long double>(hours)) * 3600 * T + 0.5L);
  const long double R = std::fmod(N, 60 * T);
  const long double minutesInAll = (N - R) / (60 * T);
  const long double mm = std::fmod(minutesInAll, 60);
  const long double hh = (minutesInAll - mm) / 60;

  const std::string hourText = (hh < 10 ? "0" : "") + FixedStr(static_cast<double>(hh), 0);
  std::string text = LastChars("    " + sign + hourText + ":", 5);
  text += PadLeft(FixedStr(static_cast<double>(mm), 0), 2) + ":";
  const double seconds = static_cast<double>(R) / static_cast<double>(T);
  text += PadLeft(FixedStr(seconds, p), p == 0 ? 2 : static_cast<size_t>(3 + p));
  for (size_t i = 2; i < text.size(); ++i) {
    if (text[i] == ' ') {
      text[i] = '0';
    }
  }
  return text;
}

std::string TimeDiffStr(int p, double days) {
  if (std::isnan(days)) {
    return "nan";
  }
  const std::string sign = days >= 0 ? "+" : "-";
  const double magnitude = std::fabs(days);
  if (std::isinf(magnitude)) {
    return sign + "inf";
  }
  const double whole = std::trunc(magnitude);
  const std::string hoursPart = HoursStr(p, (magnitude - whole) * 24).substr(1);
  return sign + FixedStr(whole, 0) + hoursPart;
}

std::string DateTimeStr(int32_t Year, int32_t Month, int32_t Day, double Hour, double Minute, double Second,
                        int p) {
  // Round the seconds to the shown unit (half up) before writing; 60 carries into the minute.
  const double unitsPerSecond = p == 1 ? 10.0 : 1.0;
  // In double, as ever: the half-up rounding of a reading such as 17.35 s depends on it.
  int64_t units = WholeNumber(std::floor(Second * unitsPerSecond + 0.5));
  if (units >= static_cast<int64_t>(60 * unitsPerSecond)) {
    const CalendarTime next = JDCal(CalJD(Year, Month, Day, std::round(Hour), std::round(Minute) + 1, 0));
    Year = next.Year;
    Month = next.Month;
    Day = next.Day;
    Hour = next.Hour;
    Minute = next.Minute;
    units -= static_cast<int64_t>(60 * unitsPerSecond);
  }
  auto twoDigits = [](double value) {
    return LastChars("00" + std::to_string(WholeNumber(std::round(value))), 2);
  };
  std::string seconds;
  if (p == 1) {
    seconds = LastChars("0000" + std::to_string(units / 10) + "." + std::to_string(units % 10), 4);
  } else {
    seconds = LastChars("00" + std::to_string(units), 2);
  }
  return LastChars("0000" + std::to_string(Year), 4) + "-" + twoDigits(Month) + "-" + twoDigits(Day) + " " +
         twoDigits(Hour) + ":" + twoDigits(Minute) + ":" + seconds;
}

DateStrResult TryDateStrJD(std::string_view text) {
  struct Field {
    size_t first;
    size_t count;
    const char* name;
    bool integer;
  };
  static constexpr std::array<Field, 6> Fields = {{{1, 4, "Year", true},
                                                   {6, 2, "Month", true},
                                                   {9, 2, "Day", true},
                                                   {12, 2, "Hours", false},
                                                   {15, 2, "Minutes", false},
                                                   {18, 9, "Seconds", false}}};
  std::array<double, 6> values{};
  for (size_t i = 0; i < Fields.size(); ++i) {
    const Field& field = Fields[i];
    const std::string_view part = Copy(text, field.first, field.count);
    std::optional<double> value;
    if (field.integer) {
      if (const auto number = ParseInteger(part)) {
        value = static_cast<double>(*number);
      }
    } else {
      value = ParseDecimal(part);
    }
    // Two-digit fields beyond the calendar (month 13, minute 61) are carried by CalJD; anything
    // outside what two digits can say cannot be a time of a table and would only feed the
    // arithmetic with absurd numbers (seconds of "1e300" or "-9.9e21").
    const bool sane = field.first == 1 || (value && *value >= 0 && *value < 100);
    if (!value || !sane) {
      return {std::nullopt, std::string("Couldn't decode ") + field.name + " in DateStrJD"};
    }
    values[i] = *value;
  }
  return {CalJD(static_cast<int32_t>(values[0]), static_cast<int32_t>(values[1]),
                static_cast<int32_t>(values[2]), values[3], values[4], values[5]),
          {}};
}

double DateStrJD(std::string_view text) {
  const DateStrResult result = TryDateStrJD(text);
  if (!result.jd) {
    AbortOnDataError(result.error, "Argument:" + std::string(text));
  }
  return *result.jd;
}

}  // namespace tevra
