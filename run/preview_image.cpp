// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/preview_image.h"

#include <cctype>

namespace tevra {

namespace {

// Reads the next number of a PGM header, passing over white space and "#" comments.
std::optional<int> HeaderNumber(std::span<const uint8_t> bytes, size_t& at) {
  while (at < bytes.size()) {
    if (bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') {
        ++at;
      }
    } else if (std::isspace(bytes[at]) != 0) {
      ++at;
    } else {
      break;
    }
  }
  int value = 0;
  size_t digits = 0;
  while (at < bytes.size() && std::isdigit(bytes[at]) != 0 && digits < 6) {
    value = value * 10 + (bytes[at] - '0');
    ++at;
    ++digits;
  }
  if (digits == 0) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<PreviewImage> DecodePgmPreview(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '5') {
    return std::nullopt;
  }
  size_t at = 2;
  const std::optional<int> width = HeaderNumber(bytes, at);
  const std::optional<int> height = HeaderNumber(bytes, at);
  const std::optional<int> maxLevel = HeaderNumber(bytes, at);
  if (!width || !height || !maxLevel || *width <= 0 || *height <= 0 || *maxLevel <= 0 || *maxLevel > 255 ||
      at >= bytes.size() || std::isspace(bytes[at]) == 0) {
    return std::nullopt;
  }
  ++at;  // the one white-space byte before the pixels
  const size_t pixels = static_cast<size_t>(*width) * static_cast<size_t>(*height);
  if (bytes.size() - at < pixels) {
    return std::nullopt;
  }
  PreviewImage image{*width, *height, {}};
  image.luminance.reserve(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    image.luminance.push_back(static_cast<uint8_t>(bytes[at + i] * 255 / *maxLevel));
  }
  return image;
}

}  // namespace tevra
