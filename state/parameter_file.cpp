// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/parameter_file.h"

#include "state/file_io.h"
#include "timing/time_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace tevra {

ParameterFileRecord ParameterRecord;

namespace {

constexpr size_t EclipseIndexAt = 20;
constexpr size_t TimeZoneIndexAt = 24;
constexpr size_t ShowTenthsAt = 28;
constexpr size_t RoundContactsAt = 29;
constexpr size_t ManualFRatioAt = 30;
constexpr size_t Padding31At = 31;
constexpr size_t FRatioAt = 32;
constexpr size_t IntervalCodeAt = 40;
constexpr size_t Padding44At = 44;

using Bytes = std::array<uint8_t, ParameterFileSize>;

void PutU32(Bytes& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint32_t GetU32(const Bytes& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  }
  return value;
}

void PutU64(Bytes& bytes, size_t at, uint64_t value) {
  for (size_t i = 0; i < 8; ++i) {
    bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint64_t GetU64(const Bytes& bytes, size_t at) {
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i) {
    value |= static_cast<uint64_t>(bytes[at + i]) << (8 * i);
  }
  return value;
}

}  // namespace

std::string StoredVersion(const ParameterFileRecord& record) {
  const size_t length = std::min<size_t>(record.VersionLength, VersionCapacity);
  return {record.VersionChars.data(), length};
}

void SetStoredVersion(ParameterFileRecord& record, std::string_view version) {
  version = version.substr(0, VersionCapacity);
  record.VersionLength = static_cast<uint8_t>(version.size());
  std::copy(version.begin(), version.end(), record.VersionChars.begin());
}

bool VersionMatches(const ParameterFileRecord& record, std::string_view programVersion) {
  programVersion = programVersion.substr(0, VersionCapacity);
  // A length byte above 16 cannot be a version this program wrote.
  return record.VersionLength == programVersion.size() &&
         std::equal(programVersion.begin(), programVersion.end(), record.VersionChars.begin());
}

ParameterFileRecord FirstStartParameters(std::string_view programVersion) {
  ParameterFileRecord record;
  SetStoredVersion(record, programVersion);
  record.EclipseIndex = FirstStartEclipseIndex;
  record.TimeZoneIndex = FirstStartTimeZoneIndex;
  record.ManualFRatio = FirstStartManualFRatio;
  record.FRatio = FirstStartFRatio;
  record.IntervalCode = FirstStartIntervalCode;
  return record;
}

std::array<uint8_t, ParameterFileSize> EncodeParameters(const ParameterFileRecord& record) {
  Bytes bytes{};
  bytes[0] = record.VersionLength;
  std::copy(record.VersionChars.begin(), record.VersionChars.end(), bytes.begin() + 1);
  std::copy(record.Padding17.begin(), record.Padding17.end(), bytes.begin() + 17);
  PutU32(bytes, EclipseIndexAt, static_cast<uint32_t>(record.EclipseIndex));
  PutU32(bytes, TimeZoneIndexAt, static_cast<uint32_t>(record.TimeZoneIndex));
  bytes[ShowTenthsAt] = record.ShowTenths ? 1 : 0;
  bytes[RoundContactsAt] = record.RoundContacts ? 1 : 0;
  bytes[ManualFRatioAt] = record.ManualFRatio ? 1 : 0;
  bytes[Padding31At] = record.Padding31;
  PutU64(bytes, FRatioAt, std::bit_cast<uint64_t>(record.FRatio));
  PutU32(bytes, IntervalCodeAt, static_cast<uint32_t>(record.IntervalCode));
  std::copy(record.Padding44.begin(), record.Padding44.end(), bytes.begin() + Padding44At);
  return bytes;
}

ParameterFileRecord DecodeParameters(std::span<const uint8_t> input) {
  Bytes bytes{};
  std::copy_n(input.begin(), std::min(input.size(), ParameterFileSize), bytes.begin());
  ParameterFileRecord record;
  record.VersionLength = bytes[0];
  std::copy_n(bytes.begin() + 1, VersionCapacity, record.VersionChars.begin());
  std::copy_n(bytes.begin() + 17, 3, record.Padding17.begin());
  record.EclipseIndex = static_cast<int32_t>(GetU32(bytes, EclipseIndexAt));
  record.TimeZoneIndex = static_cast<int32_t>(GetU32(bytes, TimeZoneIndexAt));
  record.ShowTenths = bytes[ShowTenthsAt] != 0;
  record.RoundContacts = bytes[RoundContactsAt] != 0;
  record.ManualFRatio = bytes[ManualFRatioAt] != 0;
  record.Padding31 = bytes[Padding31At];
  record.FRatio = std::bit_cast<double>(GetU64(bytes, FRatioAt));
  record.IntervalCode = static_cast<int32_t>(GetU32(bytes, IntervalCodeAt));
  std::copy_n(bytes.begin() + Padding44At, 4, record.Padding44.begin());
  return record;
}

double FRatioFromText(std::string_view text) {
  const std::optional<double> value = ParseDecimal("0" + std::string(text));
  return value ? std::max(*value, 1.0) : 11.0;
}

const std::array<IntervalButton, IntervalButtonCount>& IntervalButtons() {
  static const std::array<IntervalButton, IntervalButtonCount> Table = {{
      {15, "RadioButton15", "15 sec"},
      {30, "RadioButton30", "30 sec"},
      {1, "RadioButton01", " 1 min"},
      {2, "RadioButton02", " 2 min"},
      {3, "RadioButton03", "3 min"},
      {5, "RadioButton05", " 5 min"},
      {6, "RadioButton06", " 6 min"},
      {8, "RadioButton08", "8 min"},
      {10, "RadioButton10", "10 min"},
  }};
  return Table;
}

std::optional<size_t> IntervalButtonIndex(int32_t code) {
  const auto& table = IntervalButtons();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].Code == code) {
      return i;
    }
  }
  return std::nullopt;
}

