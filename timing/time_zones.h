// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed list of time zones in which contact times are shown.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace tevra {

struct tTZone_Ary {
  double Offset;            // hours east of UTC
  std::string Name;         // padded with blanks to 9 characters
  std::string Description;  // name padded to 12 characters, then the abbreviations
};

constexpr int TimeZoneCount = 40;
constexpr int DefaultTimeZoneIndex = 14;

// Rows 0..39; the selector's item index equals the row number.
const std::array<tTZone_Ary, TimeZoneCount>& TimeZoneTable();

// The name without its padding ("UTC-09:30", "UTC").
std::string UnpaddedZoneName(const tTZone_Ary& zone);

// The row of a UTC offset in hours east, to the minute; empty when the table has none.
std::optional<int> ZoneRowOfOffset(double hours);

// Selection state of the main window: hours east of UTC and "[" + name + "]".
// 0 and empty until a zone is applied.
extern double ZoneOffset;
extern std::string ZoneLabel;

// Sets ZoneOffset and ZoneLabel from a row; a row outside 0..39 is taken as the default row.
void ApplyTimeZone(int row);

}  // namespace tevra
