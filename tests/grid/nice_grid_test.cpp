// SPDX-License-Identifier: GPL-3.0-or-later
// The grid driven as a user drives it: QTest key and mouse events on an offscreen widget.
#include "grid/nice_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace tevra {
namespace {

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_ = std::make_unique<TNiceGrid>();
    grid_->resize(500, 300);
    grid_->SetColCount(4);
    grid_->SetRowCount(5);
    grid_->show();
    QApplication::setActiveWindow(grid_.get());
    grid_->setFocus();
  }

  TNiceGrid& G() { return *grid_; }
  QWidget* View() { return grid_->viewport(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(grid_.get(), key, mods);
  }
  void Type(const QString& text) { QTest::keyClicks(grid_.get(), text); }
  QPoint Centre(int col, int row) { return G().CellRect(col, row).center(); }
  void Click(int col, int row) { QTest::mouseClick(View(), Qt::LeftButton, {}, Centre(col, row)); }
  QStringList Column(int col) {
    QStringList texts;
    for (int r = 0; r < G().RowCount(); ++r) texts.append(G().Cells(col, r));
    return texts;
  }

  std::unique_ptr<TNiceGrid> grid_;
};

TEST_F(GridTest, HeaderCellsFromTitlesArePaintedOverTheirWholeArea) {
  G().SetHeaderLine(2);
  G().SetColCount(5);
  const QStringList titles{"1/;8000", "1/;4000", "A|x", "A|y", "1/;4000"};
  for (int c = 0; c < 5; ++c) G().Columns()[c]->SetTitle(titles[c]);
  G().Columns()[3]->SetVisible(false);  // "A|y" hidden: "A" no longer spans two columns
  ASSERT_EQ(G().HeaderList().size(), 5u);
  EXPECT_EQ(G().HeaderList()[0], (THeaderInfo{"1/;8000", 0, 0, 0, 1}));
  EXPECT_EQ(G().HeaderList()[2], (THeaderInfo{"A", 2, 0, 2, 0}));
  EXPECT_EQ(G().HeaderList()[4], (THeaderInfo{"1/;4000", 4, 0, 4, 1}));
  G().Columns()[3]->SetVisible(true);
  EXPECT_EQ(G().HeaderList()[2], (THeaderInfo{"A", 2, 0, 3, 0}));

  std::vector<std::pair<QString, QRect>> painted;
  G().OnDrawHeader = [&](TNiceGrid*, TGridCanvas&, const QRect& rc, const QString& str, bool&) {
    painted.emplace_back(str, rc);
  };
  (void)View()->grab();
  auto find = [&](const QString& s) {
    for (const auto& [str, rc] : painted) {
      if (str == s) return rc;
    }
    return QRect();
  };
  const int rh = G().DefRowHeight();
  EXPECT_EQ(find("1/;8000").height(), 2 * rh + 1);  // down across both header lines
  EXPECT_EQ(find("A").width(), G().CellRect(2, 0).width() + G().CellRect(3, 0).width() - 1);
  EXPECT_EQ(find("x").top(), rh - 1);
}

TEST_F(GridTest, CellBoundsAndTheEmptyCellRule) {
  try {
    (void)G().Cells(0, 5);
    FAIL() << "no exception";
  } catch (const EGridIndexError& e) {
    EXPECT_STREQ(e.what(), "Cell Index out of bound.");
  }
  EXPECT_THROW((void)G().Cells(4, 0), EGridIndexError);
  EXPECT_THROW(G().SetCells(0, -1, "x"), EGridIndexError);
  EXPECT_EQ(G().Cells(1, 4), "");
  G().SetCells(1, 3, "x");
  EXPECT_EQ(G().Columns()[1]->Strings(), (QStringList{"", "", "", "x"}));
  // Program writes raise no events.
  bool raised = false;
  G().OnCellChanging = [&](TNiceGrid*, int, int, const QString&, bool&) { raised = true; };
  G().SetCells(0, 0, "y");
  EXPECT_FALSE(raised);
}

