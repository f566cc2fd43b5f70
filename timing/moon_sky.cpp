// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/moon_sky.h"

#include "timing/catalogue.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <swephexp.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace tevra {
namespace {

// The ephemeris keeps the observer's place and Delta T as process-wide settings: one computation
// at a time.
std::mutex& EphemerisLock() {
  static std::mutex lock;
  return lock;
}

void OpenEphemeris() {
  static std::once_flag opened;
  std::call_once(opened, [] {
    // The files of the standard set; where they lack a date the library's own analytic theory
    // answers, well within the tenth of a degree shown.
    swe_set_ephe_path(TEVRA_EPHEMERIS_DIR);
  });
}

}  // namespace

MoonPlace MoonAt(const ObservingSite& site, double jdUT, double deltaTSeconds) {
  OpenEphemeris();
  const std::lock_guard<std::mutex> hold(EphemerisLock());
  // The catalogue's Delta T, so that the Moon's place belongs to the same dynamical instant as
  // the contacts computed from it.
  swe_set_delta_t_userdef(deltaTSeconds / 86400);
  swe_set_topo(site.longitude, site.latitude, site.height);
  std::array<double, 6> equatorial{};
  std::array<char, AS_MAXCH> error{};
  const int32 result = swe_calc_ut(jdUT, SE_MOON, SEFLG_SWIEPH | SEFLG_EQUATORIAL | SEFLG_TOPOCTR,
                                   equatorial.data(), error.data());
  if (result < 0) {
    // The files failed in a way the library did not repair itself: its own analytic theory.
    swe_calc_ut(jdUT, SE_MOON, SEFLG_MOSEPH | SEFLG_EQUATORIAL | SEFLG_TOPOCTR, equatorial.data(),
                error.data());
  }
  std::array<double, 3> place = {site.longitude, site.latitude, site.height};
  std::array<double, 3> horizontal{};
  // Pressure 0: the library takes that of the standard atmosphere at the site's height.
  swe_azalt(jdUT, SE_EQU2HOR, place.data(), 0, SiteTemperatureC, equatorial.data(), horizontal.data());
  swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC);
  MoonPlace moon;
  // The library counts azimuths from the south through the west.
  moon.azimuth = std::fmod(horizontal[0] + 180, 360);
  moon.altitude = horizontal[2];
  return moon;
}

double ZoneToUT(double jdZone, double zoneOffsetHours) { return jdZone - zoneOffsetHours / 24; }

std::string CompassPoint(double azimuth) {
  static constexpr std::array<const char*, 16> Points = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                                         "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
  const double turned = std::fmod(std::fmod(azimuth, 360) + 360 + 11.25, 360);
  return Points[std::min<size_t>(static_cast<size_t>(turned / 22.5), Points.size() - 1)];
}

ContactMoons MoonAtContacts(const ObservingSite& site, const std::array<double, 7>& contactsInZone,
                            double zoneOffsetHours, double deltaTSeconds) {
  ContactMoons moons;
  for (size_t i = 0; i < contactsInZone.size(); ++i) {
    if (contactsInZone[i] != 0) {
      moons[i] = MoonAt(site, ZoneToUT(contactsInZone[i], zoneOffsetHours), deltaTSeconds);
    }
  }
  return moons;
}

ContactMoons MoonAtCurrentContacts(const ObservingSite& site) {
  return MoonAtContacts(site, {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4}, ZoneOffset, CurrentDeltaT);
}

std::string DegreesText(double degrees) {
  // A value just under the horizon keeps its sign: "-0.0".
  const std::string text = FixedStr(std::fabs(degrees), 1) + DegreeSign;
  return degrees < 0 ? "-" + text : text;
}

std::string ContactMoonTip(const char* contact, const MoonPlace& moon) {
  const std::string place =
      "altitude " + DegreesText(moon.altitude) + ", azimuth " + DegreesText(moon.azimuth);
  const std::string point = CompassPoint(moon.azimuth);
  if (moon.BelowHorizon()) {
    return std::string("Moon at ") + contact + ": below the horizon (" + place + ", " + point + ")";
  }
  return std::string("Moon at ") + contact + ": " + place + " (" + point + ")";
}

std::string MoonAtContactsLine(const ContactMoons& moons) {
  std::string line;
  for (size_t i = 0; i < moons.size(); ++i) {
    if (!moons[i]) {
      continue;
    }
    line += line.empty() ? "Moon at " : ", at ";
    line += ContactNames[i];
    if (moons[i]->BelowHorizon()) {
      line += " below the horizon";
    } else {
      line += " " + FixedStr(std::round(moons[i]->altitude), 0) + DegreeSign;
    }
  }
  return line;
}

}  // namespace tevra
