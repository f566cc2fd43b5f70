// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/nice_grid_logic.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

std::vector<THeaderInfo> Headers(const std::vector<HeaderColumn>& columns, int lines) {
  return BuildHeaderList(columns, lines);
}

TEST(BuildHeaderList, TwoLineTitlesSpanBothHeaderLinesEach) {
  const auto list = Headers({{"1/;8000"}, {"1/;4000"}}, 2);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (THeaderInfo{"1/;8000", 0, 0, 0, 1}));
  EXPECT_EQ(list[1], (THeaderInfo{"1/;4000", 1, 0, 1, 1}));
}

TEST(BuildHeaderList, CommonFirstLevelMergesAcrossColumns) {
  const auto list = Headers({{"A|x"}, {"A|y"}}, 2);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (THeaderInfo{"A", 0, 0, 1, 0}));
  EXPECT_EQ(list[1], (THeaderInfo{"x", 0, 1, 0, 1}));
  EXPECT_EQ(list[2], (THeaderInfo{"y", 1, 1, 1, 1}));
}

TEST(BuildHeaderList, HiddenColumnSeparatesEqualTitlesAndEqualTitlesMerge) {
  const auto split = Headers({{"T"}, {"T", false}, {"T"}}, 2);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0], (THeaderInfo{"T", 0, 0, 0, 1}));
  EXPECT_EQ(split[1], (THeaderInfo{"T", 2, 0, 2, 1}));

  const auto merged = Headers({{"T"}, {"T"}}, 2);
  ASSERT_EQ(merged.size(), 1u);
  EXPECT_EQ(merged[0], (THeaderInfo{"T", 0, 0, 1, 1}));
  // Comparison is case-sensitive; extra levels beyond HeaderLine are ignored.
  EXPECT_EQ(Headers({{"t"}, {"T|u"}}, 1).size(), 2u);
}

TEST(GridGeometryRules, NeighbouringCellsShareBorderLinesAndHitTestsSkipHiddenColumns) {
  GridGeometry g;
  g.gutter = 20;
  g.header = 36;
  g.rowHeight = 18;
  g.scrollX = 10;
  g.scrollY = 18;
  EXPECT_EQ(LayoutColumns(g, {50, 60, 70}, {true, false, true}), 120);
  const CellEdges a = CellRect(g, 0, 1);
  EXPECT_EQ(a.left, 0 - 1 + 20 - 10);
  EXPECT_EQ(a.top, 18 - 1 + 36 - 18);
  EXPECT_EQ(a.right, 50 + 20 - 10);
  EXPECT_EQ(a.bottom, 36 + 36 - 18);
  const CellEdges b = CellRect(g, 2, 2);  // column 1 is hidden: column 2 follows column 0
  EXPECT_EQ(b.left, a.right - 1);
  EXPECT_EQ(b.top, a.bottom - 1);

  EXPECT_EQ(ColumnAt(g, 15), -1);  // gutter
  EXPECT_EQ(ColumnAt(g, 20), 0);
  EXPECT_EQ(ColumnAt(g, 59), 0);
  EXPECT_EQ(ColumnAt(g, 60), 2);
  EXPECT_EQ(ColumnAt(g, 130), -1);
  EXPECT_EQ(RowAt(g, 35, 5), -1);  // header
  EXPECT_EQ(RowAt(g, 36, 5), 1);
  EXPECT_EQ(RowAt(g, 36 + 18 * 4, 5), -1);  // beyond the last row
  EXPECT_EQ(ColumnBorderAt(g, 59), 0);
  EXPECT_EQ(ColumnBorderAt(g, 61), -1);
}

TEST(FitWidthsTo, SpreadsPixelsInTurnAndLeavesFixedAndSkippedColumns) {
  std::vector<int> widths{50, 50, 50, 50};
  FitWidthsTo(widths, {true, false, true, true}, 205, 3);
  EXPECT_EQ(widths, (std::vector<int>{53, 50, 52, 50}));
  FitWidthsTo(widths, {true, true, true, true}, 190, -1);
  EXPECT_EQ(widths, (std::vector<int>{49, 46, 48, 47}));
  // Shrinking stops at a floor instead of looping or going negative.
  FitWidthsTo(widths, {true, true, true, true}, 4, -1);
  EXPECT_EQ(widths, (std::vector<int>{5, 5, 5, 5}));
}

TEST(ScrollRangeAndAutoWidth, VerticalRangeIsWholeRows) {
  EXPECT_EQ(ScrollRange(2048 * 20, 650, 20), 2048 * 20 - 640);
  EXPECT_EQ(ScrollRange(100, 300, 20), 0);
  EXPECT_EQ(ScrollRange(1000, 950, 0), 50);
  EXPECT_EQ(AutoColumnWidth(80, 100), 107);
  EXPECT_EQ(AutoColumnWidth(10, 2), 20);
}

TEST(ClipboardText, JoinAndSplitRoundTripWithoutPhantomLine) {
  const std::vector<QStringList> rows{{"a", "b"}, {"", "d"}};
  const QString text = JoinClipboardText(rows);
  EXPECT_EQ(text, "a\tb\r\n\td\r\n");
  EXPECT_EQ(SplitClipboardText(text), rows);
  EXPECT_EQ(SplitClipboardText("x\ny\tz"), (std::vector<QStringList>{{"x", ""}, {"y", "z"}}));
  EXPECT_EQ(SplitClipboardText("\n"), (std::vector<QStringList>{{""}}));
  EXPECT_TRUE(SplitClipboardText("").empty());
}

TEST(PasteRules, BlockAtOneCellIsClippedAndTilingRepeatsInPhase) {
  const std::vector<QStringList> block{{"1", "2", "3"}, {"4", "5", "6"}};
  // Visible columns 0, 2, 3 (column 1 hidden); start at column 2, second to last row.
  const auto placed = PlaceBlock(block, {0, 2, 3}, 2, 3, 4);
  EXPECT_EQ(placed, (std::vector<CellWrite>{{2, 3, "1"}, {3, 3, "2"}}));
  // From a hidden current column the block starts at the next visible one.
  EXPECT_EQ(PlaceBlock({{"1"}}, {0, 2, 3}, 1, 0, 4), (std::vector<CellWrite>{{2, 0, "1"}}));

  const auto tiled = TileBlock({{"x"}}, {0, 1, 2}, QRect(0, 0, 3, 3), {0, 0});
  ASSERT_EQ(tiled.size(), 9u);
  for (const CellWrite& w : tiled) EXPECT_EQ(w.text, "x");

  // Tiling upwards from an origin keeps the origin's own cells unchanged.
  const auto up = TileBlock({{"a"}, {"b"}}, {0}, QRect(0, 0, 1, 4), {0, 2});
  EXPECT_EQ(up, (std::vector<CellWrite>{{0, 0, "a"}, {0, 1, "b"}, {0, 2, "a"}, {0, 3, "b"}}));
}

TEST(StepInSelection, GoesDownColumnsThenWraps) {
  const QRect sel(1, 0, 2, 2);
  const std::vector<int> visible{0, 1, 2};
  EXPECT_EQ(StepInSelection(sel, visible, {1, 0}, true), QPoint(1, 1));
  EXPECT_EQ(StepInSelection(sel, visible, {1, 1}, true), QPoint(2, 0));
  EXPECT_EQ(StepInSelection(sel, visible, {2, 1}, true), QPoint(1, 0));
  EXPECT_EQ(StepInSelection(sel, visible, {1, 0}, false), QPoint(2, 1));
}

}  // namespace
}  // namespace tevra