TEST_F(GridTest, InsertDeleteAndAddRow) {
  G().SetCells(0, 0, "A");
  G().SetCells(0, 1, "B");
  G().SetCells(0, 2, "C");
  G().InsertRow(1);
  EXPECT_EQ(G().RowCount(), 6);
  EXPECT_EQ(Column(0), (QStringList{"A", "", "B", "C", "", ""}));
  G().InsertRow(6);  // outside: nothing
  G().DeleteRow(-1);
  EXPECT_EQ(G().RowCount(), 6);
  G().DeleteRow(0);
  EXPECT_EQ(G().RowCount(), 5);
  EXPECT_EQ(Column(0), (QStringList{"", "B", "C", "", ""}));
  EXPECT_EQ(G().Columns()[0]->Strings().size(), 4);  // the list keeps its length

  G().SetRow(4);
  G().DeleteRow(4);
  EXPECT_EQ(G().Row(), 3);  // the current last row moves up

  G().SetRowCount(2);  // "C" stays stored beyond the rows ...
  EXPECT_EQ(G().AddRow(), 2);
  EXPECT_EQ(G().Cells(0, 2), "");  // ... and the added row comes back empty
}

TEST_F(GridTest, NavigationSkipsHiddenColumnsAndShiftExtendsSelection) {
  G().Columns()[1]->SetVisible(false);
  Key(Qt::Key_Right);
  EXPECT_EQ(G().Col(), 2);
  Key(Qt::Key_End);
  EXPECT_EQ(G().Col(), 3);
  Key(Qt::Key_Right);  // stops at the edge
  EXPECT_EQ(G().Col(), 3);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(QPoint(G().Col(), G().Row()), QPoint(3, 4));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(G().Row(), 0);
  Key(Qt::Key_Home);
  EXPECT_EQ(G().Col(), 0);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(G().SelArea(), QRect(QPoint(0, 0), QPoint(2, 2)));
  EXPECT_EQ(QPoint(G().Col(), G().Row()), QPoint(0, 0));
  Key(Qt::Key_Down);  // a plain move collapses the selection
  EXPECT_EQ(G().SelArea(), QRect(0, 1, 1, 1));
}

TEST_F(GridTest, TypingReplacesTheCellAndBackspaceEditsTheBuffer) {
  G().SetCells(0, 0, "old");
  Type("ab");
  EXPECT_EQ(G().Cells(0, 0), "ab");
  Key(Qt::Key_Backspace);
  EXPECT_EQ(G().Cells(0, 0), "a");
  Key(Qt::Key_Delete);  // ignored while typing
  EXPECT_EQ(G().Cells(0, 0), "a");
  G().SetCells(0, 1, "keep?");
  Key(Qt::Key_Down);
  Key(Qt::Key_Backspace);  // on a cell not typed into: empties it
  EXPECT_EQ(G().Cells(0, 1), "");
  G().SetReadOnly(true);
  Type("z");
  EXPECT_EQ(G().Cells(0, 1), "");
}

// A typing buffer that outlives the text it typed would write stale characters back into the cell.
TEST_F(GridTest, TypingStartsAfreshOnceTheCellNoLongerHoldsWhatWasTyped) {
  Type("ab");
  Key(Qt::Key_Insert);  // the typed text moves down with its row
  Type("c");
  EXPECT_EQ(Column(0), (QStringList{"c", "ab", "", "", "", ""}));
  Key(Qt::Key_Delete, Qt::ControlModifier);  // "ab" moves up into the current cell
  Type("d");
  EXPECT_EQ(Column(0), (QStringList{"d", "", "", "", ""}));

  QGuiApplication::clipboard()->setText("x");
  Key(Qt::Key_V, Qt::ControlModifier);
  Type("e");
  EXPECT_EQ(G().Cells(0, 0), "e");

  Click(0, 0);  // current already: the editor opens
  ASSERT_TRUE(G().IsEditing());
  QTest::keyClicks(G().Inplace(), "f");
  QTest::keyClick(G().Inplace(), Qt::Key_Escape);
  Type("g");
  EXPECT_EQ(G().Cells(0, 0), "g");

  G().SetRowCount(0);  // the owner reloads the table
  G().Columns()[0]->SetStrings({"loaded"});
  G().SetRowCount(5);
  Type("h");
  EXPECT_EQ(G().Cells(0, 0), "h");

  // Enter confirms: typing afterwards starts a new text, also where Enter cannot move on.
  G().SetAutoFillDown(true);
  G().SetRow(3);
  Type("v*");
  Key(Qt::Key_Return);
  Type("w");
  EXPECT_EQ(Column(0), (QStringList{"h", "", "", "w", "v"}));
  Key(Qt::Key_Down);
  Type("y");
  Key(Qt::Key_Return);
  Type("z");
  EXPECT_EQ(G().Cells(0, 4), "z");
  Key(Qt::Key_Return);
  Key(Qt::Key_Delete);  // no longer typing after Enter: Delete empties the cell
  EXPECT_EQ(G().Cells(0, 4), "");
}

