// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/preflight.h"

#include "camera/appmaster.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "run/announcement_voice.h"
#include "run/plan_check.h"
#include "run/run_log.h"
#include "run/run_texts.h"
#include "state/file_io.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

namespace tevra {
namespace {

constexpr uint32_t AEModeManual = 3;
constexpr uint32_t SaveToCard = 1;
constexpr double SecondsPerDayF = 86400.0;

// "row 4", "rows 3, 5 to 9"; rows counted from 1 as the grid's gutter numbers them.
std::string RowList(const std::vector<size_t>& rows) {
  std::string text = rows.size() == 1 ? "row " : "rows ";
  size_t groups = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    size_t last = i;
    while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) {
      ++last;
    }
    if (++groups > 6) {
      return text + ", ...";
    }
    text += (groups > 1 ? ", " : "") + std::to_string(rows[i] + 1);
    if (last > i) {
      text += " to " + std::to_string(rows[last] + 1);
    }
    i = last;
  }
  return text;
}

std::string Percent(uint32_t value) { return std::to_string(value) + " %"; }

// The readable time of a row that the run serves, if any.
std::optional<double> ServedTime(const ExposureRow& row) {
  const RowKind kind = RowKindOf(row);
  if (kind == RowKind::Skipped) {
    return std::nullopt;
  }
  return TryDateStrJD(RowTimeText(row, kind)).jd;
}

// Hours from the first to the last served row: how long the body must last.
double TableHours(const ExposureRows& rows) {
  std::optional<double> first;
  std::optional<double> last;
  for (const ExposureRow& row : rows) {
    if (const std::optional<double> jd = ServedTime(row)) {
      first = std::min(first.value_or(*jd), *jd);
      last = std::max(last.value_or(*jd), *jd);
    }
  }
  return first ? (*last - *first) * 24 : 0;
}

void CameraLines(const BodyFacts& body, std::vector<CheckLine>& lines) {
  lines.push_back({CheckLevel::Ok, "Camera", body.name + " found", ""});
  if (body.aeMode) {
    const std::string mode = SettingNameByCode(KindAEMode, *body.aeMode);
    const bool manual = *body.aeMode == AEModeManual;
    lines.push_back({manual ? CheckLevel::Ok : CheckLevel::Problem, "AE mode", mode.empty() ? "?" : mode,
                     manual
                         ? ""
                         : "turn the mode dial to M: the run sets aperture and shutter time itself, and in "
                           "Bulb a release has no hold time"});
  }
  if (body.focusMode) {
    const bool manual = *body.focusMode == FocusModeManual;
    lines.push_back({manual ? CheckLevel::Ok : CheckLevel::Problem, "Focus mode", manual ? "MF" : "AF",
                     manual ? ""
                            : "set the lens switch to MF and focus by hand: in AF releases fail on the dim "
                              "eclipsed Moon"});
  } else {
    lines.push_back(
        {CheckLevel::Ok, "Focus mode", "not reported by the body", "make sure the lens is set to MF"});
  }
  if (body.saveTo) {
    const bool card = *body.saveTo == SaveToCard;
    lines.push_back({card ? CheckLevel::Ok : CheckLevel::Problem, "Capture target",
                     card ? "the card" : "the body's memory",
                     card ? "" : "connect the camera again: the program sets the card as the target"});
  }
  if (body.mirrorLockUp) {
    const bool on = *body.mirrorLockUp != 0;
    lines.push_back(
        {on ? CheckLevel::Problem : CheckLevel::Ok, "Mirror lock-up", on ? "on" : "off",
         on ? "switch it off in the camera's menu: the body refuses the release it waits for" : ""});
  } else {
    lines.push_back({CheckLevel::Ok, "Mirror lock-up", "not reported by the body",
                     "make sure it is off in the camera's menu"});
  }
}

