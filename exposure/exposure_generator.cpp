// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_generator.h"

#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/divprocs.h"
#include "timing/time_text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tevra {

uint8_t ContactMask = 0;

namespace {

constexpr std::array<int, 5> IsoSpeeds = {100, 200, 400, 800, 1600};

struct ExposureTime {
  double seconds;
  int column;
};
constexpr std::array<ExposureTime, 14> ExposureTimes = {{{0.0005, 8},
                                                         {0.001, 9},
                                                         {0.002, 10},
                                                         {0.004, 11},
                                                         {0.008, 12},
                                                         {1.0 / 60, 13},
                                                         {1.0 / 30, 14},
                                                         {1.0 / 15, 15},
                                                         {0.125, 16},
                                                         {0.25, 17},
                                                         {0.5, 18},
                                                         {1, 19},
                                                         {2, 20},
                                                         {4, 21}}};

double MinuteOf(double jd) { return Floor(jd * 1440 + 0.5) / 1440; }

// Brightness index of the umbral phases as a function of depth.
double UmbralQ(double x) { return x / (0.20536 * Power(x, 15.8053) - 0.27678) + 7.00446; }

// Rows in the umbra: the umbral phases (+-2) and totality (+-3, 4).
bool InUmbra(int phaseCode) { return std::abs(phaseCode) >= 2; }

void MarkBracket(ExposureRow& row, int column, int stops) {
  for (int j = std::max(column - stops, FirstShutterColumn); j <= std::min(column + stops, LastShutterColumn);
       ++j) {
    row[static_cast<size_t>(j)] = "x";
  }
}

// Right-aligned in width characters; a longer text (Q of -10 and below) stays whole.
std::string PadLeft(const std::string& text, size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

std::string RowTimeText(double jd) {
  const CalendarTime t = JDCal(jd);
  return DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
}

}  // namespace

ContactTimes CurrentContacts() { return {JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4}; }

uint8_t ContactMaskOf(const ContactTimes& c) {
  const std::array<double, 7> instants = {c.P1, c.U1, c.U2, c.Mx, c.U3, c.U4, c.P4};
  uint8_t mask = 0;
  for (const double instant : instants) {
    mask = static_cast<uint8_t>((mask << 1) | (instant != 0 ? 1 : 0));
  }
  return mask;
}

bool CanGenerate(uint8_t contactMask) {
  return contactMask == TotalEclipseMask || contactMask == PartialEclipseMask;
}

std::optional<double> IntervalMinutes(int32_t intervalCode) {
  switch (intervalCode) {
    case 15:
      return 0.25;
    case 30:
      return 0.5;
    case 1:
    case 2:
    case 3:
    case 5:
    case 6:
    case 8:
    case 10:
      return intervalCode;
    default:
      return std::nullopt;
  }
}

IsoAndShutter PickIsoAndShutter(double q, double n) {
  double best = -1e99;
  IsoAndShutter result{IsoSpeeds[0], ExposureTimes[0].column};
  for (const int iso : IsoSpeeds) {
    const double fitting = n * n / (Power(2, q) * iso);
    for (const ExposureTime& time : ExposureTimes) {
      const double miss = fitting - time.seconds - 0.00001;
      const double score = -std::log10(miss * miss);
      if (score > best) {
        best = score;
        result = {iso, time.column};
      }
    }
  }
  return result;
}

StepRange GeneratorSteps(const ContactTimes& c, double intervalMinutes) {
  // The rounded instants are whole minutes apart; rounding the difference first keeps the
  // half-to-even rule from depending on the last bit of the day fractions.
  const double beforeMx = std::round((MinuteOf(c.P1) - MinuteOf(c.Mx)) * 1440);
  const double afterMx = std::round((MinuteOf(c.P4) - MinuteOf(c.Mx)) * 1440);
  auto first = static_cast<int64_t>(std::nearbyint(beforeMx / intervalMinutes)) - 2;
  auto last = static_cast<int64_t>(std::nearbyint(afterMx / intervalMinutes)) + 2;
  int64_t margin = 0;
  if (intervalMinutes == 0.5) {
    margin = 8;
  } else if (intervalMinutes == 1) {
    margin = 4;
  } else if (intervalMinutes == 2) {
    margin = 3;
  } else if (intervalMinutes == 3) {
    margin = 2;
  }
  return {first - margin, last + margin};
}

int PhaseCodeAt(double t, const ContactTimes& c) {
  if (c.U2 != 0) {
    if (t > c.P4) return 0;
    if (t > c.U4) return 1;
    if (t > c.U3) return 2;
    if (t > c.Mx) return 3;
    if (t == c.Mx) return 4;
    if (t > c.U2) return -3;
    if (t > c.U1) return -2;
    if (t > c.P1) return -1;
    return 0;
  }
  if (t > c.P4) return 0;
  if (t > c.U4) return 1;
  if (t > c.Mx) return 2;
  if (t > c.U1) return -2;
  if (t > c.P1) return -1;
  return 0;
}

Brightness BrightnessAt(int phaseCode, double t, const ContactTimes& c, int32_t typeCode,
                        double umbMagnitude) {
  const bool total = typeCode == 4 || typeCode == 5;
  switch (phaseCode) {
    case -1: {
      const double fraction = (t - c.P1) / (c.U1 - c.P1);
      return {std::max(fraction, 0.001), 8 - fraction};
    }
    case 1: {
      const double fraction = (t - c.U4) / (c.P4 - c.U4);
      const double x = total ? (t - c.P4) / (c.U4 - c.P4) : 1 - fraction;
      return {std::max(x, 0.001), 7 + fraction};
    }
    case -3:
    case 3:
    case 4:
      return {1, -7};
    case -2:
    case 2:
      if (total) {
        const double x = phaseCode == -2 ? std::max((t - c.U1) / (c.U2 - c.U1), 0.0001)
                                         : std::max(1 - (t - c.U3) / (c.U4 - c.U3), 0.0001);
        return {x, UmbralQ(x)};
      } else {
        const double s = 2 * (t - c.U1) / (c.U4 - c.U1) - 1;
        const double x = std::max(umbMagnitude - umbMagnitude * s * s, 0.001);
        return {x, UmbralQ(x)};
      }
    default:
      return {total ? 0.0001 : 0, 8};
  }
}

double DanjonShift(std::optional<int> danjon) {
  // The brightness exponent Q of the totally eclipsed Moon in the exposure formula
  // t = N^2 / (ISO x 2^Q) is -4 at L 4, -6 at L 3, -8 at L 2, -10 at L 1 and -12 at L 0 (F. Espenak,
  // "Lunar Eclipse Exposure Guide", NASA/GSFC): Q = 2L - 12, against the model's -7.
  return danjon ? 2.0 * std::clamp(*danjon, DanjonDarkest, DanjonBrightest) - 5 : 0;
}

std::string RowLabel(int phaseCode, int counter, double depth, double q) {
  return PadLeft(std::to_string(phaseCode), 2) + " (" + LastChars("0" + std::to_string(counter), 2) + ") " +
         FixedStr(depth, 3) + " " + PadLeft(FixedStr(q, 3), 6);
}

std::optional<ExposureRows> GenerateExposureTable(const ContactTimes& contacts, int32_t typeCode,
                                                  double umbMagnitude, const GeneratorSettings& settings) {
  if (!CanGenerate(ContactMaskOf(contacts))) {
    return std::nullopt;
  }
  const StepRange steps = GeneratorSteps(contacts, settings.intervalMinutes);
  ExposureRows rows;
  rows.reserve(static_cast<size_t>(std::max<int64_t>(steps.last - steps.first + 1, 0)));
  int previousCode = -9999;
  int counter = 0;
  for (int64_t k = steps.first; k <= steps.last; ++k) {
    const double t = contacts.Mx + static_cast<double>(k) * settings.intervalMinutes / 1440;
    const int code = PhaseCodeAt(t, contacts);
    counter = code == previousCode ? counter + 1 : 1;
    Brightness brightness = BrightnessAt(code, t, contacts, typeCode, umbMagnitude);
    if (InUmbra(code)) {
      // The darkness tells at full depth; the umbral phases get their share of it.
      brightness.q += DanjonShift(settings.danjon) * std::min(brightness.depth, 1.0);
    }
    const IsoAndShutter pick = PickIsoAndShutter(brightness.q, settings.fRatio);
    ExposureRow& row = rows.emplace_back();
    row[ColumnLabel] = RowLabel(code, counter, brightness.depth, brightness.q);
    row[ColumnDateTime] = RowTimeText(t);
    row[ColumnQuality] = settings.imageQuality;
    row[ColumnIso] = settings.manualFRatio ? std::to_string(pick.iso) : settings.iso;
    row[ColumnAperture] = settings.manualFRatio ? "" : settings.aperture;
    MarkBracket(row, pick.column, std::clamp(settings.bracketStops, 0, MaxBracketStops));
    previousCode = code;
  }
  return rows;
}

}  // namespace tevra
