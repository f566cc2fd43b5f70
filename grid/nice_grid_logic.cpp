// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/nice_grid_logic.h"

#include <algorithm>

namespace tevra {

std::vector<THeaderInfo> BuildHeaderList(const std::vector<HeaderColumn>& columns, int headerLine) {
  std::vector<THeaderInfo> list;
  if (headerLine <= 0) return list;
  // -1 stands for "nothing to merge with"; unlike a sentinel text it can never match a title.
  std::vector<int> last(static_cast<size_t>(headerLine), -1);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    const HeaderColumn& column = columns[static_cast<size_t>(c)];
    if (!column.visible) {
      std::fill(last.begin(), last.end(), -1);
      continue;
    }
    QStringList levels = column.title.split(QLatin1Char('|'));
    while (levels.size() < headerLine) levels.append(levels.last());
    int above = -1;
    for (int l = 0; l < headerLine; ++l) {
      const QString& t = levels[l];
      int& lastOnLine = last[static_cast<size_t>(l)];
      if (above >= 0 && list[static_cast<size_t>(above)].Str == t) {
        THeaderInfo& cell = list[static_cast<size_t>(above)];
        cell.Bottom = std::min(headerLine - 1, std::max(cell.Bottom, l));
      } else if (lastOnLine >= 0 && list[static_cast<size_t>(lastOnLine)].Str == t) {
        list[static_cast<size_t>(lastOnLine)].Right = c;
        above = lastOnLine;
      } else {
        list.push_back(THeaderInfo{t, c, l, c, l});
        lastOnLine = static_cast<int>(list.size()) - 1;
        above = lastOnLine;
      }
    }
  }
  return list;
}

int EffectiveGutterWidth(TGutterKind kind, int gutterWidth) { return kind == gkNone ? 0 : gutterWidth; }

int LayoutColumns(GridGeometry& g, const std::vector<int>& widths, const std::vector<bool>& visible) {
  g.x.assign(widths.size(), 0);
  g.width.assign(widths.size(), 0);
  int pos = 0;
  for (size_t c = 0; c < widths.size(); ++c) {
    g.x[c] = pos;
    g.width[c] = visible[c] ? widths[c] : 0;
    pos += g.width[c];
  }
  return pos;
}

CellEdges CellRect(const GridGeometry& g, int col, int row) {
  const int x = g.x[static_cast<size_t>(col)];
  const int w = g.width[static_cast<size_t>(col)];
  return {x - 1 + g.gutter - g.scrollX, row * g.rowHeight - 1 + g.header - g.scrollY,
          x + w + g.gutter - g.scrollX, (row + 1) * g.rowHeight + g.header - g.scrollY};
}

int ColumnAt(const GridGeometry& g, int px) {
  const int cx = px - g.gutter + g.scrollX;
  if (px < g.gutter || cx < 0) return -1;
  for (size_t c = 0; c < g.x.size(); ++c) {
    if (g.width[c] > 0 && cx >= g.x[c] && cx < g.x[c] + g.width[c]) return static_cast<int>(c);
  }
  return -1;
}

int RowAt(const GridGeometry& g, int py, int rowCount) {
  const int cy = py - g.header + g.scrollY;
  if (py < g.header || cy < 0 || g.rowHeight <= 0) return -1;
  const int row = cy / g.rowHeight;
  return row < rowCount ? row : -1;
}

int ColumnBorderAt(const GridGeometry& g, int px) {
  for (size_t c = 0; c < g.x.size(); ++c) {
    if (g.width[c] <= 0) continue;
    const int border = g.x[c] + g.width[c] + g.gutter - g.scrollX - 1;
    if (px >= border - 1 && px <= border + 1) return static_cast<int>(c);
  }
  return -1;
}

namespace {
constexpr int MinFitWidth = 5;
}  // namespace

void FitWidthsTo(std::vector<int>& widths, const std::vector<bool>& adjustable, int available, int skip) {
  constexpr int MinWidth = MinFitWidth;
  long sum = 0;
  for (int w : widths) sum += w;
  const auto n = static_cast<int>(widths.size());
  while (sum != available) {
    bool changed = false;
    for (int c = 0; c < n && sum != available; ++c) {
      if (!adjustable[static_cast<size_t>(c)] || c == skip) continue;
      int& w = widths[static_cast<size_t>(c)];
      if (sum < available) {
        ++w;
        ++sum;
        changed = true;
      } else if (w > MinWidth) {
        --w;
        --sum;
        changed = true;
      }
    }
    if (!changed) break;
  }
}

