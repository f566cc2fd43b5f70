// SPDX-License-Identifier: GPL-3.0-or-later
// The tables the run benchmarks serve: rows a few seconds apart on the computer's clock.
#pragma once

#include "exposure/exposure_table.h"
#include "run/eclipse_run.h"
#include "run/run_texts.h"
#include "timing/time_text.h"

#include <chrono>
#include <cmath>
#include <string>

namespace tevra::bench {

constexpr double UnixEpochJD = 2440587.5;

// Milliseconds since 1970 on the computer's clock, which the run clock reads too.
inline double UnixMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// rows rows spacingSeconds apart from two seconds after the next whole second (firstDueMs, Unix
// ms), one picture each, in the shutter column shutterColumn(i) gives row i.
template <typename ShutterColumn>
RunTable RowsApart(const RunClock& clock, int rows, double spacingSeconds, double& firstDueMs,
                   ShutterColumn shutterColumn) {
  firstDueMs = (std::ceil(UnixMs() / 1000.0) + 2) * 1000.0;
  const double first = UnixEpochJD + firstDueMs / MsPerDay + clock.UtcOffsetHours() / 24.0;
  ExposureRows table;
  for (int i = 0; i < rows; ++i) {
    ExposureRow row;
    row[ColumnLabel] = "Row " + std::to_string(i + 1);
    row[ColumnDateTime] = WannText("", first + i * spacingSeconds / 86400.0);
    row[ColumnQuality] = "JPGLarFin";
    row[ColumnIso] = "400";
    row[ColumnAperture] = "f/5.6";
    row[static_cast<size_t>(shutterColumn(i))] = "x";
    table.push_back(row);
  }
  return MakeRunTable(table, ExposureColumnTitles(""), table.size());
}

template <typename ShutterColumn>
RunTable RowsEverySecond(const RunClock& clock, int rows, double& firstDueMs, ShutterColumn shutterColumn) {
  return RowsApart(clock, rows, 1.0, firstDueMs, shutterColumn);
}

}  // namespace tevra::bench
