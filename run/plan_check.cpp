// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/plan_check.h"

#include "camera/setting_names.h"
#include "exposure/text_file.h"
#include "run/eclipse_run.h"
#include "run/run_texts.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/moon_sky.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tevra {
namespace {

constexpr double SecondsPerDay = 86400;
constexpr size_t MaxQuotedCharacters = 80;
constexpr std::array<const char*, FirstShutterColumn> LeadingColumnNames = {
    "row kind", "label", "date-time", "image quality", "ISO", "aperture"};

// The last written code of image quality, ISO, aperture and shutter, as the run keeps them.
enum Slot { SlotQuality, SlotIso, SlotAperture, SlotShutter };
using LastCodes = std::array<int64_t, 4>;

// What a row served by the run asks of the camera.
struct ServedRow {
  size_t index = 0;
  RowKind kind = RowKind::Exposure;
  std::optional<double> jd;
  double beforeSeconds = 0;  // settings written before its time, after the previous row's work
  double afterSeconds = 0;   // pictures or banner after its time
  std::optional<double> loopPictureSeconds;  // a loop's first picture, its shutter written first
};

std::string Seconds(double seconds) { return FixedStr(seconds, 1) + " s"; }

std::string Quoted(std::string_view text) {
  const std::string_view start = Utf8Prefix(text, MaxQuotedCharacters);
  return "\"" + std::string(start) + (start.size() < text.size() ? "...\"" : "\"");
}

std::string ColumnName(size_t column) {
  if (column < LeadingColumnNames.size()) {
    return LeadingColumnNames[column];
  }
  return "shutter " + ShutterNameOfColumn(static_cast<int>(column));
}

std::optional<PlanFinding> ControlCharacterIn(const ExposureRow& row, size_t index) {
  for (size_t column = 0; column < row.size(); ++column) {
    for (const char c : row[column]) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F) {
        static constexpr const char* Hex = "0123456789ABCDEF";
        return PlanFinding{index, PlanFindingKind::ControlCharacter,
                           "the " + ColumnName(column) + " cell holds the control character 0x" +
                               Hex[byte >> 4] + Hex[byte & 0xF]};
      }
    }
  }
  return std::nullopt;
}

// Writes a setting when its code is known and differs from the last one; true when written.
bool Writes(LastCodes& last, Slot slot, uint32_t code, bool zeroWritten) {
  if ((code == 0 && !zeroWritten) || static_cast<int64_t>(code) == last[slot]) {
    return false;
  }
  last[slot] = code;
  return true;
}

ServedRow Serve(const ExposureRow& row, size_t index, RowKind kind, const CameraTimes& camera,
                LastCodes& last) {
  ServedRow served;
  served.index = index;
  served.kind = kind;
  served.jd = TryDateStrJD(RowTimeText(row, kind)).jd;
  served.beforeSeconds = static_cast<double>(EclipseRun::PhaseClearMs) / 1000;
  if (kind == RowKind::Announcement) {
    served.afterSeconds = AnnouncementSeconds();
    return served;
  }
  int writes = 0;
  writes += Writes(last, SlotQuality, ImageQualityCodeOf(Trim(row[ColumnQuality])), false) ? 1 : 0;
  writes += Writes(last, SlotIso, IsoCodeOf(Trim(row[ColumnIso])), false) ? 1 : 0;
  writes += Writes(last, SlotAperture, ApertureCodeOf(Trim(row[ColumnAperture])), false) ? 1 : 0;
  served.beforeSeconds += writes * camera.settingSeconds;
  for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
    if (!IsMarked(row, column)) {
      continue;
    }
    const std::string name = ShutterNameOfColumn(column);
    const double shutter = Writes(last, SlotShutter, ShutterCodeOf(name), true) ? camera.settingSeconds : 0;
    if (kind == RowKind::Loop) {
      // The stop rule looks at the first picture of a pass once its shutter is written.
      if (!served.loopPictureSeconds) {
        served.loopPictureSeconds = shutter + LoopPictureSeconds(column);
      }
      continue;
    }
    const double exposure = camera.exposes ? ShutterSeconds(name).value_or(0) : 0;
    served.afterSeconds += shutter + camera.releaseSeconds + exposure;
  }
  return served;
}

// A span of time in the unit that reads best: seconds, minutes, hours or days.
std::string Duration(double seconds) {
  if (seconds < 120) {
    return Seconds(seconds);
  }
  if (seconds < 7200) {
    return FixedStr(seconds / 60, 1) + " min";
  }
  if (seconds < 2 * SecondsPerDay) {
    return FixedStr(seconds / 3600, 1) + " hours";
  }
  return FixedStr(seconds / SecondsPerDay, 1) + " days";
}

}  // namespace

CameraTimes RealCameraTimes() { return {0.5, 1.0, true}; }

