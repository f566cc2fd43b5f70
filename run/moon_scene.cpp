// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/moon_scene.h"

#include "timing/catalogue.h"
#include "timing/countdown.h"

#include <memory>
#include <utility>

namespace tevra {

double MoonSceneQ(const MoonScene& scene, double jd) {
  return BrightnessAt(PhaseCodeAt(jd, scene.contacts), jd, scene.contacts, scene.typeCode, scene.umbMagnitude)
      .q;
}

MoonScene CurrentMoonScene() {
  return MoonScene{CurrentContacts(), CurrentEclipse.TypeCode, CurrentEclipse.UmbMagnitude};
}

MoonScene MoonSceneOf(int32_t eclipseIndex, double zoneOffsetHours) {
  if (eclipseIndex < 1 || eclipseIndex > EclipseCount) {
    return {};
  }
  const Elemente_Type& e = EclipseCatalogue()[static_cast<size_t>(eclipseIndex)];
  const auto at = [&](double offsetHours) {
    return ContactInstantOf(e, e.DeltaTSec, zoneOffsetHours, offsetHours, false);
  };
  // U2 and U3 stay 0 for a partial eclipse, as ComputeContacts leaves them.
  const ContactTimes contacts{at(e.P1Offset),
                              at(e.U1Offset),
                              e.U2Offset == 0 ? 0 : at(e.U2Offset),
                              at(e.GreatestOffset),
                              e.U3Offset == 0 ? 0 : at(e.U3Offset),
                              at(e.U4Offset),
                              at(e.P4Offset)};
  return MoonScene{contacts, e.TypeCode, e.UmbMagnitude};
}

namespace {

double QNow(const std::function<MoonScene()>& scene, const RunClock& clock) {
  return MoonSceneQ(scene(), clock.LocalJD() + RehearsalOffset);
}

}  // namespace

std::function<double()> MoonSceneNow(std::function<MoonScene()> scene, const RunClock& clock) {
  return [scene = std::move(scene), &clock] { return QNow(scene, clock); };
}

std::function<double()> MoonSceneNow(std::function<MoonScene()> scene) {
  auto clock = std::make_shared<SystemRunClock>();
  return [scene = std::move(scene), clock] { return QNow(scene, *clock); };
}

}  // namespace tevra
