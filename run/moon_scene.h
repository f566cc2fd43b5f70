// SPDX-License-Identifier: GPL-3.0-or-later
// The Moon the simulated body photographs in a rehearsal: its brightness index Q through the
// eclipse, from the exposure generator's model, so that a preview near totality shows the dark
// Moon the totality exposure was made for.
#pragma once

#include "exposure/exposure_generator.h"
#include "run/run_clock.h"

#include <cstdint>
#include <functional>

namespace tevra {

struct MoonScene {
  ContactTimes contacts;  // in the zone the run's clock reads
  int32_t typeCode = 0;   // 3 partial, 4 and 5 total
  double umbMagnitude = 0;
};

// Q at jd: 8 for the full Moon outside the eclipse, falling through the phases to -7 at totality
// (BrightnessAt; the Danjon darkness is left unknown).
double MoonSceneQ(const MoonScene& scene, double jd);

// The selected eclipse: CurrentContacts() and CurrentEclipse.
MoonScene CurrentMoonScene();
// Entry eclipseIndex of the catalogue with its contacts in a zone of zoneOffsetHours east of UTC.
MoonScene MoonSceneOf(int32_t eclipseIndex, double zoneOffsetHours);

// Q now on the clock, Rehearsal Time included, of the scene scene() gives at that moment; for
// SimulatedCamera::SetMoonScene. The clock must outlive the function.
std::function<double()> MoonSceneNow(std::function<MoonScene()> scene, const RunClock& clock);
// The same on the computer's clock.
std::function<double()> MoonSceneNow(std::function<MoonScene()> scene);

}  // namespace tevra
