// SPDX-License-Identifier: GPL-3.0-or-later
// Tevra.prm: the 48-byte record that carries the user's choices from one run to the next, and
// the one table that maps the exposure interval codes to their buttons.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tevra {

constexpr size_t ParameterFileSize = 48;
constexpr size_t VersionCapacity = 16;  // characters of the short-string version

// The in-memory image of Tevra.prm (little-endian on disk). The padding members keep whatever
// was read so that a save writes them back unchanged.
struct ParameterFileRecord {
  uint8_t VersionLength = 0;                         // offset 0, 0..16
  std::array<char, VersionCapacity> VersionChars{};  // offset 1; beyond the length not significant
  std::array<uint8_t, 3> Padding17{};                // offset 17
  int32_t EclipseIndex = 0;                          // offset 20, 1..143
  int32_t TimeZoneIndex = 0;                         // offset 24, -1 when none selected
  bool ShowTenths = false;                           // offset 28, "Tenths of seconds"
  bool RoundContacts = false;                        // offset 29, "Eclipse times rounded to 15 sec."
  bool ManualFRatio = false;                         // offset 30, CheckBox_manual_f_ratio
  uint8_t Padding31 = 0;                             // offset 31
  double FRatio = 0;                                 // offset 32, focal ratio of the optics
  int32_t IntervalCode = 0;                          // offset 40, see IntervalButtons()
  std::array<uint8_t, 4> Padding44{};                // offset 44
};

// The process-wide record: zero until the main window loads or creates the file. The exposure
// window reads ManualFRatio, FRatio and IntervalCode when it is created and writes FRatio back
// when the user edits the focal ratio.
extern ParameterFileRecord ParameterRecord;

// First-start values.
constexpr int32_t FirstStartEclipseIndex = 34;
constexpr int32_t FirstStartTimeZoneIndex = 14;
constexpr bool FirstStartManualFRatio = true;
constexpr double FirstStartFRatio = 8.0;
constexpr int32_t FirstStartIntervalCode = 10;

// The stored version text (the length byte decides how many characters count).
std::string StoredVersion(const ParameterFileRecord& record);

// Sets the version to the first 16 characters of the given text.
void SetStoredVersion(ParameterFileRecord& record, std::string_view version);

// True when the stored version equals the program version cut to 16 characters: same length
// byte and the same characters as far as that length goes.
bool VersionMatches(const ParameterFileRecord& record, std::string_view programVersion);

// The record a first start writes.
ParameterFileRecord FirstStartParameters(std::string_view programVersion);

// The 48 bytes of the record, little-endian.
std::array<uint8_t, ParameterFileSize> EncodeParameters(const ParameterFileRecord& record);

// Reads up to 48 bytes; a shorter input fills only the leading fields, the rest stays zero.
ParameterFileRecord DecodeParameters(std::span<const uint8_t> bytes);

// The focal ratio stored for the exposure window's Edit_fRatio text: "0" + text read as a
// number, at least 1.0; 11.0 when it is no number ("", ".5" and "0.7" give 1.0, "f/8" 11.0).
double FRatioFromText(std::string_view text);

// An exposure interval: the number stored in IntervalCode, the radio button and its caption.
struct IntervalButton {
  int32_t Code;
  const char* Button;
  const char* Caption;
};
constexpr size_t IntervalButtonCount = 9;

// RadioButton15, RadioButton30, RadioButton01 ... RadioButton10, in this order. Both directions
// (code to button at load, checked button to code at save) use this table.
const std::array<IntervalButton, IntervalButtonCount>& IntervalButtons();

// Position of a code in IntervalButtons(); empty for a code no button carries.
std::optional<size_t> IntervalButtonIndex(int32_t code);

// The exposure window's part of the record, as SaveParameters collects it.
struct ExposureChoices {
  bool manualFRatio = FirstStartManualFRatio;  // CheckBox_manual_f_ratio checked
  std::string fRatioText;                      // Edit_fRatio text, as typed
  std::optional<int32_t> intervalCode;         // code of the checked interval button, if any
};

// Implemented by the exposure window so that the main window can save its choices without
// reaching into its widgets.
class ExposureChoicesSource {
 public:
  virtual ~ExposureChoicesSource() = default;
  virtual ExposureChoices CurrentExposureChoices() const = 0;
};

// The main window's part of the record.
struct MainChoices {
  int32_t eclipseIndex = FirstStartEclipseIndex;
  int32_t timeZoneIndex = FirstStartTimeZoneIndex;
  bool showTenths = false;
  bool roundContacts = false;
};

// Steps 3 to 5 of saving: copies the choices into the record. Without an exposure window the
// record keeps its exposure fields; without a checked interval button IntervalCode is kept.
void CollectChoices(ParameterFileRecord& record, const MainChoices& main, const ExposureChoices* exposure);

// Outcome of reading the parameter file at start.
enum class LoadOutcome {
  Loaded,        // compatible file read into the record
  Created,       // no file: first-start values written at once
  Incompatible,  // other version: the caller shows the message, deletes the file and ends
  Failed,        // could not be read or created; error says why, the record holds first-start values
};

struct LoadResult {
  LoadOutcome outcome = LoadOutcome::Failed;
  std::string storedVersion;  // for the incompatibility message
  std::string error;          // for Failed: what went wrong, with the system's text
};

// What a first start takes from the computer instead of the fixed values: the coming eclipse and
// the zone row of the computer's UTC offset (none when the zone table has no row for it).
struct FirstStartChoice {
  int32_t eclipseIndex = FirstStartEclipseIndex;
  std::optional<int32_t> timeZoneIndex;
};

// LoadParameters without the user interface: fills record from the file at path, or creates it
// with the first-start values, the eclipse and zone of choice where given. A stored focal ratio
// that is not a finite positive number is replaced by the first-start value; anything but a
// regular file at path is reported as unreadable.
LoadResult LoadParameterFile(const std::string& path, std::string_view programVersion,
                             ParameterFileRecord& record, const std::optional<FirstStartChoice>& choice = {});

// The incompatibility message box.
constexpr const char* IncompatibleCaption = "Incompatible parameter file found";
std::string IncompatibleText(const std::string& storedVersion);

// Replaces the file at path by the 48 bytes (ReplaceFile), so a crash never leaves a truncated
// file. Returns an empty text on success, else what failed.
std::string WriteParameterFile(const std::string& path, const ParameterFileRecord& record);

}  // namespace tevra
