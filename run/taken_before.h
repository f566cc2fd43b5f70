// SPDX-License-Identifier: GPL-3.0-or-later
// What earlier runs of the same table took. A start run begun again after a crash, a kill or a
// power cut finds the run logs of the night in the log folder and passes over the pictures they
// logged as taken, instead of taking every entry of the last minute again.
#pragma once

#include "exposure/exposure_table.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tevra {

// Runs logged up to this long before a start run count.
constexpr double TakenBeforeHours = 12.0;

// A hash of the table's cells that tells two tables apart, as hex digits.
std::string TableContentHash(const ExposureRows& rows);

// The pictures released per row (index from 0) by the runs logged in folder ("run-*.csv") whose
// table line is tableLine, counting the releases logged in the 12 hours up to nowJD (run clock).
// Pictures of simulation mode, failed releases, those after Advance Time and unreadable logs count
// for nothing; test runs and rehearsals write no table line.
std::map<size_t, int> PicturesTakenBefore(const std::string& folder, const std::string& tableLine,
                                          double nowJD);

// The first count marked shutter columns of row as bits (bit j: column j): the pictures of a row
// an earlier run took, as the run takes a row's pictures in column order.
uint32_t FirstMarkedColumns(const ExposureRow& row, int count);

}  // namespace tevra
