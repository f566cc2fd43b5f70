// SPDX-License-Identifier: GPL-3.0-or-later
// The constellation of a point of the sky, from the IAU boundary table of Roman (1987): spans of
// constant declination in B1875.0 coordinates, searched in order of decreasing declination.
#pragma once

#include <string>
#include <vector>

namespace tevra::eclipsegen {

constexpr double B1875 = 2405889.25855;  // JD of the Besselian epoch 1875.0

struct BoundarySpan {
  double raLowHours = 0;
  double raHighHours = 0;
  double decLowDegrees = 0;
  std::string constellation;
};

// Reads the table as Debian's stellarium-data ships it: one span a line,
// "h:mm:ss h:mm:ss [-]d:mm Abbr". Throws with the line number on a malformed line or when the
// spans are not in order of decreasing declination.
std::vector<BoundarySpan> LoadBoundaryTable(const std::string& path);

// Precesses a mean position (radians) from the equinox of one epoch to another (both JD), by
// the rigorous IAU 1976 formulae.
void Precess(double& ra, double& dec, double fromJd, double toJd);

// The constellation of a B1875.0 position (radians); throws when no span contains it.
std::string ConstellationOf(const std::vector<BoundarySpan>& table, double ra1875, double dec1875);

}  // namespace tevra::eclipsegen
