// SPDX-License-Identifier: GPL-3.0-or-later
// A picture's preview as the run passes it to the page and to `tevra-cli run --previews`: its
// luminance, its figures and where it came from.
#pragma once

#include "run/preview_figures.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tevra {

// 8-bit luminance, row by row from the top.
struct PreviewImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> luminance;
};

// A binary PGM (P5, levels up to 255), the simulated body's preview; nullopt for anything else.
std::optional<PreviewImage> DecodePgmPreview(std::span<const uint8_t> bytes);

// Turns the bytes a body gives as a preview (JPEG, PGM) into luminance; nullopt when it cannot.
using PreviewDecoder = std::function<std::optional<PreviewImage>(std::span<const uint8_t>)>;

// One preview shown during the run.
struct PreviewShot {
  size_t row = 0;        // grid row counted from 1
  std::string label;     // the row's label, trimmed
  std::string settings;  // the settings it was taken with: "ISO 800  f/8  1/125"
  int biasThirds = 0;    // the exposure bias the row was taken with
  PreviewImage image;
  PreviewFigures figures;
  std::string savedPath;  // where the preview was saved, "" when it was not
};

}  // namespace tevra
