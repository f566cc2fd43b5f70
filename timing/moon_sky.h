// SPDX-License-Identifier: GPL-3.0-or-later
// The Moon in the observer's own sky: its apparent altitude and azimuth at the observing site at
// an instant (topocentric, with refraction, from the Swiss Ephemeris), and the texts the main
// window and tevra-cli show for the contacts of an eclipse.
#pragma once

#include "timing/observing_site.h"

#include <array>
#include <optional>
#include <string>

namespace tevra {

struct MoonPlace {
  // Degrees, of the centre of the disc: apparent, with refraction, above the horizon; below it
  // the geometric altitude, as no refraction is reckoned there.
  double altitude = 0;
  double azimuth = 0;  // degrees from north through east
  [[nodiscard]] bool BelowHorizon() const { return altitude < 0; }
};

// Refraction of the standard atmosphere at the site (10 °C, the pressure of its height).
constexpr double SiteTemperatureC = 10;

// The Moon seen from the site at jdUT (Julian Day in UT), with Delta T (TD - UT, seconds) as the
// catalogue counts it, so that the Moon stands where the eclipse's contacts put it.
MoonPlace MoonAt(const ObservingSite& site, double jdUT, double deltaTSeconds);

// A wall-clock instant of a zone, hours east of UTC, as UT.
double ZoneToUT(double jdZone, double zoneOffsetHours);

// One of the 16 compass points of an azimuth: "N", "NNE", ..., "NNW".
std::string CompassPoint(double azimuth);

// The Moon at the instants of the contact rows P1, U1, U2, Mx, U3, U4, P4; empty for a contact the
// eclipse does not have (instant 0).
using ContactMoons = std::array<std::optional<MoonPlace>, 7>;
constexpr std::array<const char*, 7> ContactNames = {"P1", "U1", "U2", "Mx", "U3", "U4", "P4"};

// The contact instants are in the zone of zoneOffsetHours, as the main window shows them.
ContactMoons MoonAtContacts(const ObservingSite& site, const std::array<double, 7>& contactsInZone,
                            double zoneOffsetHours, double deltaTSeconds);

// The same for the contact instants JD_P1 .. JD_P4 of the selected eclipse in the selected zone.
ContactMoons MoonAtCurrentContacts(const ObservingSite& site);

// Tool tip of one contact's time label: "Moon at P1: altitude 23.4°, azimuth 112.0° (ESE)", or
// "Moon at P4: below the horizon (altitude -5.2°, azimuth 287.3°, WNW)".
std::string ContactMoonTip(const char* contact, const MoonPlace& moon);

// The one line of the main window: "Moon at P1 23°, at Mx 41°, at P4 below the horizon", every
// contact the eclipse has in the order of the rows.
std::string MoonAtContactsLine(const ContactMoons& moons);

// Altitudes and azimuths with one decimal and the degree sign.
std::string DegreesText(double degrees);

}  // namespace tevra
