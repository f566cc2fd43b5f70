// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/eclipse-gen/eclipse_search.h"

#include <swephexp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>

namespace tevra::eclipsegen {
namespace {

constexpr double EarthRadiusKm = 6378.137;
constexpr double AuKm = 149597870.7;
constexpr double MoonEarthRatio = 0.2725076;
constexpr double SunSemiDiameterAt1Au = 959.63;  // arc-seconds
constexpr double ShadowEnlargement = 1.02;       // Chauvenet's 1/50
constexpr double ParallaxFactor = 0.99834;       // the Earth's flattening at the shadow's edge
constexpr double ArcsecPerRadian = 180.0 * 3600.0 / std::numbers::pi;
constexpr double RadPerDeg = std::numbers::pi / 180.0;

// Apparent geocentric right ascension, declination (degrees) and distance (AU) of date.
std::array<double, 3> Apparent(double jd, int body) {
  std::array<double, 6> xx{};
  std::array<char, AS_MAXCH> error{};
  const int32 flags = SEFLG_SWIEPH | SEFLG_EQUATORIAL;
  const int32 result = swe_calc(jd, body, flags, xx.data(), error.data());
  if (result < 0 || (result & SEFLG_SWIEPH) == 0) {
    // The analytic fallback is several seconds worse in the contacts; refuse it.
    throw std::runtime_error("Swiss Ephemeris files do not cover JD " + std::to_string(jd) + ": " +
                             std::string(error.data()));
  }
  return {xx[0], xx[1], xx[2]};
}

// Newton's method on a smooth function of time with numerical derivatives; returns the root
// nearest the guess.
double SolveNear(const std::function<double(double)>& f, double guess) {
  constexpr double Step = 1e-4;  // days
  double t = guess;
  for (int i = 0; i < 30; ++i) {
    const double value = f(t);
    const double slope = (f(t + Step) - f(t - Step)) / (2 * Step);
    if (slope == 0) {
      break;
    }
    const double delta = std::clamp(-value / slope, -0.1, 0.1);
    t += delta;
    if (std::abs(delta) < 1e-9) {
      break;
    }
  }
  return t;
}

struct Greatest {
  ShadowGeometry geometry;
  double speed = 0;  // arc-seconds per day of the Moon relative to the axis
};

Greatest FindGreatest(double guess) {
  // Minimum of d^2, which is close to a parabola in time near the full moon.
  constexpr double Step = 0.002;  // days
  auto squared = [](double jd) {
    const double d = GeometryAt(jd).axisDistance;
    return d * d;
  };
  double t = guess;
  double curvature = 0;
  for (int i = 0; i < 30; ++i) {
    const double before = squared(t - Step);
    const double at = squared(t);
    const double after = squared(t + Step);
    curvature = (after - 2 * at + before) / (Step * Step);
    const double slope = (after - before) / (2 * Step);
    if (curvature <= 0) {
      throw std::runtime_error("no minimum of the axis distance near JD " + std::to_string(guess));
    }
    const double delta = std::clamp(-slope / curvature, -1.0, 1.0);
    t += delta;
    if (std::abs(delta) < 1e-9) {
      break;
    }
  }
  return {GeometryAt(t), std::sqrt(curvature / 2)};
}

// Instant at which the Moon's centre is at distance radius(g) from the axis, before (sign -1) or
// after (+1) greatest eclipse; nullopt when it never gets that close.
std::optional<double> Contact(const Greatest& greatest,
                              const std::function<double(const ShadowGeometry&)>& radius, int sign) {
  const ShadowGeometry& g = greatest.geometry;
  const double reach = radius(g);
  if (reach <= g.axisDistance) {
    return std::nullopt;
  }
  const double guess =
      g.jd + sign * std::sqrt(reach * reach - g.axisDistance * g.axisDistance) / greatest.speed;
  return SolveNear(
      [&radius](double jd) {
        const ShadowGeometry at = GeometryAt(jd);
        return at.axisDistance - radius(at);
      },
      guess);
}

}  // namespace

void OpenEphemeris(const std::string& dir) {
  swe_set_ephe_path(dir.c_str());
  Apparent(2451545.0, SE_SUN);
  Apparent(2451545.0, SE_MOON);
}

void CloseEphemeris() { swe_close(); }

ShadowGeometry GeometryAt(double jd) {
  const auto sun = Apparent(jd, SE_SUN);
  const auto moon = Apparent(jd, SE_MOON);
  const double axisRa = (sun[0] + 180) * RadPerDeg;
  const double axisDec = -sun[1] * RadPerDeg;
  const double moonRa = moon[0] * RadPerDeg;
  const double moonDec = moon[1] * RadPerDeg;
  // Components of the Moon's direction across the axis: their length is the sine of the
  // separation, the second one points north.
  const double east = std::cos(moonDec) * std::sin(moonRa - axisRa);
  const double north = std::sin(moonDec) * std::cos(axisDec) -
                       std::cos(moonDec) * std::sin(axisDec) * std::cos(moonRa - axisRa);

  ShadowGeometry g;
  g.jd = jd;
  g.axisDistance = std::hypot(east, north) * ArcsecPerRadian;
  g.moonNorth = north > 0;
  const double moonParallax = std::asin(EarthRadiusKm / (moon[2] * AuKm));
  g.moonParallax = moonParallax * ArcsecPerRadian;
  g.moonSemiDiameter = std::asin(MoonEarthRatio * std::sin(moonParallax)) * ArcsecPerRadian;
  const double sunParallax = std::asin(EarthRadiusKm / (sun[2] * AuKm)) * ArcsecPerRadian;
  const double sunSemiDiameter = SunSemiDiameterAt1Au / sun[2];
  g.penumbraRadius = ShadowEnlargement * (ParallaxFactor * g.moonParallax + sunSemiDiameter + sunParallax);
  g.umbraRadius = ShadowEnlargement * (ParallaxFactor * g.moonParallax - sunSemiDiameter + sunParallax);
  g.moonRa = moonRa;
  g.moonDec = moonDec;
  return g;
}

int32_t LunationOf(double jd) {
  return static_cast<int32_t>(std::round((jd - LunationEpoch) / SynodicMonth - 0.5));
}

ShadowGeometry GreatestNearFullMoon(int32_t lunation) {
  return FindGreatest(LunationEpoch + SynodicMonth * (lunation + 0.5)).geometry;
}

double PenumbralMagnitude(const ShadowGeometry& g) {
  return (g.penumbraRadius + g.moonSemiDiameter - g.axisDistance) / (2 * g.moonSemiDiameter);
}

double UmbralMagnitude(const ShadowGeometry& g) {
  return (g.umbraRadius + g.moonSemiDiameter - g.axisDistance) / (2 * g.moonSemiDiameter);
}

bool IsEclipse(const ShadowGeometry& greatest) { return PenumbralMagnitude(greatest) > 0; }

namespace {

EclipseEvent EventFrom(int32_t lunation, const Greatest& greatest) {
  EclipseEvent event;
  event.lunation = lunation;
  event.greatest = greatest.geometry;
  event.penMagnitude = PenumbralMagnitude(greatest.geometry);
  event.umbMagnitude = UmbralMagnitude(greatest.geometry);
  auto penumbraOuter = [](const ShadowGeometry& g) { return g.penumbraRadius + g.moonSemiDiameter; };
  auto penumbraInner = [](const ShadowGeometry& g) { return g.penumbraRadius - g.moonSemiDiameter; };
  auto umbraOuter = [](const ShadowGeometry& g) { return g.umbraRadius + g.moonSemiDiameter; };
  auto umbraInner = [](const ShadowGeometry& g) { return g.umbraRadius - g.moonSemiDiameter; };
  event.p1 = Contact(greatest, penumbraOuter, -1);
  event.p4 = Contact(greatest, penumbraOuter, +1);
  event.p2 = Contact(greatest, penumbraInner, -1);
  event.p3 = Contact(greatest, penumbraInner, +1);
  event.u1 = Contact(greatest, umbraOuter, -1);
  event.u4 = Contact(greatest, umbraOuter, +1);
  event.u2 = Contact(greatest, umbraInner, -1);
  event.u3 = Contact(greatest, umbraInner, +1);
  return event;
}

}  // namespace

EclipseEvent ComputeEvent(int32_t lunation) {
  return EventFrom(lunation, FindGreatest(LunationEpoch + SynodicMonth * (lunation + 0.5)));
}

int32_t SarosOf(int32_t lunation) {
  // lunation - 12 = 223 a + 358 b has exactly one solution with |b| <= 111.
  for (int32_t b = -111; b <= 111; ++b) {
    if ((lunation - 12 - 358 * b) % 223 == 0) {
      return 134 + b;
    }
  }
  throw std::logic_error("no saros series for lunation " + std::to_string(lunation));
}

SarosSpan WalkSaros(int32_t memberLunation) {
  constexpr int MaxMembers = 200;  // a series has about 70 to 85
  SarosSpan span{memberLunation, memberLunation};
  for (int i = 0; i < MaxMembers && IsEclipse(GreatestNearFullMoon(span.firstLunation - 223)); ++i) {
    span.firstLunation -= 223;
  }
  for (int i = 0; i < MaxMembers && IsEclipse(GreatestNearFullMoon(span.lastLunation + 223)); ++i) {
    span.lastLunation += 223;
  }
  return span;
}

std::vector<EclipseEvent> UmbralEclipses(int32_t firstLunation, int32_t lastLunation) {
  std::vector<EclipseEvent> events;
  for (int32_t lunation = firstLunation; lunation <= lastLunation; ++lunation) {
    const Greatest greatest = FindGreatest(LunationEpoch + SynodicMonth * (lunation + 0.5));
    if (UmbralMagnitude(greatest.geometry) > 0) {
      events.push_back(EventFrom(lunation, greatest));
    }
  }
  return events;
}

}  // namespace tevra::eclipsegen