void CollectChoices(ParameterFileRecord& record, const MainChoices& main, const ExposureChoices* exposure) {
  record.EclipseIndex = main.eclipseIndex;
  record.TimeZoneIndex = main.timeZoneIndex;
  record.ShowTenths = main.showTenths;
  record.RoundContacts = main.roundContacts;
  if (exposure == nullptr) {
    return;
  }
  record.ManualFRatio = exposure->manualFRatio;
  record.FRatio = FRatioFromText(exposure->fRatioText);
  if (exposure->intervalCode) {
    record.IntervalCode = *exposure->intervalCode;
  }
}

std::string IncompatibleText(const std::string& storedVersion) {
  return "The file from version " + storedVersion + " is now deleted.\n\rPlease restart the program Tevra.";
}

LoadResult LoadParameterFile(const std::string& path, std::string_view programVersion,
                             ParameterFileRecord& record, const std::optional<FirstStartChoice>& choice) {
  const auto firstStart = [&] {
    ParameterFileRecord first = FirstStartParameters(programVersion);
    if (choice) {
      first.EclipseIndex = choice->eclipseIndex;
      first.TimeZoneIndex = choice->timeZoneIndex.value_or(first.TimeZoneIndex);
    }
    return first;
  };
  LoadResult result;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::string bytes;
    const std::string error = ReadRegularFile(path, bytes, ParameterFileSize, OverLimit::ReadPrefix);
    if (!error.empty()) {
      record = firstStart();
      result.error = error;
      return result;
    }
    record = DecodeParameters(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!VersionMatches(record, programVersion)) {
      result.outcome = LoadOutcome::Incompatible;
      result.storedVersion = StoredVersion(record);
      return result;
    }
    // Like a stored index outside its list, a focal ratio no optics can have is not used.
    if (!(std::isfinite(record.FRatio) && record.FRatio > 0)) {
      record.FRatio = FirstStartFRatio;
    }
    result.outcome = LoadOutcome::Loaded;
    return result;
  }
  record = firstStart();
  result.error = WriteParameterFile(path, record);
  result.outcome = result.error.empty() ? LoadOutcome::Created : LoadOutcome::Failed;
  return result;
}

std::string WriteParameterFile(const std::string& path, const ParameterFileRecord& record) {
  const Bytes bytes = EncodeParameters(record);
  return ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tevra
