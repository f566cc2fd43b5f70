// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/observing_site.h"

#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tevra {
namespace {

size_t CharacterCount(std::string_view text) {
  return static_cast<size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Hemisphere(double value, const char* positive, const char* negative, int decimals) {
  return FixedStr(std::fabs(value), decimals) + DegreeSign + " " + (value < 0 ? negative : positive);
}

}  // namespace

std::string SiteProblem(const ObservingSite& site) {
  if (!std::isfinite(site.latitude) || site.latitude < -90 || site.latitude > 90) {
    return "the latitude must lie between -90 and 90 degrees (north positive)";
  }
  if (!std::isfinite(site.longitude) || site.longitude < -180 || site.longitude > 180) {
    return "the longitude must lie between -180 and 180 degrees (east positive)";
  }
  if (!std::isfinite(site.height) || site.height < MinSiteHeight || site.height > MaxSiteHeight) {
    return "the height must lie between -500 and 9000 metres";
  }
  if (CharacterCount(site.name) > MaxSiteNameLength) {
    return "the name may have at most 40 characters";
  }
  if (HasControlCharacter(site.name)) {
    return "the name may not hold control characters";
  }
  return {};
}

std::optional<ObservingSite> ParseSiteCoordinates(std::string_view text, std::string& error) {
  std::array<std::optional<double>, 3> values;
  size_t count = 0;
  while (true) {
    const size_t comma = text.find(',');
    if (count == values.size()) {
      error = "expected LAT,LON or LAT,LON,HEIGHT";
      return std::nullopt;
    }
    values[count++] = ParseDecimal(text.substr(0, comma));
    if (comma == std::string_view::npos) {
      break;
    }
    text.remove_prefix(comma + 1);
  }
  if (count < 2 || std::any_of(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count),
                               [](const std::optional<double>& v) { return !v; })) {
    error = "expected LAT,LON or LAT,LON,HEIGHT (degrees north and east, metres)";
    return std::nullopt;
  }
  ObservingSite site;
  site.latitude = *values[0];
  site.longitude = *values[1];
  site.height = count == 3 ? *values[2] : 0;
  error = SiteProblem(site);
  if (!error.empty()) {
    return std::nullopt;
  }
  return site;
}

std::string SiteDescription(const ObservingSite& site) {
  std::string text = site.name.empty() ? std::string() : site.name + ": ";
  return text + Hemisphere(site.latitude, "N", "S", 4) + ", " + Hemisphere(site.longitude, "E", "W", 4) +
         ", " + FixedStr(site.height, 0) + " m";
}

}  // namespace tevra