CameraTimes SimulatedCameraTimes() {
  const double step = static_cast<double>(EclipseRun::RetryPauseMs + EclipseRun::SimulatedStepMs) / 1000;
  return {step, step, false};
}

double AnnouncementSeconds() {
  return static_cast<double>(EclipseRun::BannerMs + 2 * EclipseRun::BlinkMs) / 1000;
}

std::vector<PlanFinding> CheckPlan(const ExposureRows& rows, const PlanSettings& settings) {
  std::vector<PlanFinding> findings;
  const Elemente_Type* entry = nullptr;
  if (settings.eclipseIndex && *settings.eclipseIndex >= 1 && *settings.eclipseIndex <= EclipseCount) {
    entry = &EclipseCatalogue()[static_cast<size_t>(*settings.eclipseIndex)];
  }
  LastCodes last = {-1, -1, -1, -1};
  // The last row served with a readable time; none at the start and after a time not read.
  ServedRow previous;
  bool hasPrevious = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const ExposureRow& row = rows[i];
    if (std::optional<PlanFinding> control = ControlCharacterIn(row, i)) {
      findings.push_back(*control);
    }
    const RowKind kind = RowKindOf(row);
    if (kind == RowKind::Skipped) {
      continue;
    }
    const ServedRow served = Serve(row, i, kind, settings.camera, last);
    if (!served.jd) {
      const std::string_view text = RowTimeText(row, kind);
      findings.push_back(
          {i, PlanFindingKind::UnreadableTime,
           "the run cannot read the time " + Quoted(text) + " (" + TryDateStrJD(text).error + ")"});
      hasPrevious = false;
      continue;
    }
    const double jd = *served.jd;
    if (hasPrevious) {
      const double has = (jd - previous.jd.value_or(jd)) * SecondsPerDay;
      const std::string rowName = "row " + std::to_string(previous.index + 1);
      const double previousWork = previous.kind == RowKind::Loop ? 0 : previous.afterSeconds;
      if (has < 0) {
        findings.push_back({i, PlanFindingKind::OutOfOrder,
                            "its time lies " + Duration(-has) + " before that of " + rowName +
                                ": the run serves it at once"});
      } else {
        const double needs = previousWork + served.beforeSeconds;
        if (needs > has) {
          findings.push_back({previous.index, PlanFindingKind::CannotFinish,
                              "cannot finish in time: needs " + Seconds(needs) + ", has " + Seconds(has) +
                                  " until row " + std::to_string(i + 1),
                              needs, has});
        }
        if (served.loopPictureSeconds) {
          const double loopNeeds = needs + *served.loopPictureSeconds;
          if (loopNeeds >= has) {
            findings.push_back({i, PlanFindingKind::LoopTakesNoPicture,
                                "the loop takes no picture: one needs " + Seconds(loopNeeds) + ", has " +
                                    Seconds(has) + " after " + rowName,
                                loopNeeds, has});
          }
        }
      }
    }
    if (settings.site) {
      const double deltaT = entry != nullptr ? entry->DeltaTSec : [&] {
        const CalendarTime t = JDCal(jd);
        return DeltaT(t.Year, t.Month);
      }();
      const MoonPlace moon = MoonAt(*settings.site, ZoneToUT(jd, settings.zoneOffsetHours), deltaT);
      if (moon.BelowHorizon()) {
        findings.push_back(
            {i, PlanFindingKind::MoonBelowHorizon,
             "the Moon is below the horizon at the site (altitude " + DegreesText(moon.altitude) + ")"});
      }
    }
    if (entry != nullptr) {
      const double p1 =
          ContactInstantOf(*entry, entry->DeltaTSec, settings.zoneOffsetHours, entry->P1Offset, false);
      const double p4 =
          ContactInstantOf(*entry, entry->DeltaTSec, settings.zoneOffsetHours, entry->P4Offset, false);
      const double margin = FarFromEclipseHours / 24;
      const std::string eclipse = "eclipse " + std::to_string(*settings.eclipseIndex);
      if (jd < p1 - margin) {
        findings.push_back(
            {i, PlanFindingKind::FarFromEclipse,
             "its time lies " + Duration((p1 - jd) * SecondsPerDay) + " before P1 of " + eclipse});
      } else if (jd > p4 + margin) {
        findings.push_back(
            {i, PlanFindingKind::FarFromEclipse,
             "its time lies " + Duration((jd - p4) * SecondsPerDay) + " after P4 of " + eclipse});
      }
    }
    previous = served;
    hasPrevious = true;
  }
  std::stable_sort(findings.begin(), findings.end(), [](const PlanFinding& a, const PlanFinding& b) {
    return a.row != b.row ? a.row < b.row : a.kind < b.kind;
  });
  return findings;
}

std::string DescribeFinding(const PlanFinding& finding) {
  return "row " + std::to_string(finding.row + 1) + ": " + finding.what;
}

}  // namespace tevra
