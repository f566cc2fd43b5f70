// SPDX-License-Identifier: GPL-3.0-or-later
// The exposure table generator: one row per step of the basic interval from before P1 to after
// P4, with the phase, a brightness model of the eclipsed Moon and the shutter that fits it.
#pragma once

#include "exposure/exposure_table.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tevra {

// The seven contact instants (JD in the table's zone); 0 for a contact the eclipse lacks.
struct ContactTimes {
  double P1 = 0;
  double U1 = 0;
  double U2 = 0;
  double Mx = 0;
  double U3 = 0;
  double U4 = 0;
  double P4 = 0;
};

// JD_P1 .. JD_P4 of the selected eclipse.
ContactTimes CurrentContacts();

constexpr uint8_t TotalEclipseMask = 127;    // all seven contacts
constexpr uint8_t PartialEclipseMask = 107;  // P1, U1, Mx, U4, P4

// 64 for P1, 32 U1, 16 U2, 8 Mx, 4 U3, 2 U4, 1 P4, each when non-zero.
uint8_t ContactMaskOf(const ContactTimes& contacts);
bool CanGenerate(uint8_t contactMask);

// Set by the exposure window when it is prepared; the generator acts only on 127 and 107.
extern uint8_t ContactMask;

// Minutes of an interval code (15 and 30 are seconds, the others minutes); empty for other codes.
std::optional<double> IntervalMinutes(int32_t intervalCode);

struct IsoAndShutter {
  int iso = 0;
  int column = 0;  // shutter column of the table
};

// The ISO speed and shutter column whose exposure time lies closest to N^2 / (2^Q x ISO); ties keep
// the lower ISO and the shorter time.
IsoAndShutter PickIsoAndShutter(double q, double n);

// Step indices of the first and last row, counted in intervals from Mx.
struct StepRange {
  int64_t first = 0;
  int64_t last = 0;
};
StepRange GeneratorSteps(const ContactTimes& contacts, double intervalMinutes);

// -3..4 for a total eclipse (U2 non-zero), -2..2 for a partial one; 0 outside P1..P4.
int PhaseCodeAt(double t, const ContactTimes& contacts);

struct Brightness {
  double depth = 0;  // X, how far the row lies into its phase
  double q = 0;      // brightness index: 8 full Moon, -7 totality
};
// typeCode 4 and 5 use the total-eclipse model, any other the partial one.
Brightness BrightnessAt(int phaseCode, double t, const ContactTimes& contacts, int32_t typeCode,
                        double umbMagnitude);

// For example "-2 (05) 0.345  3.210".
std::string RowLabel(int phaseCode, int counter, double depth, double q);

// The darkness of the totally eclipsed Moon on the Danjon scale: L 0 (very dark) to 4 (bright
// copper). Unknown keeps the model's totality, Q = -7.
constexpr int DanjonDarkest = 0;
constexpr int DanjonBrightest = 4;

// Stops the umbral rows' brightness index moves for Danjon L (at full depth): 2L - 5, from -5 at L 0
// to +3 at L 4; 0 for unknown.
double DanjonShift(std::optional<int> danjon);

// Shutter columns marked on each side of a row's own: 0, 1 or 2 stops.
constexpr int MaxBracketStops = 2;

struct GeneratorSettings {
  double intervalMinutes = 10;
  double fRatio = 8;
  bool manualFRatio = true;  // write the picked ISO and no aperture
  std::string imageQuality;
  std::string iso;
  std::string aperture;
  std::optional<int> danjon;  // DanjonDarkest..DanjonBrightest; empty: unknown
  int bracketStops = 0;       // 0..MaxBracketStops
};

// The generated table; empty when the contacts are neither a total nor a partial eclipse.
std::optional<ExposureRows> GenerateExposureTable(const ContactTimes& contacts, int32_t typeCode,
                                                  double umbMagnitude, const GeneratorSettings& settings);

}  // namespace tevra
