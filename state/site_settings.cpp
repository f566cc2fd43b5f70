// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/site_settings.h"

#include "state/file_io.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <filesystem>
#include <vector>

namespace tevra {

std::optional<ObservingSite> CurrentSite;
bool AnnouncementSound = false;

namespace {

constexpr size_t MaxSettingsBytes = 65536;

struct Entry {
  std::string section;
  std::string key;
  std::string value;
};

std::vector<Entry> Entries(std::string_view text) {
  std::vector<Entry> entries;
  std::string section;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') {
      continue;
    }
    if (line.front() == '[' && line.back() == ']') {
      section = Trim(line.substr(1, line.size() - 2));
      continue;
    }
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      entries.push_back(
          {section, std::string(Trim(line.substr(0, equals))), std::string(Trim(line.substr(equals + 1)))});
    }
  }
  return entries;
}

void Add(std::string& problems, const std::string& problem) {
  problems += (problems.empty() ? "" : "; ") + problem;
}

void ReadFlag(const Entry& entry, bool& flag, std::string& problems) {
  if (entry.value == "0" || entry.value == "1") {
    flag = entry.value == "1";
  } else {
    Add(problems, entry.key + "=" + entry.value + " is neither 0 nor 1");
  }
}

}  // namespace

std::string FormatSiteSettings(const SiteSettings& settings) {
  std::string text;
  if (settings.site) {
    const ObservingSite& site = *settings.site;
    text += "[Site]\nName=" + site.name + "\nLatitude=" + GeneralStr(site.latitude) +
            "\nLongitude=" + GeneralStr(site.longitude) + "\nHeight=" + GeneralStr(site.height) + "\n";
  }
  text += std::string("[Announcements]\nSound=") + (settings.announcementSound ? "1" : "0") + "\n";
  text += std::string("[View]\nNightMode=") + (settings.night.on ? "1" : "0") +
          "\nNightBrightness=" + std::to_string(settings.night.brightness) + "\n";
  return text;
}

SiteSettings ParseSiteSettings(std::string_view text, std::string& problems) {
  problems.clear();
  SiteSettings settings;
  ObservingSite site;
  bool anySite = false;
  std::optional<double> latitude;
  std::optional<double> longitude;
  std::optional<double> height = 0.0;
  for (const Entry& entry : Entries(text)) {
    if (SameIgnoringCase(entry.section, "Site")) {
      anySite = true;
      if (SameIgnoringCase(entry.key, "Name")) {
        site.name = entry.value;
      } else if (SameIgnoringCase(entry.key, "Latitude")) {
        latitude = ParseDecimal(entry.value);
      } else if (SameIgnoringCase(entry.key, "Longitude")) {
        longitude = ParseDecimal(entry.value);
      } else if (SameIgnoringCase(entry.key, "Height")) {
        height = ParseDecimal(entry.value);
      }
    } else if (SameIgnoringCase(entry.section, "Announcements") && SameIgnoringCase(entry.key, "Sound")) {
      ReadFlag(entry, settings.announcementSound, problems);
    } else if (SameIgnoringCase(entry.section, "View") && SameIgnoringCase(entry.key, "NightMode")) {
      ReadFlag(entry, settings.night.on, problems);
    } else if (SameIgnoringCase(entry.section, "View") && SameIgnoringCase(entry.key, "NightBrightness")) {
      if (const std::optional<int64_t> percent = ParseInteger(entry.value);
          percent && *percent >= 0 && *percent <= 100) {
        settings.night.brightness = NearestNightBrightness(static_cast<int>(*percent));
      } else {
        Add(problems, "NightBrightness=" + entry.value + " is no percentage from 0 to 100");
      }
    }
  }
  if (!anySite) {
    return settings;
  }
  if (!latitude || !longitude || !height) {
    Add(problems, "the site needs Latitude and Longitude in degrees and Height in metres; it was not taken");
    return settings;
  }
  site.latitude = *latitude;
  site.longitude = *longitude;
  site.height = *height;
  if (const std::string problem = SiteProblem(site); !problem.empty()) {
    Add(problems, "the site was not taken: " + problem);
    return settings;
  }
  settings.site = site;
  return settings;
}

SiteSettings LoadSiteSettings(const std::string& path, std::string& error) {
  error.clear();
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
    return {};
  }
  std::string bytes;
  if (std::string failure = ReadRegularFile(path, bytes, MaxSettingsBytes); !failure.empty()) {
    error = std::move(failure);
    return {};
  }
  std::string problems;
  SiteSettings settings = ParseSiteSettings(bytes, problems);
  if (!problems.empty()) {
    error = path + ": " + problems;
  }
  return settings;
}

std::string SaveSiteSettings(const std::string& path, const SiteSettings& settings) {
  return ReplaceFile(path, FormatSiteSettings(settings));
}

}  // namespace tevra
