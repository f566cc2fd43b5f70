// SPDX-License-Identifier: GPL-3.0-or-later
// What an announcement row is heard as: the sound file its label names when that file is in the
// documents folder, otherwise the banner's text spoken. The page owns a voice; tests give it one
// that only records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tevra {

class AnnouncementVoice {
 public:
  AnnouncementVoice() = default;
  AnnouncementVoice(const AnnouncementVoice&) = delete;
  AnnouncementVoice& operator=(const AnnouncementVoice&) = delete;
  virtual ~AnnouncementVoice() = default;

  // Starts playing the file; when it cannot be played after all, the text is spoken instead.
  // False, with the reason, when nothing can be started.
  virtual bool Play(const std::string& path, const std::string& fallbackText, std::string& problem) = 0;
  // Starts speaking the text; false, with the reason, when no speech engine answers.
  virtual bool Speak(const std::string& text, std::string& problem) = 0;
  // A short tone: something went wrong, or an announcement that cannot be spoken.
  virtual void Tone() {}
};

// The tone as 16-bit mono samples: a sine of hz for ms milliseconds, faded in and out over 10 ms
// so that it starts and ends without a click.
std::vector<int16_t> ToneSamples(int sampleRate, double hz, int ms);

// The sound file of an announcement label in the folder: the label itself ("Totality-begins.wav")
// or the label with ".wav" added, whichever is a regular file there. A label that is no plain file
// name (a path, "..", control characters) names none.
std::optional<std::string> AnnouncementSoundFile(std::string_view label, const std::string& folder);

// Plays or speaks one announcement; "" when it started, else the status line's text.
std::string Announce(AnnouncementVoice& voice, std::string_view label, const std::string& bannerText,
                     const std::string& folder);

}  // namespace tevra
