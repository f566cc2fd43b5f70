// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled-in catalogue of the 143 partial and total lunar eclipses 2001-2099, the
// selected entry and the contact instants derived from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tevra {

struct Elemente_Type {
  int32_t Year = 0;
  int32_t Month = 0;
  int32_t Day = 0;
  int32_t Hour = 0;  // whole TD hour nearest to greatest eclipse, 0..24
  double JDGreatest = 0;
  double DeltaTSec = 0;       // filled at start from DeltaT
  std::string Constellation;  // up to three characters
  std::string TypeName;
  int32_t Lunation = 0;
  int32_t TypeCode = 0;  // 3 partial, 4 total, 5 total and central
  int32_t Saros = 0;
  int32_t SarosMember = 0;
  int32_t SarosCount = 0;
  double GreatestOffset = 0;  // hours from the reference hour
  double Gamma = 0;
  double PenMagnitude = 0;
  double UmbMagnitude = 0;
  double MoonSemiDiameter = 0;  // arc-seconds
  double AxisDistance = 0;      // arc-seconds
  double P1Offset = 0;
  double P2Offset = 0;
  double P3Offset = 0;
  double P4Offset = 0;
  double U1Offset = 0;
  double U2Offset = 0;  // exactly 0 for a partial eclipse
  double U3Offset = 0;  // exactly 0 for a partial eclipse
  double U4Offset = 0;
};

constexpr int32_t EclipseCount = 143;
constexpr int32_t DefaultEclipseIndex = 34;

// Entries 1..143 (index 0 is unused and empty), DeltaTSec filled.
const std::array<Elemente_Type, EclipseCount + 1>& EclipseCatalogue();

// The type name of a type code: 3 partial, 4 total, 5 total and central.
std::string TypeNameOf(int32_t typeCode);

// Selection state; all zero until an entry is selected.
extern int32_t EclipseIndex;
extern Elemente_Type CurrentEclipse;
extern double CurrentDeltaT;

// Selects an entry; numbers outside 1..143 are clamped as the selector does.
void SelectEclipse(int32_t index);

// Contact instants in the time of the selected zone; U2 and U3 are 0 when they do not occur.
extern double JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4;

// JD of contact offset o (hours) of the current eclipse in the selected zone, optionally rounded
// to the nearest 15 seconds. The caller applies the U2/U3 zero rule.
double ContactInstant(double offsetHours, bool roundTo15Seconds);
// The same for any entry, its Delta T (seconds) and a zone (hours east of UTC).
double ContactInstantOf(const Elemente_Type& entry, double deltaTSeconds, double zoneOffsetHours,
                        double offsetHours, bool roundTo15Seconds);

// Recomputes the seven contact instants from CurrentEclipse, CurrentDeltaT and ZoneOffset.
void ComputeContacts(bool roundTo15Seconds);

// JD (UT, no zone, never rounded) of greatest eclipse of the current entry, or of any entry.
double GreatestEclipseUT();
double GreatestEclipseUT(const Elemente_Type& entry);

// The entry of the eclipse to come at utJD: the first whose P4 lies after it (one under way
// counts); the last entry once the catalogue is past.
int32_t NextEclipseIndex(double utJD);

}  // namespace tevra
