// SPDX-License-Identifier: GPL-3.0-or-later
// Previews decoded through Qt's image readers: the JPEG a real body gives, and the PGM of the
// simulated one.
#pragma once

#include "run/preview_image.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tevra {

// The preview's luminance, scaled down so that its longer side is at most maxSide pixels (the
// page and the figures need no more); nullopt when Qt cannot read the bytes.
std::optional<PreviewImage> DecodePreview(std::span<const uint8_t> bytes, int maxSide = 640);

}  // namespace tevra
