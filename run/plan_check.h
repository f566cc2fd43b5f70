// SPDX-License-Identifier: GPL-3.0-or-later
// The plan check: what an exposure table asks of the night that the run cannot give. For each row
// the time its pictures and settings changes take is compared with the time until the next row;
// rows at which the Moon is below the observer's horizon, row times the run cannot read, times
// out of order or far from the eclipse, and cells with control characters are named too.
// `tevra-cli check` prints the findings as warnings; the exposure window marks their rows.
#pragma once

#include "exposure/exposure_table.h"
#include "timing/observing_site.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tevra {

// What the camera's steps take, beyond the exposure itself.
struct CameraTimes {
  double settingSeconds = 0;  // one setting written (image quality, ISO, aperture, shutter)
  double releaseSeconds = 0;  // one release: shutter lag, mirror, storing the picture
  bool exposes = true;        // whether a release lasts its exposure time as well
};

// A camera body on the cable: a generous half second per setting and a second per release.
CameraTimes RealCameraTimes();
// The run without a camera: every step is a pause and the simulated step, and nothing exposes.
CameraTimes SimulatedCameraTimes();

// How long the run shows an announcement before it goes on (the banner and its last blink).
double AnnouncementSeconds();

// Rows more than this far before P1 or after P4 of the table's eclipse are named.
constexpr double FarFromEclipseHours = 2;

struct PlanSettings {
  CameraTimes camera = RealCameraTimes();
  // The table's zone, hours east of UTC: its times are wall-clock times of that zone.
  double zoneOffsetHours = 0;
  // The catalogue entry the table is for; without it no time counts as far from the eclipse and
  // Delta T is that of the row's own year.
  std::optional<int32_t> eclipseIndex;
  // Without a site the Moon is not looked at.
  std::optional<ObservingSite> site;
};

enum class PlanFindingKind {
  CannotFinish,        // the pictures and settings of the row take longer than the time until the next
  LoopTakesNoPicture,  // a loop row whose time comes before even one picture fits
  MoonBelowHorizon,    // the Moon is below the site's horizon at the row's time
  UnreadableTime,      // the run cannot read the row's time
  OutOfOrder,          // the row's time lies before that of the row served before it
  FarFromEclipse,      // the row's time lies far outside P1..P4 of the table's eclipse
  ControlCharacter,    // a cell holds a control character
};

struct PlanFinding {
  size_t row = 0;  // index into the rows
  PlanFindingKind kind = PlanFindingKind::CannotFinish;
  std::string what;         // "cannot finish in time: needs 14.6 s, has 5.0 s until row 5"
  double needsSeconds = 0;  // CannotFinish and LoopTakesNoPicture
  double hasSeconds = 0;
};

// Every finding, by row and then in the order of the kinds above.
std::vector<PlanFinding> CheckPlan(const ExposureRows& rows, const PlanSettings& settings);

// "row 4: " + what, counting rows from 1 as the grid's gutter does.
std::string DescribeFinding(const PlanFinding& finding);

}  // namespace tevra
