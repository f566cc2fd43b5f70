// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/eclipse-gen/constellation.h"

#include "timing/time_text.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace tevra::eclipsegen {
namespace {

constexpr double RadPerArcsec = std::numbers::pi / (180.0 * 3600.0);

// "h:mm:ss" or "[-]d:mm" to hours or degrees; nullopt unless every part is a number.
std::optional<double> Sexagesimal(const std::string& text) {
  const bool negative = text.starts_with("-");
  double value = 0;
  double unit = 1;
  std::istringstream parts(negative ? text.substr(1) : text);
  std::string part;
  int count = 0;
  while (std::getline(parts, part, ':')) {
    const std::optional<int64_t> number = ParseInteger(part);
    if (!number || *number < 0 || (count > 0 && *number >= 60) || count == 3) {
      return std::nullopt;
    }
    value += static_cast<double>(*number) / unit;
    unit *= 60;
    ++count;
  }
  if (count < 2) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::runtime_error LineError(const std::string& path, int lineNumber, const std::string& what,
                             const std::string& line) {
  std::string message = path;
  message += ':';
  message += std::to_string(lineNumber);
  message += ": ";
  message += what;
  message += " \"";
  message += line;
  message += '"';
  return std::runtime_error(message);
}

}  // namespace

std::vector<BoundarySpan> LoadBoundaryTable(const std::string& path) {
  std::ifstream file(path);
  if (!file) {
    throw std::runtime_error("cannot read the constellation boundary table " + path);
  }
  std::vector<BoundarySpan> table;
  std::string line;
  int lineNumber = 0;
  while (std::getline(file, line)) {
    ++lineNumber;
    std::istringstream fields(line);
    std::string raLow;
    std::string raHigh;
    std::string decLow;
    std::string name;
    std::string extra;
    if (!(fields >> raLow)) {
      continue;  // blank line
    }
    if (!(fields >> raHigh >> decLow >> name) || (fields >> extra)) {
      throw LineError(path, lineNumber, "expected \"h:mm:ss h:mm:ss d:mm Abbr\", found", line);
    }
    const auto ra1 = Sexagesimal(raLow);
    const auto ra2 = Sexagesimal(raHigh);
    const auto dec = Sexagesimal(decLow);
    if (!ra1 || !ra2 || !dec || *ra1 >= *ra2 || *ra2 > 24 || std::abs(*dec) > 90 || name.size() != 3) {
      throw LineError(path, lineNumber, "not a boundary span:", line);
    }
    if (!table.empty() && *dec > table.back().decLowDegrees) {
      throw LineError(path, lineNumber, "spans are not in order of decreasing declination:", line);
    }
    table.push_back({*ra1, *ra2, *dec, name});
  }
  if (table.empty()) {
    throw std::runtime_error(path + ": no boundary spans");
  }
  return table;
}

void Precess(double& ra, double& dec, double fromJd, double toJd) {
  const double T = (fromJd - 2451545.0) / 36525;
  const double t = (toJd - fromJd) / 36525;
  const double linear = 2306.2181 + 1.39656 * T - 0.000139 * T * T;
  const double zeta = (linear * t + (0.30188 - 0.000344 * T) * t * t + 0.017998 * t * t * t) * RadPerArcsec;
  const double z = (linear * t + (1.09468 + 0.000066 * T) * t * t + 0.018203 * t * t * t) * RadPerArcsec;
  const double theta = ((2004.3109 - 0.85330 * T - 0.000217 * T * T) * t - (0.42665 + 0.000217 * T) * t * t -
                        0.041833 * t * t * t) *
                       RadPerArcsec;
  const double a = std::cos(dec) * std::sin(ra + zeta);
  const double b = std::cos(theta) * std::cos(dec) * std::cos(ra + zeta) - std::sin(theta) * std::sin(dec);
  const double c = std::sin(theta) * std::cos(dec) * std::cos(ra + zeta) + std::cos(theta) * std::sin(dec);
  ra = std::atan2(a, b) + z;
  ra = std::fmod(ra, 2 * std::numbers::pi);
  if (ra < 0) {
    ra += 2 * std::numbers::pi;
  }
  dec = std::asin(c);
}

std::string ConstellationOf(const std::vector<BoundarySpan>& table, double ra1875, double dec1875) {
  const double raHours = ra1875 * 12 / std::numbers::pi;
  const double decDegrees = dec1875 * 180 / std::numbers::pi;
  for (const BoundarySpan& span : table) {
    if (decDegrees >= span.decLowDegrees && raHours >= span.raLowHours && raHours < span.raHighHours) {
      return span.constellation;
    }
  }
  throw std::runtime_error("no constellation contains RA " + FixedStr(raHours, 4) + " h, Dec " +
                           FixedStr(decDegrees, 4) + " deg");
}

}  // namespace tevra::eclipsegen
