// SPDX-License-Identifier: GPL-3.0-or-later
// The camera information log "Camera.ini": a header describing the computer, then the camera's
// name and the accepted codes of its five settings. The exposure window reads the lists back.
// The text is built from facts handed in, so that it is the same bytes for the same facts.
#pragma once

#include "camera/camera_model.h"

#include <cstdint>
#include <string>

namespace tevra {

// A time-zone change date, as the fields the log lists in this order. All zero for a zone
// without such a change.
struct ZoneChangeDate {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t millisecond = 0;
  int32_t dayOfWeek = 0;  // 0 = Sunday
};

// The time-zone state of the computer's zone.
constexpr int32_t ZoneStateUnknown = 0;  // the zone keeps one offset all year
constexpr int32_t ZoneStateStandard = 1;
constexpr int32_t ZoneStateDaylight = 2;

// What the header says about the computer. Biases are minutes added to local time to give UTC
// (so a zone east of Greenwich has negative biases): standard time, the time now, daylight time.
struct ComputerFacts {
  std::string programVersion;
  std::string productName;  // RegProductName
  std::string csdVersion;   // RegCSDVersion
  std::string buildLab;     // RegBuildLab
  std::string computerName;
  std::string userName;
  std::string tempFolder;
  std::string programFolder;
  std::string documentsFolder;
  std::string standardName;
  ZoneChangeDate standardDate;  // next change to standard time, local time before the change
  int32_t standardBias = 0;
  int32_t currentBias = 0;
  int32_t zoneState = ZoneStateUnknown;  // any other value writes no state line
  std::string daylightName;
  ZoneChangeDate daylightDate;  // next change to daylight time
  int32_t daylightBias = 0;
};

// The local date and time at writing.
struct LocalDateTime {
  int32_t year = 2000;
  int32_t month = 1;
  int32_t day = 1;
  int32_t hour = 0;
  int32_t minute = 0;
  double second = 0;  // with its milliseconds
};

// The whole log, CR LF line ends.
std::string CameraLogText(const ComputerFacts& facts, const LocalDateTime& now, const std::string& cameraName,
                          const CameraSettingListSet& lists);

// The facts of this computer now: version, system description and folders from the program's
// state, host and user name, the system time zone.
ComputerFacts SystemComputerFacts();

// The computer's local date and time now.
LocalDateTime SystemLocalDateTime();

// Writes text to path as every file of the program is replaced (ReplaceFile). Returns "" or the
// failure with the file name and the system's reason.
std::string WriteCameraLog(const std::string& path, const std::string& text);

}  // namespace tevra
