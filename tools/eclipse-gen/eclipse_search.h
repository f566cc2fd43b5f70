// SPDX-License-Identifier: GPL-3.0-or-later
// Lunar eclipses computed from the Swiss Ephemeris with the catalogue's own shadow model:
// Chauvenet's shadow enlarged by 1/50, the Moon's distance from the shadow axis taken as the sine
// of the angular separation. All instants are JD in dynamical time (TT).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tevra::eclipsegen {

// Opens the ephemeris files in dir; throws when the Sun or the Moon cannot be computed from them
// (the library would otherwise fall back silently to its less accurate analytic theory).
void OpenEphemeris(const std::string& dir);
void CloseEphemeris();

// The shadow and the Moon at one instant. Angles in arc-seconds, the Moon's position in radians.
struct ShadowGeometry {
  double jd = 0;
  double axisDistance = 0;  // sine of the separation of the Moon's centre from the antisolar point
  bool moonNorth = false;   // the Moon's centre north of the shadow axis
  double moonParallax = 0;
  double moonSemiDiameter = 0;
  double penumbraRadius = 0;
  double umbraRadius = 0;
  double moonRa = 0;   // apparent, equinox of date
  double moonDec = 0;  // apparent, equinox of date
};

ShadowGeometry GeometryAt(double jd);

// Lunation numbering of the catalogue: lunation 12 is the full moon of 2001 January.
constexpr double LunationEpoch = 2451550.09766;
constexpr double SynodicMonth = 29.530588861;
int32_t LunationOf(double jd);

// Greatest eclipse (least axis distance) near the full moon of a lunation.
ShadowGeometry GreatestNearFullMoon(int32_t lunation);

// Penumbral magnitude > 0 at greatest eclipse: an eclipse of any kind.
bool IsEclipse(const ShadowGeometry& greatest);
double PenumbralMagnitude(const ShadowGeometry& g);
double UmbralMagnitude(const ShadowGeometry& g);

// The eclipse of a lunation, unrounded.
struct EclipseEvent {
  int32_t lunation = 0;
  ShadowGeometry greatest;
  double penMagnitude = 0;
  double umbMagnitude = 0;
  // Contact instants (JD TT); nullopt when the Moon never reaches that circle.
  std::optional<double> p1, p2, p3, p4, u1, u2, u3, u4;
};

EclipseEvent ComputeEvent(int32_t lunation);

// Saros series of a lunation (one inex, 358 lunations, to the next series; one saros, 223
// lunations, within a series), anchored on lunation 12 of series 134.
int32_t SarosOf(int32_t lunation);

// First and last lunation of a saros series, found by walking 223 lunations at a time from one
// known member for as long as an eclipse (penumbral ones included) occurs.
struct SarosSpan {
  int32_t firstLunation = 0;
  int32_t lastLunation = 0;
  int32_t Count() const { return (lastLunation - firstLunation) / 223 + 1; }
  int32_t MemberOf(int32_t lunation) const { return (lunation - firstLunation) / 223 + 1; }
};
SarosSpan WalkSaros(int32_t memberLunation);

// Every eclipse with umbral magnitude > 0 between the two lunations, inclusive, in date order.
std::vector<EclipseEvent> UmbralEclipses(int32_t firstLunation, int32_t lastLunation);

}  // namespace tevra::eclipsegen
