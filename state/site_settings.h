// SPDX-License-Identifier: GPL-3.0-or-later
// Tevra.ini: the settings that the 48 bytes of Tevra.prm have no room for, kept beside it: the
// observing site, whether announcements are heard and the night view. A text file of sections and key=value
// lines, written with "." as the decimal point whatever the locale.
#pragma once

#include "state/night_mode.h"
#include "timing/observing_site.h"

#include <optional>
#include <string>
#include <string_view>

namespace tevra {

constexpr const char* SiteSettingsFileName = "Tevra.ini";

struct SiteSettings {
  std::optional<ObservingSite> site;  // none: everything as without a site
  bool announcementSound = true;      // announcements play their sound file or are spoken
  NightView night;                    // [View] NightMode=0|1, NightBrightness=percent
};

// The settings in force. The site stays empty and the sound off until the main window applies
// the file, so that nothing is heard from a window made without it (tests, benchmarks).
extern std::optional<ObservingSite> CurrentSite;
extern bool AnnouncementSound;

// The file's text.
std::string FormatSiteSettings(const SiteSettings& settings);

// Reads the text; problems says what was not taken (a site that is not sound is dropped whole).
// Unknown sections and keys are passed over.
SiteSettings ParseSiteSettings(std::string_view text, std::string& problems);

// Reads folder + Tevra.ini. A missing file gives the defaults and no error; anything else that
// keeps the file from being read, or a part of it not taken, is reported in error.
SiteSettings LoadSiteSettings(const std::string& path, std::string& error);

// Replaces the file (ReplaceFile); "" on success, else what failed.
std::string SaveSiteSettings(const std::string& path, const SiteSettings& settings);

}  // namespace tevra
