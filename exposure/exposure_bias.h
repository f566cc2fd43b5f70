// SPDX-License-Identifier: GPL-3.0-or-later
// An exposure bias during the run: the rows still to come are exposed more or less by moving their
// marked shutter columns, and the ISO speed where the shutter columns run out.
#pragma once

#include "exposure/exposure_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace tevra {

// The bias the observer can set, in thirds of a stop: -3 to +3 EV.
constexpr int MaxBiasThirds = 9;

struct BiasedRow {
  ExposureRow row;
  int appliedThirds = 0;  // what the row got; less than asked where shutter and ISO ran out
};

// The row with its exposure moved by thirds of a stop (positive: brighter). Whole stops move every
// marked shutter column by as many columns as all of them can go, so that each picture of the row
// gets the same bias; the rest, and the thirds, go to the ISO speed when the row names one of the
// camera's ISO speeds. Rows without a picture (announcements, skipped rows) stay as they are.
BiasedRow WithExposureBias(const ExposureRow& row, int thirds);

// "+1 EV", "-2/3 EV", "+1 1/3 EV", "0 EV".
std::string BiasText(int thirds);

// A bias typed by the user, in thirds: "1", "-0.67", "+1.33", "-2/3", "1 1/3", BiasText's own texts
// ("EV" may follow). nullopt, with why set, for anything else, for what is not a whole number of
// thirds and for more than MaxBiasThirds.
std::optional<int> ReadBiasThirds(std::string_view text, std::string& why);

}  // namespace tevra
