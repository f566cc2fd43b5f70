// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/qt_preview_decoder.h"

#include <QImage>

#include <cstring>
#include <limits>

namespace tevra {

std::optional<PreviewImage> DecodePreview(std::span<const uint8_t> bytes, int maxSide) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
  if (image.isNull()) {
    return std::nullopt;
  }
  if (image.width() > maxSide || image.height() > maxSide) {
    image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  image = image.convertToFormat(QImage::Format_Grayscale8);
  PreviewImage preview{image.width(), image.height(), {}};
  preview.luminance.resize(static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(preview.luminance.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width()),
                image.constScanLine(y), static_cast<size_t>(image.width()));
  }
  return preview;
}

}  // namespace tevra