int NarrowestFit(const std::vector<int>& widths, const std::vector<bool>& adjustable) {
  int sum = 0;
  for (size_t c = 0; c < widths.size(); ++c)
    sum += adjustable[c] ? std::min(widths[c], MinFitWidth) : widths[c];
  return sum;
}

int AutoColumnWidth(int defColWidth, int widestText) { return std::max({defColWidth, 20, widestText + 7}); }

int ScrollRange(int content, int client, int step) {
  int range = std::max(0, content - client);
  if (step > 0) range = (range + step - 1) / step * step;
  return range;
}

QString JoinClipboardText(const std::vector<QStringList>& rows) {
  QString text;
  for (const QStringList& fields : rows) {
    text += fields.join(QLatin1Char('\t'));
    text += QLatin1String("\r\n");
  }
  return text;
}

std::vector<QStringList> SplitClipboardText(const QString& text) {
  std::vector<QStringList> lines;
  if (text.isEmpty()) return lines;
  QString normal = text;
  normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList raw = normal.split(QLatin1Char('\n'));
  // A terminated last line (as Copy writes it) must not paste an extra empty line over the next row.
  if (raw.size() > 1 && raw.last().isEmpty()) raw.removeLast();
  qsizetype widest = 0;
  for (const QString& line : raw) {
    lines.push_back(line.split(QLatin1Char('\t')));
    widest = std::max(widest, lines.back().size());
  }
  for (QStringList& fields : lines) {
    while (fields.size() < widest) fields.append(QString());
  }
  return lines;
}

std::vector<CellWrite> PlaceBlock(const std::vector<QStringList>& block, const std::vector<int>& visibleCols,
                                  int startCol, int startRow, int rowCount) {
  std::vector<CellWrite> writes;
  // A hidden start column hands the block on to the next visible one.
  const auto first = std::lower_bound(visibleCols.begin(), visibleCols.end(), startCol);
  if (first == visibleCols.end()) return writes;
  for (size_t i = 0; i < block.size(); ++i) {
    const int row = startRow + static_cast<int>(i);
    if (row >= rowCount) break;
    auto col = first;
    for (const QString& field : block[i]) {
      if (col == visibleCols.end()) break;
      writes.push_back({*col, row, field});
      ++col;
    }
  }
  return writes;
}

std::vector<CellWrite> TileBlock(const std::vector<QStringList>& block, const std::vector<int>& visibleCols,
                                 const QRect& area, QPoint origin) {
  std::vector<CellWrite> writes;
  if (block.empty()) return writes;
  const auto lines = static_cast<int>(block.size());
  // Position of a column among the visible ones (hidden columns take none).
  const auto pos = [&](int col) {
    return static_cast<int>(std::lower_bound(visibleCols.begin(), visibleCols.end(), col) -
                            visibleCols.begin());
  };
  const auto mod = [](int a, int n) { return ((a % n) + n) % n; };
  const int originPos = pos(origin.x());
  for (int row = area.top(); row <= area.bottom(); ++row) {
    const QStringList& line = block[static_cast<size_t>(mod(row - origin.y(), lines))];
    const auto fields = static_cast<int>(line.size());
    if (fields == 0) continue;
    for (int col : visibleCols) {
      if (col < area.left() || col > area.right()) continue;
      writes.push_back({col, row, line[mod(pos(col) - originPos, fields)]});
    }
  }
  return writes;
}

QPoint StepInSelection(const QRect& sel, const std::vector<int>& visibleCols, QPoint current, bool forward) {
  std::vector<QPoint> cells;
  for (int col : visibleCols) {
    if (col < sel.left() || col > sel.right()) continue;
    for (int row = sel.top(); row <= sel.bottom(); ++row) cells.emplace_back(col, row);
  }
  if (cells.empty()) return current;
  const auto it = std::find(cells.begin(), cells.end(), current);
  if (it == cells.end()) return forward ? cells.front() : cells.back();
  const auto n = static_cast<long>(cells.size());
  long i = it - cells.begin();
  i = forward ? (i + 1) % n : (i + n - 1) % n;
  return cells[static_cast<size_t>(i)];
}

}  // namespace tevra
