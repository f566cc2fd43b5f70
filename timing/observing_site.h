// SPDX-License-Identifier: GPL-3.0-or-later
// The observer's place on the Earth, as the user gives it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tevra {

// The degree sign in UTF-8.
constexpr const char* DegreeSign = "\xC2\xB0";

struct ObservingSite {
  std::string name;      // free text, may be empty
  double latitude = 0;   // degrees, north positive
  double longitude = 0;  // degrees, east positive
  double height = 0;     // metres above sea level
};

constexpr double MinSiteHeight = -500;
constexpr double MaxSiteHeight = 9000;
constexpr size_t MaxSiteNameLength = 40;  // characters

// What is wrong with a site (latitude outside -90..90, longitude outside -180..180, height outside
// -500..9000 m, a name too long or holding control characters); "" when it is sound.
std::string SiteProblem(const ObservingSite& site);

// Reads "LAT,LON[,HEIGHT]" (degrees, degrees, metres; "." as decimal point). Empty with error set
// when the text is not of that form or the site is not sound.
std::optional<ObservingSite> ParseSiteCoordinates(std::string_view text, std::string& error);

// "48.1372° N, 11.5755° E, 520 m", after the name and ": " when the site has one.
std::string SiteDescription(const ObservingSite& site);

}  // namespace tevra
