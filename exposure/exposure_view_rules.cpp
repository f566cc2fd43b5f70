// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_view_rules.h"

#include "timing/time_text.h"

namespace tevra {
namespace {

constexpr Rgb Black{0, 0, 0};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb Yellow{255, 255, 0};
constexpr Rgb Silver{192, 192, 192};
constexpr Rgb Grey{128, 128, 128};

}  // namespace

std::optional<Rgb> RowBackgroundOf(std::string_view label) {
  // Later matches override earlier ones, as the keywords were added one by one.
  std::optional<Rgb> background;
  if (label == "maximum partial eclipse") {
    background = Rgb{160, 255, 160};
  }
  if (label == "before partial eclipse" || label == "after partial eclipse") {
    background = Rgb{240, 240, 32};
  }
  if (label == "beginning partial phase" || label == "ending partial phase") {
    background = Rgb{240, 240, 240};
  }
  if (label.starts_with("Loop")) {
    background = Rgb{80, 255, 80};
  }
  if (label.starts_with("C2") || label.starts_with("C3")) {
    background = Rgb{160, 255, 160};
  }
  return background;
}

FRatioGroupLook FRatioGroupLookFor(bool manualFRatio) {
  if (manualFRatio) {
    return {Yellow, Red, Red, Red, Black, false};
  }
  return {Silver, Black, Grey, Grey, Grey, true};
}

std::optional<double> ReadFRatioText(std::string_view text) { return ParseDecimal("0" + std::string(text)); }

bool CellTextBreaksFile(std::string_view text) { return text.find(',') != std::string_view::npos; }

}  // namespace tevra
