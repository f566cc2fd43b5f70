// SPDX-License-Identifier: GPL-3.0-or-later
// What the observer reads off a picture's preview during the run: its luminance histogram, the
// share of clipped pixels and the Moon's median level.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tevra {

// Levels from this one up count as clipped: a JPEG's highlights end a little below 255.
constexpr int ClippedLevel = 250;

struct PreviewFigures {
  std::array<uint32_t, 256> histogram{};
  double clippedShare = 0;        // of all pixels, 0..1
  std::optional<int> moonMedian;  // empty when no Moon stands out of the sky
};

// From the 8-bit luminance of every pixel. The Moon is told from the sky by Otsu's threshold; it is
// found when the two differ by at least a few levels.
PreviewFigures MeasurePreview(std::span<const uint8_t> luminance);

// "Moon 118, clipped 0.3 %" or "no Moon found, clipped 0.0 %".
std::string PreviewFiguresText(const PreviewFigures& figures);

}  // namespace tevra
