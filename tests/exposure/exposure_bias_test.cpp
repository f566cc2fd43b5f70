// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_bias.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tevra {
namespace {

ExposureRow Row(const char* iso, std::initializer_list<int> marks) {
  ExposureRow row;
  row[ColumnLabel] = "-3 (01) 1.000 -7.000";
  row[ColumnDateTime] = "2024-03-25 10:00:00.0";
  row[ColumnIso] = iso;
  for (const int column : marks) {
    row[static_cast<size_t>(column)] = "x";
  }
  return row;
}

// Whole stops move every mark alike as far as the last can go; the rest goes to a named ISO speed.
TEST(ExposureBias, ShutterColumnsThenIso) {
  const ExposureRow row = Row("400", {19, 20});
  BiasedRow b = WithExposureBias(row, 3);
  EXPECT_EQ(b.row, Row("400", {20, 21}));
  EXPECT_EQ(b.appliedThirds, 3);
  b = WithExposureBias(row, 2);
  EXPECT_EQ(b.row, Row("640", {19, 20}));
  b = WithExposureBias(row, -4);
  EXPECT_EQ(b.row, Row("320", {18, 19}));
  EXPECT_EQ(b.appliedThirds, -4);
  // The longest column already marked: all of +3 EV goes to the ISO speed.
  b = WithExposureBias(Row("400", {21, 22}), 9);
  EXPECT_EQ(b.row, Row("3200", {21, 22}));
  EXPECT_EQ(b.appliedThirds, 9);
  // Nothing to move: less is applied, and the run can say so.
  b = WithExposureBias(Row("", {22}), 9);
  EXPECT_EQ(b.appliedThirds, 0);
  ExposureRow announcement = Row("400", {19});
  announcement[ColumnKind] = "WAV";
  EXPECT_EQ(WithExposureBias(announcement, 3).row, announcement);
  EXPECT_EQ(BiasText(4), "+1 1/3 EV");
  EXPECT_EQ(BiasText(-2), "-2/3 EV");
}

// What the user types for `tevra-cli run --bias`: decimals, thirds and BiasText's own texts.
TEST(ExposureBias, ReadBiasThirds) {
  std::string why;
  for (const auto& [text, thirds] : std::initializer_list<std::pair<const char*, int>>{{"1", 3},
                                                                                       {"-0.67", -2},
                                                                                       {"+1.33", 4},
                                                                                       {"-2/3", -2},
                                                                                       {"1 1/3", 4},
                                                                                       {"+1 1/3 EV", 4},
                                                                                       {"0", 0},
                                                                                       {"-3", -9}}) {
    EXPECT_EQ(ReadBiasThirds(text, why), thirds) << text;
  }
  for (const char* text : {"", "0.5", "4", "-3.34", "one", "1/2", "nan", "1.5 1/3", "--1"}) {
    why.clear();
    EXPECT_EQ(ReadBiasThirds(text, why), std::nullopt) << text;
    EXPECT_NE(why.find(text), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace tevra
