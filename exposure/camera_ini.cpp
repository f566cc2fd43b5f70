// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/camera_ini.h"

#include "camera/setting_names.h"
#include "exposure/text_file.h"
#include "timing/time_text.h"

#include <array>
#include <optional>

namespace tevra {
namespace {

// The decimal number at the start of a count or value line (right-aligned, so after blanks).
std::optional<int64_t> LeadingNumber(std::string_view line) {
  const size_t first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return std::nullopt;
  }
  const size_t end = line.find(' ', first);
  return ParseInteger(line.substr(first, end == std::string_view::npos ? end : end - first));
}

}  // namespace

std::string ReadCameraIniLists(std::string_view text, CameraSettingListSet& lists) {
  static constexpr std::array<const char*, SettingKindCount> ListNames = {
      "image quality", "AE mode", "ISO speed", "aperture", "shutter time"};
  const std::vector<std::string_view> lines = SplitLines(text);
  size_t at = 0;
  while (at < lines.size() && lines[at] != "$$EOH") {
    ++at;
  }
  if (at == lines.size()) {
    return "no line \"$$EOH\"";
  }
  at += 2;  // the camera name follows the marker
  CameraSettingListSet read;
  for (int kind = 0; kind < SettingKindCount; ++kind) {
    const std::string what = ListNames[static_cast<size_t>(kind)];
    if (at >= lines.size()) {
      return "line " + std::to_string(at + 1) + ": the " + what + " list is missing";
    }
    const std::optional<int64_t> count = LeadingNumber(lines[at]);
    if (!count || *count < 0) {
      return "line " + std::to_string(at + 1) + ": no count of the " + what + " list";
    }
    ++at;
    std::vector<uint32_t> codes;
    for (int64_t i = 0; i < *count; ++i, ++at) {
      const std::optional<int64_t> code = at < lines.size() ? LeadingNumber(lines[at]) : std::nullopt;
      // Codes are 32-bit; accept them written signed or unsigned.
      if (!code || *code < INT32_MIN || *code > UINT32_MAX) {
        return "line " + std::to_string(at + 1) + ": no " + what + " code";
      }
      codes.push_back(static_cast<uint32_t>(*code));
    }
    read[kind].Assign(codes);
  }
  lists = read;
  return {};
}

DefaultSettingItems DefaultSettingItemsFor(bool cameraConnected, const CameraSettingListSet& lists) {
  DefaultSettingItems items;
  const auto fill = [&](std::vector<std::string>& names, int kind, const char* builtIn) {
    if (cameraConnected) {
      for (const uint32_t code : lists[kind].Codes()) {
        std::string name = SettingNameByCode(kind, code);
        if (!name.empty()) {
          names.push_back(std::move(name));
        }
      }
    }
    if (names.empty()) {
      names.emplace_back(builtIn);
    }
  };
  fill(items.imageQuality, KindImageQuality, BuiltInImageQuality);
  fill(items.iso, KindIso, BuiltInIso);
  fill(items.aperture, KindAperture, BuiltInAperture);
  return items;
}

}  // namespace tevra
