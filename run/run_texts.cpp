// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_texts.h"

#include "camera/camera_status.h"
#include "timing/astrolib.h"
#include "timing/divprocs.h"
#include "timing/text_util.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <algorithm>
#include <cmath>

namespace tevra {
namespace {

constexpr size_t ListedProblems = 8;

// Characters first..first+count-1 (counted from 1) of text, fewer where it is shorter.
std::string_view Copy(std::string_view text, size_t first, size_t count) {
  if (first > text.size()) {
    return {};
  }
  return text.substr(first - 1, count);
}

std::string TwoDigits(int64_t value) { return LastChars("00" + std::to_string(value), 2); }

// "[UTC-05]" of "Date Time;[UTC-05]"; empty without brackets.
std::string_view ZoneTagOfTitle(std::string_view title) {
  const size_t open = title.find('[');
  const size_t close = open == std::string_view::npos ? open : title.find(']', open);
  return close == std::string_view::npos ? std::string_view() : title.substr(open, close - open + 1);
}

}  // namespace

std::string RowKeptText(size_t row, bool sameTable) {
  if (sameTable) {
    return "Row " + std::to_string(row) +
           ": its time as edited cannot be read; the run serves the row as it stood";
  }
  return "Rows were added or removed, or another table was opened: from row " + std::to_string(row) +
         " on the run serves the rows as they stood at its start";
}

std::string WannText(std::string_view prefix, double jd) {
  const CalendarTime t = JDCal(jd);
  return std::string(prefix) + DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
}

std::string ShotInfoText(const ExposureRow& row, const std::string& shutterName) {
  return "IQ  : " + row[ColumnQuality] + "\r\nISO: " + row[ColumnIso] + "\r\nAv  : " + row[ColumnAperture] +
         "\r\nTv  : " + shutterName;
}

std::string CameraStepText(std::string_view name, uint32_t status, int trials) {
  return std::string(name) + ": Sts=" + std::to_string(status) + " Trials=" + std::to_string(trials);
}

bool TryCameraStepAgain(uint32_t status, int trials, int failures, bool pastGiveUp) {
  if (status == CamOk || IsDisconnected(status) || trials >= MaxBusyTrials) {
    return false;
  }
  return status == CamBusy ? !pastGiveUp : failures < MaxFailedTrials;
}

std::string NotAppliedText(std::string_view name, uint32_t status, std::optional<uint32_t> reported) {
  std::string text = std::string(name) + " not applied: ";
  if (status != CamOk) {
    return text + "Sts=" + std::to_string(status) + " (" + CameraStatusText(status) + ")";
  }
  return text + "the camera reports 0x" + HexStr(reported.value_or(0), 4);
}

std::string WithNotApplied(std::string text, const std::vector<std::string>& notApplied) {
  for (const std::string& setting : notApplied) {
    text += " - " + setting;
  }
  return text;
}

std::string RunCountsText(int taken, int failed, int notApplied, int noFile, int lost) {
  return "Pictures taken " + std::to_string(taken) + ", failed " + std::to_string(failed) +
         ", settings not applied " + std::to_string(notApplied) + ", released without a file " +
         std::to_string(noFile) + ", lost " + std::to_string(lost);
}

std::string SimulatedStepText(std::string_view name) { return std::string(name) + ": SIMULATION MODE"; }

std::string AnnouncementText(std::string_view label) {
  std::string text = UpperCase(label);
  if (const size_t wav = text.find(".WAV"); wav != std::string::npos) {
    text.resize(wav);
  }
  std::replace(text.begin(), text.end(), '-', ' ');
  std::replace(text.begin(), text.end(), '_', ' ');
  return text;
}

double LoopPictureSeconds(int column) { return std::exp(0.691 * column) * 0.000004 + 10; }

double RehearsalOffsetFor(std::string_view labelWann, double localJD) {
  const std::string_view s = labelWann.size() > 4 ? labelWann.substr(4) : std::string_view();
  const auto whole = [&](size_t first, size_t count) {
    return static_cast<int32_t>(ParseInteger(Copy(s, first, count)).value_or(1));
  };
  const auto decimal = [&](size_t first, size_t count) {
    return ParseDecimal(Copy(s, first, count)).value_or(0);
  };
  return CalJD(whole(1, 4), whole(6, 2), whole(9, 2), decimal(12, 2), decimal(15, 2), decimal(18, 9) - 5) -
         localJD;
}

std::string MillisecondTimeStr(double jd) {
  const CalendarTime t = JDCal(jd);
  const auto ms = static_cast<int64_t>(std::llround(t.Second * 1000));
  return LastChars("0000" + std::to_string(t.Year), 4) + "-" + TwoDigits(t.Month) + "-" + TwoDigits(t.Day) +
         " " + TwoDigits(static_cast<int64_t>(t.Hour)) + ":" + TwoDigits(static_cast<int64_t>(t.Minute)) +
         ":" + TwoDigits(ms / 1000) + "." + LastChars("000" + std::to_string(ms % 1000), 3);
}

std::vector<RowTimeProblem> UnreadableRowTimes(const ExposureRows& rows) {
  std::vector<RowTimeProblem> problems;
  for (size_t i = 0; i < rows.size(); ++i) {
    const RowKind kind = RowKindOf(rows[i]);
    if (kind == RowKind::Skipped) {
      continue;
    }
    const std::string_view text = RowTimeText(rows[i], kind);
    if (const DateStrResult read = TryDateStrJD(text); !read.jd) {
      problems.push_back({i + 1, std::string(text), read.error});
    }
  }
  return problems;
}

std::string UnreadableTimesMessage(const std::vector<RowTimeProblem>& problems) {
  std::string text = "The run does not start: the time of ";
  text += problems.size() == 1 ? "this row cannot be read:" : "these rows cannot be read:";
  for (size_t i = 0; i < std::min(problems.size(), ListedProblems); ++i) {
    text += "\nRow " + std::to_string(problems[i].row) + ": \"" + problems[i].text + "\"";
  }
  if (problems.size() > ListedProblems) {
    text += "\nand " + std::to_string(problems.size() - ListedProblems) + " more";
  }
  return text;
}

std::optional<double> ZoneOffsetOfTitle(std::string_view title) {
  const std::string_view tag = ZoneTagOfTitle(title);
  if (tag.empty()) {
    return std::nullopt;
  }
  const std::string_view name = Trim(tag.substr(1, tag.size() - 2));
  for (const tTZone_Ary& zone : TimeZoneTable()) {
    if (UnpaddedZoneName(zone) == name) {
      return zone.Offset;
    }
  }
  return std::nullopt;
}

std::string UtcOffsetName(double hours) {
  const auto minutes = static_cast<int64_t>(std::llround(hours * 60));
  if (minutes == 0) {
    return "UTC";
  }
  const int64_t size = minutes < 0 ? -minutes : minutes;
  std::string name = std::string("UTC") + (minutes < 0 ? "-" : "+") + TwoDigits(size / 60);
  if (size % 60 != 0) {
    name += ":" + TwoDigits(size % 60);
  }
  return name;
}

std::string ZoneWarning(std::string_view timeTitle, double computerOffsetHours) {
  const std::optional<double> tableOffset = ZoneOffsetOfTitle(timeTitle);
  if (!tableOffset) {
    return {};
  }
  // A row time t of the table's zone happens at t - tableOffset UTC; the run serves it when the
  // computer's clock reads t, at t - computerOffset UTC.
  const double shift = *tableOffset - std::round(computerOffsetHours * 60) / 60;
  if (std::fabs(shift) < 1e-9) {
    return {};
  }
  const double size = std::fabs(shift);
  return "The exposure table's times are in " + std::string(ZoneTagOfTitle(timeTitle)) +
         ", but this computer's clock runs in " + UtcOffsetName(computerOffsetHours) +
         ". The run compares the table's times with the computer's clock as they stand, so every entry would "
         "come " +
         GeneralStr(size) + (size == 1 ? " hour " : " hours ") + (shift < 0 ? "early." : "late.");
}

std::string PastRowsQuestion(size_t count, double firstJD, double lastJD) {
  const std::string entries = count == 1 ? "1 entry of the exposure table was"
                                         : std::to_string(count) + " entries of the exposure table were";
  const std::string when = count == 1 ? "at " + WannText("", firstJD)
                                      : "from " + WannText("", firstJD) + " to " + WannText("", lastJD);
  return "The run starts late: " + entries + " due more than 60 seconds ago, " + when + ".\n\nTake " +
         (count == 1 ? "it" : "them") + " now, one after another?\nNo skips " + (count == 1 ? "it" : "them") +
         ", and the run waits for the next entry.";
}

std::string RetakeQuestion(size_t count, double firstJD, double lastJD) {
  const std::string entries = count == 1 ? "1 entry of the exposure table was"
                                         : std::to_string(count) + " entries of the exposure table were";
  const std::string when = count == 1 ? "due at " + WannText("", firstJD)
                                      : "due from " + WannText("", firstJD) + " to " + WannText("", lastJD);
  return entries + " taken in full by an earlier run of this table in the last 12 hours (" + when +
         ").\n\nTake " + (count == 1 ? "it" : "them") + " again?\nNo passes over " +
         (count == 1 ? "it" : "them") + ".";
}

std::string RunLogNames(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) {
    names += (names.empty() ? "" : ", ") + path;
  }
  return names;
}

std::string KeepAliveFailedText(uint32_t status) {
  return "The camera does not answer while waiting: Sts=" + std::to_string(status) + " (" +
         CameraStatusText(status) + ")";
}

}  // namespace tevra