TEST_F(GridTest, EnterWalksThroughASelectionAndWraps) {
  G().SetCol(1);
  G().SetRow(1);
  G().SelectArea(QRect(1, 1, 2, 2));
  std::vector<QPoint> visited;
  for (int i = 0; i < 4; ++i) {
    Key(Qt::Key_Return);
    visited.emplace_back(G().Col(), G().Row());
  }
  EXPECT_EQ(visited, (std::vector<QPoint>{{1, 2}, {2, 1}, {2, 2}, {1, 1}}));
  EXPECT_EQ(G().SelArea(), QRect(1, 1, 2, 2));
  Key(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(QPoint(G().Col(), G().Row()), QPoint(2, 2));
  Key(Qt::Key_Right);
  Key(Qt::Key_Return);  // single cell: down one row
  EXPECT_EQ(QPoint(G().Col(), G().Row()), QPoint(3, 3));
}

TEST_F(GridTest, AutoFillDownAndRight) {
  G().SetAutoFillDown(true);
  G().SetAutoFillRight(true);
  G().SetRow(2);
  Type("v*");
  Key(Qt::Key_Return);
  EXPECT_EQ(Column(0), (QStringList{"", "", "v", "v", "v"}));
  EXPECT_EQ(G().Row(), 2);  // the current cell stays
  G().SetCol(1);
  G().SetRow(0);
  G().Columns()[2]->SetReadOnly(true);
  Type("h>");
  Key(Qt::Key_Return);
  EXPECT_EQ(G().Cells(1, 0), "h");
  EXPECT_EQ(G().Cells(2, 0), "");  // read-only column left alone
  EXPECT_EQ(G().Cells(3, 0), "h");
  // Within a range selection only the selection's rows are filled.
  G().SetCol(3);
  G().SetRow(1);
  G().SetCells(3, 1, "s*");
  G().SelectArea(QRect(3, 1, 1, 2));
  Key(Qt::Key_Return);
  EXPECT_EQ(Column(3), (QStringList{"h", "s", "s", "", ""}));
  // A read-only grid is not changed by Enter.
  G().SetReadOnly(true);
  G().SetCol(0);
  G().SetRow(0);
  G().SetCells(0, 0, "r*");
  Key(Qt::Key_Return);
  EXPECT_EQ(Column(0), (QStringList{"r*", "", "v", "v", "v"}));
}

TEST_F(GridTest, CtrlDeleteRemovesTheCurrentRowButNeverTheLastOne) {
  std::vector<int> deleted;
  G().OnDeleteRow = [&](TNiceGrid*, int row) { deleted.push_back(row); };
  G().SetRowCount(3);
  G().SetCells(0, 1, "one");
  G().SetCells(0, 2, "two");
  G().SetRow(2);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(G().RowCount(), 2);
  EXPECT_EQ(G().Row(), 1);
  EXPECT_EQ(Column(0), (QStringList{"", "one"}));
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(G().RowCount(), 1);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(G().RowCount(), 1);
  EXPECT_EQ(deleted, (std::vector<int>{2, 1}));
}

TEST_F(GridTest, AutoAddRowAppendsOnDownAndDropsAnEmptyLastRowOnUp) {
  std::vector<int> deleted;
  G().OnDeleteRow = [&](TNiceGrid*, int row) { deleted.push_back(row); };
  G().SetAutoAddRow(true);
  G().SetRow(4);
  Key(Qt::Key_Down);
  EXPECT_EQ(G().RowCount(), 6);
  EXPECT_EQ(G().Row(), 5);
  Key(Qt::Key_Up);  // the new row is empty: removed
  EXPECT_EQ(G().RowCount(), 5);
  EXPECT_EQ(G().Row(), 4);
  EXPECT_EQ(deleted, (std::vector<int>{5}));
  G().SetCells(2, 4, "text");
  Key(Qt::Key_Up);  // not empty: a plain move
  EXPECT_EQ(G().RowCount(), 5);
  EXPECT_EQ(G().Row(), 3);
}

TEST_F(GridTest, CopyCutAndPasteFollowTheTilingRules) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  G().SetCells(1, 1, "a");
  G().SetCells(2, 1, "b");
  G().SetCells(1, 2, "c");
  G().SetCells(2, 2, "d");
  G().SetCol(1);
  G().SetRow(1);
  G().SelectArea(QRect(1, 1, 2, 2));
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), "a\tb\r\nc\td\r\n");

  // The copied block at one cell near the corner: clipped at the last column and row, and the final
  // line break pastes no empty line.
  G().SetCol(3);
  G().SetRow(3);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Column(3), (QStringList{"", "", "", "a", "c"}));

  clipboard->setText("x");
  G().SetCol(0);
  G().SetRow(0);
  G().SelectArea(QRect(0, 0, 3, 3));
  Key(Qt::Key_V, Qt::ControlModifier);
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) EXPECT_EQ(G().Cells(c, r), "x") << c << "," << r;
  }

  G().SelectArea(QRect(0, 0, 2, 1));
  Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), "x\tx\r\n");
  EXPECT_EQ(G().Cells(0, 0), "");
  EXPECT_EQ(G().Cells(1, 0), "");
  EXPECT_EQ(G().Cells(2, 0), "x");
}

