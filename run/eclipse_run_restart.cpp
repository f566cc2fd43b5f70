// SPDX-License-Identifier: GPL-3.0-or-later
// A start run begun again the same night: the entries earlier runs of the table took are passed
// over unless the user wants them again.
#include "run/eclipse_run.h"
#include "run/taken_before.h"

#include <algorithm>
#include <vector>

namespace tevra {

std::string EclipseRun::TableLine() const {
  return RunLogTableLine(table_.name, TableContentHash(table_.rows));
}

void EclipseRun::AskAboutTakenRows() {
  const std::string folder = LogFolder();
  if (kind_ != RunKind::Start || folder.empty()) {
    return;
  }
  std::vector<size_t> full;
  for (const auto& [index, pictures] : PicturesTakenBefore(folder, TableLine(), Now())) {
    if (index >= table_.rows.size() || RowKindOf(table_.rows[index]) != RowKind::Exposure) {
      continue;
    }
    takenBefore_[index] = pictures;
    if (pictures >= MarkCount(table_.rows[index])) {
      full.push_back(index);
    }
  }
  if (full.empty()) {
    return;
  }
  const auto due = [this](size_t i) { return RowTarget(table_.rows[i], RowKind::Exposure); };
  const auto [first, last] =
      std::minmax_element(full.begin(), full.end(), [&due](size_t a, size_t b) { return due(a) < due(b); });
  if (sink_.RetakeRows(RetakeQuestion(full.size(), due(*first), due(*last)))) {
    std::fill(takenBefore_.begin(), takenBefore_.end(), 0);
    return;
  }
  for (const size_t i : full) {
    skipped_[i] = LeftOut::TakenBefore;
  }
}

}  // namespace tevra
