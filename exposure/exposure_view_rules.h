// SPDX-License-Identifier: GPL-3.0-or-later
// What the exposure window shows, decided apart from the toolkit: row colours, the f-ratio
// group's colours and the reading of the typed f-ratio.
#pragma once

#include "timing/countdown.h"

#include <optional>
#include <string>
#include <string_view>

namespace tevra {

// Background of a row by its label (cell 1, untrimmed); empty keeps the grid's own colours.
// The text is always black.
std::optional<Rgb> RowBackgroundOf(std::string_view label);

// Colours of the group "Manual f/Number setting ..." and whether the ISO and aperture defaults
// can be chosen.
struct FRatioGroupLook {
  Rgb background;
  Rgb caption;
  Rgb checkBoxText;
  Rgb labelText;  // Label_fRatio
  Rgb editText;   // Edit_fRatio
  bool defaultsEnabled = true;
};
FRatioGroupLook FRatioGroupLookFor(bool manualFRatio);

// The typed f-ratio: "0" followed by the text read as a number, so ".5" is 0.5 and "" is 0.
// Empty when it is no number.
std::optional<double> ReadFRatioText(std::string_view text);

constexpr const char* FRatioNotNumericCaption = "Given f/Number is not numeric.";
constexpr const char* FRatioNotNumericText = "Enter a numeric f/Number";
constexpr const char* FRatioReplacementText = "11";

// A cell text the table file cannot keep: a "," would shift the cells after it.
bool CellTextBreaksFile(std::string_view text);
constexpr const char* CommaRefusedMessage =
    "A \",\" cannot be stored in a cell: the table file separates its cells by commas.";

}  // namespace tevra