void ShotLines(const ExposureRows& rows, const BodyFacts& body, std::vector<CheckLine>& lines) {
  const int64_t pictures = PicturesOfTable(rows);
  if (!body.availableShots) {
    lines.push_back({CheckLevel::Warning, "Card", "the body reports no count of shots left",
                     "make sure a card with room for " + std::to_string(pictures) + " pictures is in it"});
    return;
  }
  const uint32_t shots = *body.availableShots;
  const std::string what =
      std::to_string(shots) + " shots left for the table's " + std::to_string(pictures) + " pictures";
  if (shots == 0) {
    lines.push_back({CheckLevel::Problem, "Card", "no card, or the card is full (0 shots left)",
                     "put in an empty card of enough room"});
  } else if (static_cast<int64_t>(shots) < pictures) {
    lines.push_back({CheckLevel::Problem, "Card", what,
                     "put in an empty or larger card, or choose a smaller image quality"});
  } else if (static_cast<double>(shots) < ShotsMarginFactor * static_cast<double>(pictures)) {
    lines.push_back(
        {CheckLevel::Warning, "Card", what, "little room to spare: put in an empty or larger card"});
  } else {
    lines.push_back({CheckLevel::Ok, "Card", what, ""});
  }
}

void BatteryLine(const BodyFacts& body, double tableHours, std::vector<CheckLine>& lines) {
  if (!body.batteryLevel) {
    lines.push_back({CheckLevel::Warning, "Battery", "not reported by the body", "charge it fully"});
    return;
  }
  if (*body.batteryLevel == BatteryOnMains) {
    lines.push_back({CheckLevel::Ok, "Battery", "on a mains adapter", ""});
    return;
  }
  const bool low = *body.batteryLevel < LowBatteryLimit;
  const bool longTable = tableHours > MainsAdapterHours;
  std::string todo = low ? "charge it or put in a full one" : "";
  if (longTable) {
    todo += std::string(low ? "; " : "") + "the table spans " + FixedStr(tableHours, 1) +
            " hours: a tethered body draws about 10 W, use a mains adapter (DC coupler)";
  }
  lines.push_back({low || longTable ? CheckLevel::Warning : CheckLevel::Ok, "Battery",
                   Percent(*body.batteryLevel), todo});
}

void ClockLine(const BodyFacts& body, std::vector<CheckLine>& lines) {
  if (!body.clockOffsetSeconds) {
    return;
  }
  const double offset = *body.clockOffsetSeconds;
  const bool off = std::fabs(offset) > ClockOffsetLimitSeconds;
  const std::string what =
      FixedStr(std::fabs(offset), 1) + " s " + (offset < 0 ? "behind" : "ahead of") + " the computer's";
  lines.push_back(
      {off ? CheckLevel::Warning : CheckLevel::Ok, "Camera clock", what,
       off ? "set the camera's date and time to the computer's (the pictures' times come from it)" : ""});
}

