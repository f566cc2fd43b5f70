// SPDX-License-Identifier: GPL-3.0-or-later
// The thumbnail the fake body keeps with each picture: a small JPEG of the Moon at a level.
#pragma once

#include <cstdint>
#include <vector>

namespace tevra {

constexpr int MoonThumbWidth = 160;
constexpr int MoonThumbHeight = 120;

// The simulated body's Moon (camera/simulated_moon.h) at level 0..255 as a JPEG; empty when Qt's
// JPEG writer is missing.
std::vector<uint8_t> MoonThumbJpeg(int level);

}  // namespace tevra
