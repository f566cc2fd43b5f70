// SPDX-License-Identifier: GPL-3.0-or-later
// Night mode: the whole program in dim red on black, so that the observer's eyes stay adapted
// to the dark. Every colour a window chooses itself passes through ShownColour, which gives it
// unchanged by day and as a shade of red by night; the shell sets the toolkit's own colours to
// the same shades. NightRuleViolations checks a rendered picture against the rule the mode keeps.
#pragma once

#include "timing/countdown.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tevra {

struct NightView {
  bool on = false;
  int brightness = 60;  // percent of the brightest red, NightBrightnessLevels
};

// The view in force; the main window sets it from Tevra.ini and its View menu.
extern NightView Night;

// The levels the View menu offers; a stored value is taken to the nearest.
constexpr int NightBrightnessLevels[] = {20, 40, 60, 80, 100};
int NearestNightBrightness(int percent);

// What a colour paints; by night this, not the day colour's hue, decides the shade.
enum class Paint {
  Text,        // text and symbols: the full night red
  DimText,     // text of lesser weight (a contact passed, a disabled control)
  Background,  // a window's or a cell's ground: black, or a dark red where the day colour marks it
  Line,        // frames and grid lines
};

// The colour to paint: day unchanged while night mode is off.
Rgb ShownColour(Rgb day, Paint paint);
Rgb ShownColour(Rgb day, Paint paint, const NightView& view);

// The red the night view gives a paint at a brightness (0..255 in r, g and b 0).
Rgb NightShade(Paint paint, int brightness, bool marked = false);

// Whether a pixel keeps the night rule: neither green nor blue above a third of the red plus
// the margin.
constexpr int NightRuleMargin = 8;
constexpr bool KeepsNightRule(int r, int g, int b, int margin = NightRuleMargin) {
  return 3 * g <= r + 3 * margin && 3 * b <= r + 3 * margin;
}

// A picture as rows of 0xAARRGGBB pixels; stride is in pixels.
struct PixelImage {
  const uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

struct NightRuleResult {
  size_t violations = 0;
  int firstX = -1;  // the first pixel that breaks the rule, for the report
  int firstY = -1;
  uint32_t firstPixel = 0;
};
NightRuleResult NightRuleViolations(const PixelImage& image, int margin = NightRuleMargin);

}  // namespace tevra