// The table's settings against the body's accepted values.
void SettingLines(const ExposureRows& rows, const BodyFacts& body, std::vector<CheckLine>& lines) {
  // (kind, name) -> rows asking for it.
  std::map<std::pair<int, std::string>, std::vector<size_t>> asked;
  for (size_t i = 0; i < rows.size(); ++i) {
    const ExposureRow& row = rows[i];
    const RowKind kind = RowKindOf(row);
    if (kind != RowKind::Exposure && kind != RowKind::Loop) {
      continue;
    }
    for (const auto& [column, slot] :
         {std::pair{ColumnQuality, KindImageQuality}, std::pair{ColumnIso, KindIso},
          std::pair{ColumnAperture, KindAperture}}) {
      const std::string name(Trim(row[static_cast<size_t>(column)]));
      if (!name.empty()) {
        asked[{slot, name}].push_back(i);
      }
    }
    for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
      if (IsMarked(row, column)) {
        asked[{KindShutter, ShutterNameOfColumn(column)}].push_back(i);
      }
    }
  }
  static constexpr std::array<const char*, SettingKindCount> Subjects = {
      "Image quality", "AE mode", "ISO speed", "Aperture", "Shutter time"};
  bool allAccepted = true;
  for (const auto& [key, where] : asked) {
    const auto& [kind, name] = key;
    const std::vector<uint32_t>& accepted = body.accepted[static_cast<size_t>(kind)];
    uint32_t code = 0;
    for (const SettingName& entry : SettingNameTable(kind)) {
      if (entry.Code != UnknownCode && SameIgnoringCase(entry.Name, name)) {
        code = entry.Code;
        break;
      }
    }
    const char* subject = Subjects[static_cast<size_t>(kind)];
    if (code == 0 && !(kind == KindIso && SameIgnoringCase(name, "AUTO"))) {
      lines.push_back({CheckLevel::Problem, subject,
                       "\"" + name + "\" of " + RowList(where) + " is no name the run knows",
                       "choose one of the exposure window's values"});
      allAccepted = false;
    } else if (!accepted.empty() && std::find(accepted.begin(), accepted.end(), code) == accepted.end()) {
      lines.push_back({CheckLevel::Problem, subject,
                       name + " of " + RowList(where) + " is not among the body's values",
                       "choose one the body offers (tevra-cli camera info lists them)"});
      allAccepted = false;
    }
  }
  const bool reported = std::any_of(body.accepted.begin(), body.accepted.end(),
                                    [](const std::vector<uint32_t>& list) { return !list.empty(); });
  if (allAccepted) {
    lines.push_back({CheckLevel::Ok, "Settings",
                     reported ? "every setting of the table is among the body's values"
                              : "the body reports no accepted values to compare with",
                     ""});
  }
}

void ComputerLines(const ExposureRows& rows, const PreflightSettings& settings, const ComputerState& computer,
                   std::vector<CheckLine>& lines) {
  if (computer.clockSynchronised.value_or(false)) {
    lines.push_back({CheckLevel::Ok, "Computer clock", "synchronised", ""});
  } else {
    std::string what =
        computer.clockSynchronised ? "not synchronised" : "cannot tell whether it is synchronised";
    if (computer.clockErrorSeconds) {
      what += ", estimated error " + FixedStr(*computer.clockErrorSeconds, 3) + " s";
    }
    lines.push_back(
        {CheckLevel::Warning, "Computer clock", what,
         "switch network time on (timedatectl set-ntp true) and let it synchronise before the night"});
  }

  const double shift = settings.zoneOffsetHours - std::round(computer.utcOffsetHours * 60) / 60;
  if (std::fabs(shift) < 1e-9) {
    lines.push_back({CheckLevel::Ok, "Zone",
                     "the table's zone " + UtcOffsetName(settings.zoneOffsetHours) + " is the computer's",
                     ""});
  } else {
    lines.push_back({CheckLevel::Warning, "Zone",
                     "the table's times are in " + UtcOffsetName(settings.zoneOffsetHours) +
                         ", the computer's clock runs in " + UtcOffsetName(computer.utcOffsetHours) +
                         ": a start run would serve every entry " + GeneralStr(std::fabs(shift)) +
                         (std::fabs(shift) == 1 ? " hour " : " hours ") + (shift < 0 ? "early" : "late"),
                     "make the table in the computer's zone, or set the computer's zone to the table's"});
  }

  if (!settings.site) {
    lines.push_back(
        {CheckLevel::Ok, "Moon", "not checked: no observing site given", "set the site to check it"});
  } else {
    PlanSettings plan;
    plan.zoneOffsetHours = settings.zoneOffsetHours;
    plan.eclipseIndex = settings.eclipseIndex;
    plan.site = settings.site;
    std::vector<size_t> below;
    for (const PlanFinding& finding : CheckPlan(rows, plan)) {
      if (finding.kind == PlanFindingKind::MoonBelowHorizon) {
        below.push_back(finding.row);
      }
    }
    if (below.empty()) {
      lines.push_back({CheckLevel::Ok, "Moon", "above the site's horizon at every row", ""});
    } else {
      lines.push_back({CheckLevel::Warning, "Moon", "below the site's horizon at " + RowList(below),
                       "those rows take no picture of it: check the site and the zone"});
    }
  }

  lines.push_back(
      {computer.keepAwake ? CheckLevel::Ok : CheckLevel::Warning, "Keep awake",
       computer.keepAwake ? "the desktop takes the request" : "neither the screen saver nor logind answer",
       computer.keepAwake ? "" : "switch automatic suspend and screen blanking off by hand"});

  const bool spoken = std::any_of(rows.begin(), rows.end(), [&settings](const ExposureRow& row) {
    return RowKindOf(row) == RowKind::Announcement &&
           !AnnouncementSoundFile(Trim(row[ColumnLabel]), settings.soundFolder);
  });
  if (spoken) {
    lines.push_back({computer.speechEngine ? CheckLevel::Ok : CheckLevel::Warning, "Speech",
                     computer.speechEngine ? "a speech engine reads the announcements"
                                           : "no speech engine for the announcements without a sound file",
                     computer.speechEngine
                         ? ""
                         : "install speech-dispatcher, or put sound files in the documents folder"});
  }

  if (computer.freeBytes) {
    const auto needed = static_cast<uint64_t>(PicturesOfTable(rows)) * PictureCopyBytes;
    const bool enough = *computer.freeBytes >= needed;
    lines.push_back(
        {enough ? CheckLevel::Ok : CheckLevel::Warning, "Free space",
         FixedStr(static_cast<double>(*computer.freeBytes) / 1e9, 1) + " GB in the documents folder",
         enough ? ""
                : "make room for the run log and a copy of the pictures (" +
                      FixedStr(static_cast<double>(needed) / 1e9, 1) + " GB)"});
  }
}

}  // namespace

