// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/announcement_voice.h"

#include "timing/text_util.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

namespace tevra {

namespace {

constexpr size_t MaxFileNameBytes = 255;

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > MaxFileNameBytes || name == "." || name == ".." || name.front() == '.') {
    return false;
  }
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

}  // namespace

std::optional<std::string> AnnouncementSoundFile(std::string_view label, const std::string& folder) {
  const std::string name(Trim(label));
  if (!IsPlainFileName(name) || folder.empty()) {
    return std::nullopt;
  }
  std::vector<std::string> candidates = {name};
  if (!SameIgnoringCase(name.size() >= 4 ? std::string_view(name).substr(name.size() - 4) : "", ".wav")) {
    candidates.push_back(name + ".wav");
  }
  for (const std::string& candidate : candidates) {
    const std::filesystem::path path = std::filesystem::path(folder) / candidate;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      return path.string();
    }
  }
  return std::nullopt;
}

std::string Announce(AnnouncementVoice& voice, std::string_view label, const std::string& bannerText,
                     const std::string& folder) {
  std::string problem;
  if (const std::optional<std::string> file = AnnouncementSoundFile(label, folder)) {
    if (voice.Play(*file, bannerText, problem)) {
      return {};
    }
    problem = "Cannot play " + *file + ": " + problem + "; ";
  }
  std::string speech;
  if (voice.Speak(bannerText, speech)) {
    return {};
  }
  return problem + "Speech is unavailable: " + speech;
}

std::vector<int16_t> ToneSamples(int sampleRate, double hz, int ms) {
  const auto count = static_cast<size_t>(std::max(0, sampleRate) / 1000 * std::max(0, ms));
  const double fade = sampleRate / 100.0;
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i);
    const double envelope = std::min({1.0, t / fade, static_cast<double>(count - 1 - i) / fade});
    samples[i] = static_cast<int16_t>(
        std::lround(12000.0 * envelope * std::sin(2.0 * std::numbers::pi * hz * t / sampleRate)));
  }
  return samples;
}

}  // namespace tevra
