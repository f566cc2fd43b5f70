// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_log.h"

#include "camera/setting_names.h"
#include "state/file_io.h"
#include "state/variables.h"
#include "timing/divprocs.h"
#include "timing/time_text.h"

#include <QDateTime>
#include <QSysInfo>
#include <QTimeZone>

#include <array>
#include <optional>

namespace tevra {
namespace {

constexpr const char* LineEnd = "\r\n";
constexpr size_t NumberColumns = 12;

std::string RightAligned(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string DateFields(const ZoneChangeDate& d) {
  std::string text;
  for (const int32_t field :
       {d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond, d.dayOfWeek}) {
    if (!text.empty()) {
      text += ' ';
    }
    text += std::to_string(field);
  }
  return text;
}

std::string ZoneStateLine(int32_t state) {
  switch (state) {
    case ZoneStateUnknown:
      return "Current  bias name      : Unknown";
    case ZoneStateStandard:
      return "Current  bias name      : Standard";
    case ZoneStateDaylight:
      return "Current  bias name      : Daylight";
    default:
      return {};
  }
}

// Labels of the count lines, by kind number.
constexpr std::array<const char*, SettingKindCount> CountLabels = {
    "number of Image quality settings", "number of AEmode settings", "number of ISO speed settings",
    "number of Av (Aperture value) settings", "number of Tv (Time value) settings"};

// The fields of a date and time as the clock showed them.
ZoneChangeDate DateFieldsOf(const QDateTime& local) {
  ZoneChangeDate d;
  d.year = local.date().year();
  d.month = local.date().month();
  d.day = local.date().day();
  d.hour = local.time().hour();
  d.minute = local.time().minute();
  d.second = local.time().second();
  d.millisecond = local.time().msec();
  d.dayOfWeek = local.date().dayOfWeek() % 7;  // Qt counts Monday 1 .. Sunday 7
  return d;
}

// The next change into daylight time (daylight true) or into standard time within a year.
std::optional<QTimeZone::OffsetData> NextChange(const QTimeZone& zone, const QDateTime& nowUtc,
                                                bool daylight) {
  QDateTime from = nowUtc;
  for (int i = 0; i < 4; ++i) {
    const QTimeZone::OffsetData change = zone.nextTransition(from);
    if (!change.atUtc.isValid() || change.atUtc > nowUtc.addYears(1)) {
      return std::nullopt;
    }
    if ((change.daylightTimeOffset != 0) == daylight) {
      return change;
    }
    from = change.atUtc;
  }
  return std::nullopt;
}

// The local time on the clock just before the change, as the zone states its change dates.
ZoneChangeDate LocalChangeDate(const QTimeZone& zone, const QTimeZone::OffsetData& change) {
  const int offsetBefore = zone.offsetFromUtc(change.atUtc.addMSecs(-1));
  return DateFieldsOf(change.atUtc.toOffsetFromUtc(offsetBefore));
}

std::string UserName() {
  for (const char* name : {"USER", "LOGNAME", "USERNAME"}) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) {
      return value.toStdString();
    }
  }
  return {};
}

}  // namespace