int64_t PicturesOfTable(const ExposureRows& rows) {
  const CameraTimes times = RealCameraTimes();
  int64_t pictures = 0;
  std::optional<double> previous;
  for (const ExposureRow& row : rows) {
    const RowKind kind = RowKindOf(row);
    const std::optional<double> jd = ServedTime(row);
    if (kind == RowKind::Exposure) {
      pictures += MarkCount(row);
    } else if (kind == RowKind::Loop && previous && jd && *jd > *previous) {
      // Passes until the loop's row time: each marked column's release and exposure, and a shutter
      // change between columns.
      double pass = 0;
      const int marks = MarkCount(row);
      for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
        if (IsMarked(row, column)) {
          pass += times.releaseSeconds + ShutterSeconds(ShutterNameOfColumn(column)).value_or(0) +
                  (marks > 1 ? times.settingSeconds : 0);
        }
      }
      if (pass > 0) {
        pictures += static_cast<int64_t>(std::floor((*jd - *previous) * SecondsPerDayF / pass)) * marks;
      }
    }
    if (jd) {
      previous = jd;
    }
  }
  return pictures;
}

BodyFacts ReadBodyFacts(TAppMaster* camera, uint32_t openStatus, double computerLocalJD,
                        const std::function<void()>& between) {
  BodyFacts body;
  body.openStatus = camera == nullptr && openStatus == CamOk ? CamNotFound : openStatus;
  if (camera == nullptr || openStatus != CamOk) {
    return body;
  }
  const auto read = [camera, &between](uint32_t propertyId) {
    const std::optional<uint32_t> value = camera->ReportedValue(propertyId);
    if (between) {
      between();
    }
    return value;
  };
  body.found = true;
  body.name = std::string(Trim(camera->GetCameraName()));
  body.aeMode = read(PropAEMode);
  body.focusMode = read(PropFocusMode);
  body.saveTo = read(PropSaveTo);
  body.batteryLevel = read(PropBatteryLevel);
  body.availableShots = read(PropAvailableShots);
  body.mirrorLockUp = read(PropMirrorLockUp);
  if (const std::optional<uint32_t> seconds = read(PropDateTime)) {
    const double bodyJD = CalJD(1970, 1, 1, 0, 0, 0) + static_cast<double>(*seconds) / SecondsPerDayF;
    body.clockOffsetSeconds = (bodyJD - computerLocalJD) * SecondsPerDayF;
  }
  if (camera->ReadPropertyDesc(PropAll) == CamOk) {
    for (int kind = 0; kind < SettingKindCount; ++kind) {
      const std::span<const uint32_t> codes = CameraSettingLists[kind].Codes();
      body.accepted[static_cast<size_t>(kind)].assign(codes.begin(), codes.end());
    }
  }
  return body;
}

