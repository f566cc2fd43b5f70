// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed text forms of instants, hours and time differences. Every number is written and
// read with "." as decimal separator whatever the process locale says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tevra {

// Precision flag of the text routines: 0 = whole seconds, 1 = tenths (HoursStr also 2..4).
// Hours to "  hh:mm:ss[.s]": two leading characters (blank or "-"), then the zero-padded time.
std::string HoursStr(int p, double hours);

// Signed difference in days to "+D hh:mm:ss[.s]", for example "+1 05:03:07.2". The day count is
// written in full whatever its size; an infinite or NaN difference gives "+inf", "-inf", "nan".
std::string TimeDiffStr(int p, double days);

// "YYYY-MM-DD hh:mm:ss.s" (p = 1) or "YYYY-MM-DD hh:mm:ss" (p = 0). Rounding the seconds to the
// shown unit carries into minute, hour, day, month and year.
std::string DateTimeStr(int32_t Year, int32_t Month, int32_t Day, double Hour, double Minute, double Second,
                        int p);

// Reads "YYYY-MM-DD hh:mm:ss.s" by fixed character positions and returns its JD. Month, day,
// hours, minutes and seconds must lie in 0 to below 100; within that, values beyond the calendar
// (month 13, minute 61) are carried. A field that does not convert, or lies outside that range,
// ends the program through AbortOnDataError.
double DateStrJD(std::string_view text);

// Like DateStrJD but reports the first field that does not convert instead of ending the
// program; for callers that check user files before they use them.
struct DateStrResult {
  std::optional<double> jd;
  std::string error;  // "Couldn't decode Seconds in DateStrJD" etc. when jd is empty
};
DateStrResult TryDateStrJD(std::string_view text);

// The last count characters of text (all of it when shorter): the fixed-width cut of the
// zero-padded fields.
std::string LastChars(const std::string& text, size_t count);

// Locale-independent number texts.
std::string FixedStr(double value, int decimals);            // fixed notation, "." separator
std::string GeneralStr(double value);                        // shortest text that reads back exactly
std::optional<double> ParseDecimal(std::string_view text);   // whole text must convert
std::optional<int64_t> ParseInteger(std::string_view text);  // whole text must convert

}  // namespace tevra
