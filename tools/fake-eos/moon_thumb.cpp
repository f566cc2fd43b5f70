// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fake-eos/moon_thumb.h"

#include "camera/simulated_moon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace tevra {

std::vector<uint8_t> MoonThumbJpeg(int level) {
  const std::vector<uint8_t> pgm = SimulatedMoonPgm(level, MoonThumbWidth, MoonThumbHeight);
  const QImage image = QImage::fromData(pgm.data(), static_cast<int>(pgm.size()), "PGM");
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "JPG", 90)) {
    return {};
  }
  return {jpeg.begin(), jpeg.end()};
}

}  // namespace tevra