TEST_F(GridTest, DeleteEmptiesOnlyVisibleSelectedCells) {
  for (int c = 0; c < 3; ++c) G().SetCells(c, 0, "t");
  G().Columns()[1]->SetVisible(false);
  G().SelectArea(QRect(0, 0, 3, 1));
  Key(Qt::Key_Delete);
  EXPECT_EQ(G().Cells(0, 0), "");
  EXPECT_EQ(G().Cells(1, 0), "t");  // hidden: left alone
  EXPECT_EQ(G().Cells(2, 0), "");
}

TEST_F(GridTest, FillHandleDragRepeatsTheBlock) {
  G().SetCells(0, 0, "1");
  G().SetCells(0, 1, "2");
  G().SelectArea(QRect(0, 0, 1, 2));
  const QPoint handle = G().FillHandleRect().center();
  EXPECT_EQ(G().CursorAt(handle), TNiceGrid::crCross);
  QTest::mousePress(View(), Qt::LeftButton, {}, handle);
  QTest::mouseMove(View(), Centre(0, 4));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, Centre(0, 4));
  EXPECT_EQ(Column(0), (QStringList{"1", "2", "1", "2", "1"}));
  EXPECT_EQ(G().SelArea(), QRect(0, 0, 1, 5));
}

TEST_F(GridTest, ColumnResizeUnderFitToWidthTradesWithTheRightNeighbour) {
  G().SetFitToWidth(true);
  const int available = View()->width() - G().GutterWidth();
  int sum = 0;
  for (int c = 0; c < 4; ++c) sum += G().ColWidths(c);
  EXPECT_EQ(sum, available);
  const int w0 = G().ColWidths(0);
  const int w1 = G().ColWidths(1);
  const int w2 = G().ColWidths(2);
  const QPoint border(G().CellRect(0, 0).right(), G().DefRowHeight() / 2);
  EXPECT_EQ(G().CursorAt(border), TNiceGrid::crColumnSplit);
  QTest::mouseMove(View(), border);
  EXPECT_EQ(G().MouseCursor(), Qt::SplitHCursor);
  QTest::mousePress(View(), Qt::LeftButton, {}, border);
  QTest::mouseMove(View(), border + QPoint(25, 0));
  QTest::mouseRelease(View(), Qt::LeftButton, {}, border + QPoint(25, 0));
  EXPECT_EQ(G().ColWidths(0), w0 + 25);
  EXPECT_EQ(G().ColWidths(1), w1 - 25);
  EXPECT_EQ(G().ColWidths(2), w2);

  // Columns that may not shrink stay reachable through the horizontal bar.
  EXPECT_FALSE(G().horizontalScrollBar()->isVisible());
  for (int c = 0; c < 4; ++c) {
    G().Columns()[c]->SetCanResize(false);
    G().Columns()[c]->SetWidth(200);
  }
  EXPECT_TRUE(G().horizontalScrollBar()->isVisible());
  EXPECT_EQ(G().horizontalScrollBar()->maximum(), 800 + G().GutterWidth() - View()->width());
}

