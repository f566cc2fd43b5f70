// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rules of the grid control that need no window: header merging, geometry, width fitting,
// clipboard text and the tiling of pasted blocks.

#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace tevra {

enum THorzAlign { haLeft, haCenter, haRight };
enum TVertAlign { vaTop, vaCenter, vaBottom };
enum TGutterKind { gkNone, gkBlank, gkPointer, gkNumber, gkString };

// One merged header cell; the area is inclusive in columns and header lines.
struct THeaderInfo {
  QString Str;
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const THeaderInfo&) const = default;
};

struct HeaderColumn {
  QString title;
  bool visible = true;
};

std::vector<THeaderInfo> BuildHeaderList(const std::vector<HeaderColumn>& columns, int headerLine);

// Edges of a cell in client pixels; right and bottom are exclusive, so neighbouring cells share
// the line at right - 1 / bottom - 1.
struct CellEdges {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  QRect ToRect() const { return {left, top, right - left, bottom - top}; }
};

struct GridGeometry {
  int gutter = 0;  // effective gutter width
  int header = 0;  // header height
  int rowHeight = 18;
  int scrollX = 0;
  int scrollY = 0;
  std::vector<int> x;      // left of each column in content pixels
  std::vector<int> width;  // width of each column, 0 when hidden
};

int EffectiveGutterWidth(TGutterKind kind, int gutterWidth);
// Fills x and width from the columns' widths and visibility; returns the content width.
int LayoutColumns(GridGeometry& g, const std::vector<int>& widths, const std::vector<bool>& visible);
CellEdges CellRect(const GridGeometry& g, int col, int row);
// Column under client x (visible columns only), -1 outside.
int ColumnAt(const GridGeometry& g, int px);
// Row under client y in the data area, -1 outside or at/after rowCount.
int RowAt(const GridGeometry& g, int py, int rowCount);
// Visible column whose right border line lies within one pixel of client x, -1 if none.
int ColumnBorderAt(const GridGeometry& g, int px);

// Stretches or shrinks the adjustable columns one pixel at a time, in turn, until their sum equals
// available; `skip` (a column index or -1) is never touched.
void FitWidthsTo(std::vector<int>& widths, const std::vector<bool>& adjustable, int available, int skip);
// The least total width FitWidthsTo can reach (hidden columns given as width 0).
int NarrowestFit(const std::vector<int>& widths, const std::vector<bool>& adjustable);
int AutoColumnWidth(int defColWidth, int widestText);
// Largest scroll offset; the vertical one is rounded up to whole rows when step > 0.
int ScrollRange(int content, int client, int step);

// Clipboard text: rows of fields joined by tabs, each line ended by CR LF.
QString JoinClipboardText(const std::vector<QStringList>& rows);
// Lines split at tabs, every line padded to the widest; the empty tail after a final line break
// is not a line.
std::vector<QStringList> SplitClipboardText(const QString& text);

struct CellWrite {
  int col = 0;
  int row = 0;
  QString text;
  bool operator==(const CellWrite&) const = default;
};

// Paste of `block` with a single current cell: line i to row startRow + i, fields to the visible
// columns from startCol rightwards; anything beyond the grid is dropped.
std::vector<CellWrite> PlaceBlock(const std::vector<QStringList>& block, const std::vector<int>& visibleCols,
                                  int startCol, int startRow, int rowCount);
// The block repeated over an area (inclusive cells), in phase with the cell `origin`: row k takes
// line (k - origin.y) mod lines, the visible columns take the fields in turn the same way, starting
// over when they run out. A paste uses the area's top-left as origin.
std::vector<CellWrite> TileBlock(const std::vector<QStringList>& block, const std::vector<int>& visibleCols,
                                 const QRect& area, QPoint origin);

// Next (forward) or previous cell of a selection, row by row down a column, then the next visible
// column, wrapping around.
QPoint StepInSelection(const QRect& sel, const std::vector<int>& visibleCols, QPoint current, bool forward);

}  // namespace tevra
