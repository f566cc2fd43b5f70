// SPDX-License-Identifier: GPL-3.0-or-later
// The live display of the main window as plain texts and colours: the clock line, the seven
// contact rows with their countdowns and the greatest-eclipse labels. The window and
// tevra-cli both show exactly what these functions produce.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tevra {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb AheadCountdownColour{160, 192, 0};  // countdown of a contact still ahead
constexpr Rgb AheadTimeColour{0, 255, 0};         // time and zone text of a contact still ahead
constexpr Rgb PassedColour{192, 0, 0};            // all three texts of a contact passed
constexpr Rgb HiddenColour{0, 0, 0};              // U2/U3 of a partial eclipse, on their black rows
constexpr Rgb SystemTimeHeaderColour{208, 208, 208};
constexpr Rgb SystemTimeClockColour{0, 0, 0};
constexpr Rgb RehearsalColour{255, 0, 0};

// The clock as a JD in the chosen zone: the computer's local time plus RehearsalOffset.
extern double NowJD;
// Days added to the computer's clock; anything but 0 is Rehearsal Time.
extern double RehearsalOffset;
// 1 while "Tenths of seconds" is checked, else 0: the precision of every time text here.
extern int32_t TenthsFlag;

// A source of the computer's local date and time as a JD (without RehearsalOffset).
using LocalClock = std::function<double()>;

// The computer's local date and time to the millisecond as a JD.
double SystemLocalJD();

// Hours east of UTC of the computer's clock now (its zone, summer time included).
double ComputerUtcOffsetHours();

// Sets NowJD from the clock plus RehearsalOffset and returns it.
double ReadClock(const LocalClock& clock);

// Interval of the display timer: 250 ms with tenths, else 500 ms.
int TimerIntervalMs(int32_t tenthsFlag);

enum class ContactState { Ahead, Passed, Hidden };

// "ahead", "passed" or "hidden".
const char* ContactStateName(ContactState state);

struct ContactRow {
  std::string name;           // "P1", "U1", "U2", "Mx", "U3", "U4", "P4"
  std::string timeText;       // "P1: 2001-01-09 17:43:32.9"
  std::string countdownText;  // "+0 00:14:59.8"
  std::string zoneText;       // " [UTC+01]"
  Rgb timeColour;
  Rgb countdownColour;
  Rgb zoneColour;
  ContactState state = ContactState::Ahead;
};

constexpr size_t ContactCount = 7;
using ContactRows = std::array<ContactRow, ContactCount>;  // P1, U1, U2, Mx, U3, U4, P4

// Recomputes the contact instants of the current eclipse in the current zone and returns the
// 21 label texts and colours, counted down from nowJD.
ContactRows ContactLabels(double nowJD, bool roundTo15Seconds);

struct ClockLine {
  std::string headerText;  // "System Time" or "Rehearsal Time"
  std::string clockText;   // "2024-09-18 02:41:07.3"
  std::string zoneText;    // " [UTC+01]"
  Rgb headerBackground;
  Rgb clockBackground;  // of the clock and its zone label
};

ClockLine ClockLabels(double nowJD);

struct GreatestEclipseTexts {
  std::string date;    // Label_Datum, "2001-01-09" (UT)
  std::string type;    // MoFiTyp_Label
  std::string time;    // Label_Zeit, "Greatest eclipse at 20:20:35.8 UTC"
  std::string deltaT;  // Label_Deltat, "DeltaT=64.2 sec"
};

// The labels of the current eclipse; they do not depend on the zone or the options.
GreatestEclipseTexts GreatestEclipseLabels();

struct CountdownDisplay {
  ClockLine clock;
  ContactRows contacts;
};

// One timer tick: reads the clock into NowJD and makes the clock line and the contact rows.
CountdownDisplay CountdownTick(const LocalClock& clock, bool roundTo15Seconds);

}  // namespace tevra
