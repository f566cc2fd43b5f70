// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/time_zones.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(TimeZoneTable, RowsOffsetsAndPadding) {
  const auto& table = TimeZoneTable();
  ASSERT_EQ(table.size(), 40U);
  for (size_t row = 0; row < table.size(); ++row) {
    EXPECT_EQ(table[row].Name.size(), 9U) << row;
    if (row > 0) {
      EXPECT_LT(table[row - 1].Offset, table[row].Offset) << row;
    }
    // The description begins with the name padded to twelve characters.
    const std::string name = UnpaddedZoneName(table[row]);
    if (row != 15) {
      EXPECT_EQ(table[row].Description.substr(0, 12), name + std::string(12 - name.size(), ' ')) << row;
    }
  }
  EXPECT_EQ(table[0].Offset, -12);
  EXPECT_EQ(table[0].Description, "UTC-12      BIT; IDLW");
  EXPECT_EQ(table[3].Name, "UTC-09:30");
  EXPECT_EQ(table[3].Offset, -9.5);
  EXPECT_EQ(table[3].Description, "UTC-09:30   MART; MIT");
  EXPECT_EQ(table[11].Name, "UTC-03:00");
  EXPECT_EQ(table[15].Name, "UTC      ");
  EXPECT_EQ(table[15].Description, "UTC\u00B100      AZOST; EGST; GMT; UTC; WET");
  EXPECT_EQ(table[24].Offset, 5.75);
  EXPECT_EQ(table[29].Offset, 8.75);
  EXPECT_EQ(table[36].Offset, 12.75);
  EXPECT_EQ(table[38].Offset, 13.75);
  EXPECT_EQ(table[39].Offset, 14);
  EXPECT_EQ(table[39].Description, "UTC+14      LINT");
}

TEST(ApplyTimeZone, SetsOffsetAndLabelAndFallsBackForBadRows) {
  ApplyTimeZone(3);
  EXPECT_EQ(ZoneOffset, -9.5);
  EXPECT_EQ(ZoneLabel, "[UTC-09:30]");
  ApplyTimeZone(15);
  EXPECT_EQ(ZoneOffset, 0);
  EXPECT_EQ(ZoneLabel, "[UTC]");
  ApplyTimeZone(-1);
  EXPECT_EQ(ZoneOffset, -1);
  EXPECT_EQ(ZoneLabel, "[UTC-01]");
  ApplyTimeZone(40);
  EXPECT_EQ(ZoneLabel, "[UTC-01]");
}

}  // namespace
}  // namespace tevra