TEST_F(GridTest, InplaceEditorWritesAtOnceAndEscKeepsTheText) {
  G().SetCells(1, 1, "ab");
  Click(1, 1);
  EXPECT_FALSE(G().IsEditing());
  Click(1, 1);  // the cell is already current
  ASSERT_TRUE(G().IsEditing());
  EXPECT_EQ(G().Inplace()->text(), "ab");
  QTest::keyClicks(G().Inplace(), "cd");
  EXPECT_EQ(G().Cells(1, 1), "abcd");
  QTest::keyClick(G().Inplace(), Qt::Key_Escape);
  EXPECT_FALSE(G().IsEditing());
  EXPECT_EQ(G().Cells(1, 1), "abcd");
  EXPECT_TRUE(G().hasFocus());
  G().Columns()[1]->SetReadOnly(true);
  Click(1, 1);
  EXPECT_FALSE(G().IsEditing());
}

TEST_F(GridTest, OwnerCanRefuseCommasTypedPastedOrEdited) {
  G().OnCellChanging = [](TNiceGrid*, int, int, const QString& text, bool& canChange) {
    canChange = !text.contains(QLatin1Char(','));
  };
  Type("1,2");
  EXPECT_EQ(G().Cells(0, 0), "12");
  QGuiApplication::clipboard()->setText("a,b");
  Key(Qt::Key_Down);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(G().Cells(0, 1), "");
  Click(0, 1);
  QTest::keyClicks(G().Inplace(), "p,q");
  EXPECT_EQ(G().Cells(0, 1), "pq");
  EXPECT_EQ(G().Inplace()->text(), "pq");
}

TEST_F(GridTest, OddRowsAlternateOnlyInColumnsOfTheGridColour) {
  G().SetAlternateColor(QColor(220, 230, 240));
  G().Columns()[2]->SetColor(QColor(250, 200, 200));
  G().SetRow(4);
  const QImage image = View()->grab().toImage();
  const auto pixel = [&](int c, int r) {
    return QColor(image.pixel(G().CellRect(c, r).topLeft() + QPoint(2, 2)));
  };
  EXPECT_EQ(pixel(0, 0), QColor(255, 255, 255));
  EXPECT_EQ(pixel(0, 1), QColor(220, 230, 240));
  EXPECT_EQ(pixel(0, 3), QColor(220, 230, 240));
  EXPECT_EQ(pixel(2, 1), QColor(250, 200, 200));
  G().SelectArea(QRect(0, 0, 2, 2));
  EXPECT_EQ(G().CellColor(1, 1), G().SelectionColor());
}

