// SPDX-License-Identifier: GPL-3.0-or-later
// What a row of an exposure table asks for: its kind, the time the run reads from it and its
// marked shutter columns. The run, the plan check and the windows read rows through these.
#pragma once

#include "exposure/exposure_table.h"

#include <string>
#include <string_view>

namespace tevra {

enum class RowKind {
  Skipped,       // empty label: the row is passed over, its marks included
  Announcement,  // "WAV" in column 0: a banner, nothing for the camera
  Loop,          // label beginning with "Loop": pictures again and again until the row's time
  Exposure,      // pictures at the row's time
};

RowKind RowKindOf(const ExposureRow& row);

// The text the start run reads the row's time from: column 2 trimmed for exposure entries, as it
// stands for loop and announcement entries.
std::string_view RowTimeText(const ExposureRow& row, RowKind kind);

// True when the shutter column holds an "x".
bool IsMarked(const ExposureRow& row, int column);

// The marked shutter columns of a row: the pictures it asks for.
int MarkCount(const ExposureRow& row);

// The shutter name of a column title: the title without its ";".
std::string ShutterNameOfTitle(std::string_view title);

}  // namespace tevra
