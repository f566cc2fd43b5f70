// SPDX-License-Identifier: GPL-3.0-or-later
// The check before the night: what the camera body, the computer and the exposure table say an
// hour before the eclipse, each as one line OK, WARNING or PROBLEM with what to do about it.
// The facts are gathered apart (ReadBodyFacts here, the computer's in computer_state.h) so that
// the judgement is plain and tests give it any body and any computer. `tevra-cli preflight`, the
// camera window's "Check Before the Night" and the start of a start run show the same lines.
#pragma once

#include "exposure/exposure_table.h"
#include "timing/observing_site.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tevra {

class TAppMaster;

enum class CheckLevel { Ok, Warning, Problem };

struct CheckLine {
  CheckLevel level = CheckLevel::Ok;
  std::string subject;  // "Battery"
  std::string what;     // "40 %"
  std::string todo;     // "charge it or use a mains adapter"; "" when nothing needs doing
};

// What the body reported; nullopt where it reported nothing.
struct BodyFacts {
  bool found = false;
  uint32_t openStatus = 0;  // why it was not found (CamNotFound, CamNoAccess, CamBusy ...)
  std::string name;
  std::optional<uint32_t> aeMode;
  std::optional<uint32_t> focusMode;
  std::optional<uint32_t> saveTo;
  std::optional<uint32_t> batteryLevel;
  std::optional<uint32_t> availableShots;
  std::optional<uint32_t> mirrorLockUp;
  std::optional<double> clockOffsetSeconds;       // the body's clock minus the computer's
  std::array<std::vector<uint32_t>, 5> accepted;  // by setting kind; empty when not reported
};

// What the computer says of itself.
struct ComputerState {
  std::optional<bool> clockSynchronised;
  std::optional<double> clockErrorSeconds;  // the estimated error of the clock, when known
  double utcOffsetHours = 0;                // of the computer's clock now
  std::optional<uint64_t> freeBytes;        // in the documents folder
  bool keepAwake = false;                   // the desktop takes a request to stay awake
  bool speechEngine = false;
};

struct PreflightSettings {
  double zoneOffsetHours = 0;  // the table's zone, hours east of UTC
  std::optional<int32_t> eclipseIndex;
  std::optional<ObservingSite> site;
  // Where the announcements' sound files are looked for; an announcement without one is spoken.
  std::string soundFolder;
};

// Battery and shot limits.
constexpr uint32_t LowBatteryLimit = 50;           // percent
constexpr double MainsAdapterHours = 2;            // a table longer than this on battery
constexpr double ShotsMarginFactor = 1.2;          // shots the card should hold beyond the pictures
constexpr double ClockOffsetLimitSeconds = 2;      // the body's clock against the computer's
constexpr uint64_t PictureCopyBytes = 30'000'000;  // room on the computer for a copy of a picture

// Pictures the table asks for, a loop's passes estimated from the time it has before its row.
int64_t PicturesOfTable(const ExposureRows& rows);

// The body's state as TAppMaster reads it; camera null or openStatus non-zero: not found.
// computerLocalJD is the computer's local time the body's clock is compared with. between is
// called after each read, so that a window's events go on through the dozen reads.
BodyFacts ReadBodyFacts(TAppMaster* camera, uint32_t openStatus, double computerLocalJD,
                        const std::function<void()>& between = {});

// Every line, camera first, then the table against the body, then the computer.
std::vector<CheckLine> Preflight(const ExposureRows& rows, const PreflightSettings& settings,
                                 const BodyFacts& body, const ComputerState& computer);

// What to do when a camera cannot be opened: nothing on USB, no permission, held by another
// program; "" for a status that says nothing of that.
std::string CameraNotFoundText(uint32_t status);

// "OK", "WARNING", "PROBLEM".
const char* CheckLevelName(CheckLevel level);
// "WARNING  Battery: 40 %. Charge it ...", one line.
std::string CheckLineText(const CheckLine& line);
// The worst level of the lines; Ok for none.
CheckLevel WorstLevel(const std::vector<CheckLine>& lines);
// The exit status of `tevra-cli preflight`: 0 all OK, 1 a warning, 2 a problem.
int PreflightExitStatus(const std::vector<CheckLine>& lines);

// Writes the lines as preflight-YYYYMMDD-hhmmss.txt (the local time localJD) in folder, replacing
// the file beside it; returns the path, or "" with error set.
std::string WritePreflightFile(const std::string& folder, double localJD, const std::string& heading,
                               const std::vector<CheckLine>& lines, std::string& error);

}  // namespace tevra