std::vector<CheckLine> Preflight(const ExposureRows& rows, const PreflightSettings& settings,
                                 const BodyFacts& body, const ComputerState& computer) {
  std::vector<CheckLine> lines;
  if (body.found) {
    CameraLines(body, lines);
    ShotLines(rows, body, lines);
    BatteryLine(body, TableHours(rows), lines);
    ClockLine(body, lines);
    SettingLines(rows, body, lines);
  } else if (body.openStatus == CamOk) {
    lines.push_back({CheckLevel::Warning, "Camera", "not checked", "connect it and check again"});
  } else {
    lines.push_back({CheckLevel::Problem, "Camera", "not found", CameraNotFoundText(body.openStatus)});
  }
  ComputerLines(rows, settings, computer, lines);
  return lines;
}

std::string CameraNotFoundText(uint32_t status) {
  switch (status) {
    case CamNotFound:
      return "nothing answers on USB: connect the camera, switch it on and leave its USB mode at PTP "
             "(PC connection)";
    case CamNoAccess:
      return "the camera is on USB, but this user may not open its device: install libgphoto2's udev rules "
             "(package libgphoto2-6) or join the group plugdev (sudo adduser $USER plugdev, then log in "
             "again)";
    case CamBusy:
      return "another program holds the camera, usually the desktop's camera volume monitor: "
             "gio mount -s gphoto2 lets go of it (or close the photo importer)";
    default:
      return {};
  }
}

const char* CheckLevelName(CheckLevel level) {
  switch (level) {
    case CheckLevel::Ok:
      return "OK";
    case CheckLevel::Warning:
      return "WARNING";
    case CheckLevel::Problem:
      return "PROBLEM";
  }
  return "";
}

std::string CheckLineText(const CheckLine& line) {
  std::string level = CheckLevelName(line.level);
  level.resize(9, ' ');
  std::string todo = line.todo;
  if (!todo.empty() && todo[0] >= 'a' && todo[0] <= 'z') {
    todo[0] = static_cast<char>(todo[0] - 'a' + 'A');
  }
  return level + line.subject + ": " + line.what + (todo.empty() ? "" : ". " + todo);
}

CheckLevel WorstLevel(const std::vector<CheckLine>& lines) {
  CheckLevel worst = CheckLevel::Ok;
  for (const CheckLine& line : lines) {
    worst = std::max(worst, line.level);
  }
  return worst;
}

int PreflightExitStatus(const std::vector<CheckLine>& lines) { return static_cast<int>(WorstLevel(lines)); }

std::string WritePreflightFile(const std::string& folder, double localJD, const std::string& heading,
                               const std::vector<CheckLine>& lines, std::string& error) {
  std::string text = heading + "\n";
  for (const CheckLine& line : lines) {
    text += CheckLineText(line) + "\n";
  }
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);  // a failure shows in the write's error
  const std::string path = folder + "preflight-" + FileStamp(localJD) + ".txt";
  error = ReplaceFile(path, text);
  return error.empty() ? path : std::string();
}

}  // namespace tevra