TEST_F(GridTest, SelectionFrameShowsAllThreePixelsAlsoBesideHeaderAndGutter) {
  G().SetGutterKind(gkNumber);
  G().SetGutterWidth(30);
  const QRect first = G().CellRect(0, 0);
  const int dataTop = first.top() + 1;  // the first row's top line is the header's bottom line
  const int dataLeft = first.left() + 1;
  const auto black = [](const QImage& image, int x, int y) { return QColor(image.pixel(x, y)) == Qt::black; };
  for (const int cell : {0, 2}) {  // the first row and column, and one inside
    G().SetCol(cell);
    G().SetRow(cell);
    ASSERT_EQ(G().SelArea(), QRect(cell, cell, 1, 1));
    const QImage image = View()->grab().toImage();
    const QRect rc = G().CellRect(cell, cell);
    int top = 0;
    for (int y = std::max(dataTop, rc.top() - 3); y <= rc.top() + 4; ++y) {
      top += black(image, rc.center().x(), y) ? 1 : 0;
    }
    int left = 0;
    for (int x = std::max(dataLeft, rc.left() - 3); x <= rc.left() + 4; ++x) {
      left += black(image, x, rc.center().y()) ? 1 : 0;
    }
    EXPECT_EQ(top, 3) << "cell " << cell;
    EXPECT_EQ(left, 3) << "cell " << cell;
  }
}

TEST_F(GridTest, EventsComeInTheirOrder) {
  QStringList log;
  G().OnFilterChar = [&](TNiceGrid*, int c, int r, QChar chr, bool&) {
    log << QStringLiteral("FilterChar %1,%2 %3").arg(c).arg(r).arg(chr);
  };
  G().OnCellChanging = [&](TNiceGrid*, int c, int r, const QString& text, bool&) {
    log << QStringLiteral("CellChanging %1,%2 %3").arg(c).arg(r).arg(text);
  };
  G().OnCellChange = [&](TNiceGrid*, int c, int r, QString& str) {
    log << QStringLiteral("CellChange %1,%2 %3").arg(c).arg(r).arg(str);
    str = str.toUpper();
  };
  G().OnColRowChanged = [&](TNiceGrid*, int c, int r) {
    log << QStringLiteral("ColRowChanged %1,%2").arg(c).arg(r);
  };
  G().OnGutterClick = [&](TNiceGrid*, int r, Qt::MouseButton button, Qt::KeyboardModifiers) {
    log << QStringLiteral("GutterClick %1 %2").arg(r).arg(button == Qt::RightButton ? "right" : "left");
  };
  Type("k");
  Key(Qt::Key_Right);
  QTest::mouseClick(View(), Qt::RightButton, {}, QPoint(5, Centre(0, 3).y()));
  EXPECT_EQ(log, (QStringList{"FilterChar 0,0 k", "CellChanging 0,0 k", "CellChange 0,0 k",
                              "ColRowChanged 1,0", "ColRowChanged 0,3", "GutterClick 3 right"}));
  EXPECT_EQ(G().Cells(0, 0), "K");
  EXPECT_EQ(G().SelArea(), QRect(0, 3, 4, 1));
}

TEST_F(GridTest, HeaderAndCornerPressesSelectColumnsAndAll) {
  int clicked = -1;
  G().OnHeaderClick = [&](TNiceGrid*, int col, Qt::MouseButton, Qt::KeyboardModifiers) { clicked = col; };
  QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(Centre(2, 0).x(), 5));
  EXPECT_EQ(clicked, 2);
  EXPECT_EQ(G().SelArea(), QRect(2, 0, 1, 5));
  QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(G().SelArea(), QRect(0, 0, 4, 5));
  EXPECT_EQ(QPoint(G().Col(), G().Row()), QPoint(0, 0));
}

TEST_F(GridTest, ScrollBarsStepByRowsAndTheWheelMovesByPixels) {
  G().SetRowCount(100);
  QScrollBar* bar = G().verticalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->singleStep(), G().DefRowHeight());
  EXPECT_EQ(bar->pageStep(), 5 * G().DefRowHeight());
  EXPECT_EQ(bar->maximum() % G().DefRowHeight(), 0);
  QWheelEvent wheel(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(View(), &wheel);
  EXPECT_EQ(bar->value(), 120);
  Key(Qt::Key_PageDown);  // the last row scrolled into view
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace tevra
