// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include "astrolib.h"
#include "catalogue_data.h"
#include "time_zones.h"

#include <algorithm>
#include <cmath>

namespace tevra {

int32_t EclipseIndex = 0;
Elemente_Type CurrentEclipse;
double CurrentDeltaT = 0;
double JD_P1 = 0;
double JD_U1 = 0;
double JD_U2 = 0;
double JD_Mx = 0;
double JD_U3 = 0;
double JD_U4 = 0;
double JD_P4 = 0;

std::string TypeNameOf(int32_t typeCode) {
  switch (typeCode) {
    case 3:
      return "Partial Lunar Eclipse";
    case 4:
      return "Total Lunar Eclipse";
    case 5:
      return "Total Lunar Eclipse (central)";
    default:
      return {};
  }
}

const std::array<Elemente_Type, EclipseCount + 1>& EclipseCatalogue() {
  static const std::array<Elemente_Type, EclipseCount + 1> Catalogue = [] {
    std::array<Elemente_Type, EclipseCount + 1> entries{};
    const auto& data = CatalogueData();
    for (size_t i = 0; i < data.size(); ++i) {
      Elemente_Type& entry = entries[i + 1];
      entry = data[i];
      entry.TypeName = TypeNameOf(entry.TypeCode);
      entry.DeltaTSec = DeltaT(entry.Year, entry.Month);  // stored values are never used
    }
    return entries;
  }();
  return Catalogue;
}

void SelectEclipse(int32_t index) {
  EclipseIndex = std::clamp(index, int32_t{1}, EclipseCount);
  CurrentEclipse = EclipseCatalogue()[static_cast<size_t>(EclipseIndex)];
  CurrentDeltaT = DeltaT(CurrentEclipse.Year, CurrentEclipse.Month);
}

double ContactInstant(double offsetHours, bool roundTo15Seconds) {
  return ContactInstantOf(CurrentEclipse, CurrentDeltaT, ZoneOffset, offsetHours, roundTo15Seconds);
}

double ContactInstantOf(const Elemente_Type& e, double deltaTSeconds, double zoneOffsetHours,
                        double offsetHours, bool roundTo15Seconds) {
  double jd = CalJD(e.Year, e.Month, e.Day, e.Hour + zoneOffsetHours, 0, offsetHours * 3600 - deltaTSeconds);
  if (roundTo15Seconds) {
    jd = std::trunc(jd * 5760 + 0.5) / 5760;  // 5760 quarter-minutes per day, half up
  }
  return jd;
}

void ComputeContacts(bool roundTo15Seconds) {
  const Elemente_Type& e = CurrentEclipse;
  JD_P1 = ContactInstant(e.P1Offset, roundTo15Seconds);
  JD_P4 = ContactInstant(e.P4Offset, roundTo15Seconds);
  JD_U1 = ContactInstant(e.U1Offset, roundTo15Seconds);
  JD_U4 = ContactInstant(e.U4Offset, roundTo15Seconds);
  JD_U2 = e.U2Offset == 0 ? 0 : ContactInstant(e.U2Offset, roundTo15Seconds);
  JD_U3 = e.U3Offset == 0 ? 0 : ContactInstant(e.U3Offset, roundTo15Seconds);
  JD_Mx = ContactInstant(e.GreatestOffset, roundTo15Seconds);
}

double GreatestEclipseUT() { return GreatestEclipseUT(CurrentEclipse); }

double GreatestEclipseUT(const Elemente_Type& e) {
  return CalJD(e.Year, e.Month, e.Day, e.Hour + e.GreatestOffset, 0, -e.DeltaTSec);
}

int32_t NextEclipseIndex(double utJD) {
  const auto& catalogue = EclipseCatalogue();
  for (int32_t i = 1; i <= EclipseCount; ++i) {
    const Elemente_Type& e = catalogue[static_cast<size_t>(i)];
    if (ContactInstantOf(e, e.DeltaTSec, 0, e.P4Offset, false) > utJD) {
      return i;
    }
  }
  return EclipseCount;
}

}  // namespace tevra
