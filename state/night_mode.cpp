// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/night_mode.h"

#include <algorithm>
#include <cstdlib>

namespace tevra {

NightView Night;

namespace {

// A day colour this far from grey marks something (a warning, a loop row, a selection); by
// night it keeps a dark red ground so that the mark is still seen.
constexpr int MarkingSaturation = 48;

uint8_t Level(int brightness, int percent) {
  return static_cast<uint8_t>(std::clamp(brightness * percent / 100, 0, 255));
}

}  // namespace

int NearestNightBrightness(int percent) {
  int nearest = NightBrightnessLevels[0];
  for (const int level : NightBrightnessLevels) {
    if (std::abs(level - percent) < std::abs(nearest - percent)) {
      nearest = level;
    }
  }
  return nearest;
}

Rgb NightShade(Paint paint, int brightness, bool marked) {
  switch (paint) {
    case Paint::Text:
      return {Level(brightness, 100), 0, 0};
    case Paint::DimText:
      return {Level(brightness, 45), 0, 0};
    case Paint::Line:
      return {Level(brightness, 50), 0, 0};
    case Paint::Background:
      return {marked ? Level(brightness, 30) : uint8_t{0}, 0, 0};
  }
  return {};
}

Rgb ShownColour(Rgb day, Paint paint, const NightView& view) {
  if (!view.on) {
    return day;
  }
  const int saturation = std::max({day.r, day.g, day.b}) - std::min({day.r, day.g, day.b});
  return NightShade(paint, std::clamp(view.brightness, 0, 100) * 255 / 100, saturation >= MarkingSaturation);
}

Rgb ShownColour(Rgb day, Paint paint) { return ShownColour(day, paint, Night); }

NightRuleResult NightRuleViolations(const PixelImage& image, int margin) {
  NightRuleResult result;
  for (int y = 0; y < image.height; ++y) {
    const uint32_t* row = image.pixels + static_cast<ptrdiff_t>(y) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      const uint32_t pixel = row[x];
      if (KeepsNightRule(static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                         static_cast<int>(pixel & 0xFF), margin)) {
        continue;
      }
      if (result.violations++ == 0) {
        result.firstX = x;
        result.firstY = y;
        result.firstPixel = pixel;
      }
    }
  }
  return result;
}

}  // namespace tevra
