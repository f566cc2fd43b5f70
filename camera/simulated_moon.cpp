// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/simulated_moon.h"

#include "camera/setting_names.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace tevra {

int SimulatedMoonLevel(double q, double iso, double fNumber, double seconds) {
  if (fNumber <= 0 || seconds <= 0 || iso <= 0) {
    return SkyLevel;
  }
  const double ratio = seconds * iso * std::pow(2.0, q) / (fNumber * fNumber);
  const double level = WellExposedMoonLevel * std::pow(ratio, 1 / 2.2);
  return static_cast<int>(std::lround(std::clamp(level, static_cast<double>(SkyLevel), 255.0)));
}

int SimulatedMoonLevelOfCodes(double q, uint32_t isoCode, uint32_t apertureCode, uint32_t shutterCode) {
  const std::optional<double> iso = IsoSpeed(SettingNameByCode(KindIso, isoCode));
  const std::optional<double> fNumber = ApertureFNumber(SettingNameByCode(KindAperture, apertureCode));
  const std::optional<double> seconds = ShutterSeconds(SettingNameByCode(KindShutter, shutterCode));
  // A telescope reports no aperture: take the focal ratio the exposure generator assumes.
  constexpr double UnknownFNumber = 8;
  return SimulatedMoonLevel(q, iso.value_or(0), fNumber.value_or(UnknownFNumber), seconds.value_or(1.0));
}

std::vector<uint8_t> SimulatedMoonPgm(int level, int width, int height) {
  const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<uint8_t> picture(header.begin(), header.end());
  picture.reserve(picture.size() + static_cast<size_t>(width) * static_cast<size_t>(height));
  const double radius = 0.35 * std::min(width, height);
  const auto moon = static_cast<uint8_t>(std::clamp(level, 0, 255));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = x + 0.5 - width / 2.0;
      const double dy = y + 0.5 - height / 2.0;
      picture.push_back(dx * dx + dy * dy <= radius * radius ? moon : SkyLevel);
    }
  }
  return picture;
}

}  // namespace tevra