std::string CameraLogText(const ComputerFacts& facts, const LocalDateTime& now, const std::string& cameraName,
                          const CameraSettingListSet& lists) {
  std::string text;
  const auto line = [&text](const std::string& content) {
    text += content;
    text += LineEnd;
  };
  // A heading underlined with as many dashes as it has characters.
  const auto heading = [&line](const std::string& title) {
    line(title);
    line(std::string(title.size(), '-'));
  };
  line("$$BOH");
  heading("Logfile creation date and time");
  line(DateTimeStr(now.year, now.month, now.day, now.hour, now.minute, now.second, 1));
  line("");
  heading("Program information");
  line("Tevra Version: " + facts.programVersion);
  line("");
  heading("Computer information");
  line("Reg_ProductName         : " + facts.productName);
  line("Reg_CSDVersion          : " + facts.csdVersion);
  line("Reg_BuildLab            : " + facts.buildLab);
  line("Computer name           : " + facts.computerName);
  line("User name               : " + facts.userName);
  line("");
  heading("Standard directories");
  line("Windows temporary path  : " + facts.tempFolder);
  line("Windows application path: " + facts.programFolder);
  line("Windows documents path  : " + facts.documentsFolder);
  line("");
  heading("Computer time zone settings");
  line("Computer standard name  : " + facts.standardName);
  line("Computer standard date  : " + DateFields(facts.standardDate));
  line("Standard bias           : " + std::to_string(facts.standardBias));
  line("Current  bias           : " + std::to_string(facts.currentBias));
  if (const std::string state = ZoneStateLine(facts.zoneState); !state.empty()) {
    line(state);
  }
  line("Computer daylight name  : " + facts.daylightName);
  line("Computer daylight date  : " + DateFields(facts.daylightDate));
  line("DayLight bias           : " + std::to_string(facts.daylightBias));
  line("");
  heading("Camera and connected optics information");
  line("$$EOH");
  line(cameraName);
  for (int kind = 0; kind < SettingKindCount; ++kind) {
    const CameraSettingList& list = lists[kind];
    line(RightAligned(std::to_string(list.Count()), NumberColumns) + " " +
         CountLabels[static_cast<size_t>(kind)]);
    for (const uint32_t code : list.Codes()) {
      line(RightAligned(std::to_string(code), NumberColumns) + " " +
           RightAligned(HexStr(code, 4), NumberColumns) + " 0 " + SettingNameByCode(kind, code));
    }
  }
  return text;
}

ComputerFacts SystemComputerFacts() {
  ComputerFacts facts;
  facts.programVersion = ProgramVersion;
  facts.productName = RegProductName;
  facts.csdVersion = RegCSDVersion;
  facts.buildLab = RegBuildLab;
  facts.computerName = QSysInfo::machineHostName().toStdString();
  facts.userName = UserName();
  facts.tempFolder = TempFolder;
  facts.programFolder = ProgramFolder;
  facts.documentsFolder = DocumentsFolder;

  const QTimeZone zone = QTimeZone::systemTimeZone();
  const QDateTime nowUtc = QDateTime::currentDateTimeUtc();
  const QLocale names = QLocale::c();
  facts.standardName = zone.displayName(QTimeZone::StandardTime, QTimeZone::LongName, names).toStdString();
  facts.daylightName = zone.displayName(QTimeZone::DaylightTime, QTimeZone::LongName, names).toStdString();
  facts.standardBias = -zone.standardTimeOffset(nowUtc) / 60;
  facts.currentBias = -zone.offsetFromUtc(nowUtc) / 60;
  facts.daylightBias = facts.standardBias;
  if (!zone.hasDaylightTime()) {
    facts.zoneState = ZoneStateUnknown;
    return facts;
  }
  facts.zoneState = zone.isDaylightTime(nowUtc) ? ZoneStateDaylight : ZoneStateStandard;
  if (const auto toStandard = NextChange(zone, nowUtc, false)) {
    facts.standardDate = LocalChangeDate(zone, *toStandard);
  }
  if (const auto toDaylight = NextChange(zone, nowUtc, true)) {
    facts.daylightDate = LocalChangeDate(zone, *toDaylight);
    facts.daylightBias = -toDaylight->offsetFromUtc / 60;
  }
  return facts;
}

LocalDateTime SystemLocalDateTime() {
  const ZoneChangeDate now = DateFieldsOf(QDateTime::currentDateTime());
  return {now.year, now.month, now.day, now.hour, now.minute, now.second + now.millisecond / 1000.0};
}

std::string WriteCameraLog(const std::string& path, const std::string& text) {
  return ReplaceFile(path, text);
}

}  // namespace tevra
