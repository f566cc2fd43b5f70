// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/table_rows.h"

#include "timing/text_util.h"

#include <algorithm>

namespace tevra {

RowKind RowKindOf(const ExposureRow& row) {
  const std::string_view label = Trim(row[ColumnLabel]);
  if (label.empty()) {
    return RowKind::Skipped;
  }
  if (SameIgnoringCase(Trim(row[ColumnKind]), "WAV")) {
    return RowKind::Announcement;
  }
  return SameIgnoringCase(label.substr(0, 4), "Loop") ? RowKind::Loop : RowKind::Exposure;
}

std::string_view RowTimeText(const ExposureRow& row, RowKind kind) {
  const std::string& cell = row[ColumnDateTime];
  return kind == RowKind::Exposure ? Trim(cell) : std::string_view(cell);
}

bool IsMarked(const ExposureRow& row, int column) {
  return SameIgnoringCase(Trim(row[static_cast<size_t>(column)]), "X");
}

int MarkCount(const ExposureRow& row) {
  int marks = 0;
  for (int j = FirstShutterColumn; j <= LastShutterColumn; ++j) {
    marks += IsMarked(row, j) ? 1 : 0;
  }
  return marks;
}

std::string ShutterNameOfTitle(std::string_view title) {
  std::string name(title);
  std::erase(name, ';');
  return name;
}

}  // namespace tevra
