// SPDX-License-Identifier: GPL-3.0-or-later
// The Moon as the simulated body photographs it: its level in the picture follows the exposure
// given (ISO, aperture, shutter time) and the Moon's brightness index Q at that moment, so that a
// rehearsal's histograms and exposure bias mean something.
#pragma once

#include <cstdint>
#include <vector>

namespace tevra {

// The level of a well exposed Moon: the exposure N^2 / (ISO x 2^Q) puts it a little below the middle.
constexpr int WellExposedMoonLevel = 118;
// The brightness index of the full Moon outside an eclipse, as the exposure generator models it.
constexpr double FullMoonQ = 8;
// The dark sky around it.
constexpr uint8_t SkyLevel = 6;

// The Moon's level, 0..255, for an exposure of seconds at ISO iso and f-number fNumber, with the
// tone curve of a camera JPEG (gamma 2.2): one stop more gives 2^(1/2.2) times the level.
int SimulatedMoonLevel(double q, double iso, double fNumber, double seconds);

// The same for an exposure given as the body's codes of the name tables (camera/setting_names.h).
// A shutter without a time (Bulb) exposes for a second, as the simulated body takes it; ISO "AUTO"
// has no speed and gives the sky's level; no aperture (a telescope) counts as f/8.
int SimulatedMoonLevelOfCodes(double q, uint32_t isoCode, uint32_t apertureCode, uint32_t shutterCode);

// An 8-bit grey picture (binary PGM) of the Moon's disc at that level on the sky.
std::vector<uint8_t> SimulatedMoonPgm(int level, int width = 160, int height = 120);

}  // namespace tevra
