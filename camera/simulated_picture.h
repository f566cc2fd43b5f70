// SPDX-License-Identifier: GPL-3.0-or-later
// The picture file the simulated body delivers.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tevra {

std::span<const uint8_t> SimulatedPictureJpeg();

}  // namespace tevra
