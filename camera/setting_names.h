// SPDX-License-Identifier: GPL-3.0-or-later
// Names of the five camera settings and their 32-bit camera codes. The exposure tables and the
// information log carry names; a name becomes a code only when it is written to the camera.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tevra {

struct SettingName {
  std::string_view Name;
  uint32_t Code;
};

// Code of the closing entry of every table.
constexpr uint32_t UnknownCode = 0xFFFFFFFF;

// Kind numbers of the name lookups and the information log.
constexpr int KindImageQuality = 0;
constexpr int KindAEMode = 1;
constexpr int KindIso = 2;
constexpr int KindAperture = 3;
constexpr int KindShutter = 4;
constexpr int SettingKindCount = 5;

// The tables in array order, each ending with "Unknown" (165, 65, 40, 55 and 78 entries).
std::span<const SettingName> IQTable();
std::span<const SettingName> AEModeTable();
std::span<const SettingName> ISOTable();
std::span<const SettingName> AvTable();
std::span<const SettingName> TvTable();

// The table of a kind number 0..4; empty for any other number.
std::span<const SettingName> SettingNameTable(int kind);

// The name of the first entry with that code, never the closing "Unknown"; "" when none matches
// or the kind is out of range.
std::string SettingNameByCode(int kind, uint32_t code);

// Name to code, letter case ignored, the closing "Unknown" included; the first equal entry wins
// (so a shutter name that occurs twice gives the smaller code). 0 when no entry is equal, which is
// also the code of ISO "AUTO".
uint32_t ImageQualityCodeOf(std::string_view name);
uint32_t IsoCodeOf(std::string_view name);
uint32_t ApertureCodeOf(std::string_view name);
uint32_t ShutterCodeOf(std::string_view name);

// Exposure time in seconds of a shutter name (`30"`, `3"2`, `1/250`); empty for "Bulb" and for
// anything that is not a shutter name of that form.
std::optional<double> ShutterSeconds(std::string_view name);

// The speed of an ISO name ("100"); empty for "AUTO" and anything else.
std::optional<double> IsoSpeed(std::string_view name);

// The f-number of an aperture name ("f/5.6", "f/13 (1/3)"); empty for anything else.
std::optional<double> ApertureFNumber(std::string_view name);

}  // namespace tevra
