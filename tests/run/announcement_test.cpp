// SPDX-License-Identifier: GPL-3.0-or-later
// Announcement rows heard: the sound file the label names, else the banner's text spoken, through
// a voice that only records; the banner blinks either way.
#include "run/announcement_voice.h"
#include "state/site_settings.h"
#include "state/variables.h"
#include "tests/support/temp_folder_test.h"
#include "timing/astrolib.h"
#include "timing/countdown.h"
#include "windows/photography_page.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tevra {
namespace {

class RecordingVoice final : public AnnouncementVoice {
 public:
  std::vector<std::string> calls;
  bool plays = true;
  bool speaks = true;

  bool Play(const std::string& path, const std::string& fallbackText, std::string& problem) override {
    calls.push_back("play " + std::filesystem::path(path).filename().string() + " | " + fallbackText);
    problem = plays ? "" : "no decoder";
    return plays;
  }
  bool Speak(const std::string& text, std::string& problem) override {
    calls.push_back("say " + text);
    problem = speaks ? "" : "no speech engine is installed";
    return speaks;
  }
  void Tone() override { calls.emplace_back("tone"); }
};

class AnnouncementTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    RehearsalOffset = 0;
    AbortRun = AbortTestRun = false;
    CameraName.clear();
    AnnouncementSound = true;
    PhotographyPageHost host;
    host.table = [this] { return MakeRunTable(rows, ExposureColumnTitles("[UTC]"), rows.size()); };
    host.showStatus = [this](const std::string& text) { status.push_back(text); };
    host.clock = &clock;
    host.waiter = &waiter;
    host.voice = &voice;
    host.soundFolder = dir_.string();
    host.tell = [this](const std::string& text) { told.push_back(text); };
    page = std::make_unique<TPhotographyPage>(std::move(host));
    page->Engine().SetLogFolder("");
    page->Engine().SetPump([this] {
      if (page->Label_WAV_Meldung->isVisibleTo(page.get())) {
        bannerTexts.push_back(page->Label_WAV_Meldung->text().toStdString());
      }
    });
  }
  void TearDown() override {
    AnnouncementSound = false;
    TempFolderTest::TearDown();
  }

  void Announce(const std::string& label) {
    ExposureRow row;
    row[ColumnKind] = "WAV";
    row[ColumnLabel] = label;
    row[ColumnDateTime] = "2024-03-25 10:00:10.0";
    rows = {row};
    bannerTexts.clear();
    page->Button_Test_Eclipse_Photography->click();
  }

  ManualTickClock ticks{0};
  ManualRunClock clock{ticks, CalJD(2024, 3, 25, 9, 59, 0)};
  ManualRunWaiter waiter{ticks};
  RecordingVoice voice;
  ExposureRows rows;
  std::vector<std::string> status;
  std::vector<std::string> bannerTexts;
  std::vector<std::string> told;
  std::unique_ptr<TPhotographyPage> page;
};

TEST_F(AnnouncementTest, TheLabelsSoundFileIsPlayedElseTheBannerSpoken) {
  Write("Totality-begins.wav", "RIFF");
  Write("U2 IN ONE MINUTE.wav", "RIFF");
  Announce("Totality-begins.wav");
  Announce("U2 IN ONE MINUTE");
  Announce("Clouds-ahead.wav");
  EXPECT_EQ(voice.calls,
            (std::vector<std::string>{"play Totality-begins.wav | TOTALITY BEGINS",
                                      "play U2 IN ONE MINUTE.wav | U2 IN ONE MINUTE", "say CLOUDS AHEAD"}));
  // The banner blinked its 5 seconds every time.
  EXPECT_FALSE(bannerTexts.empty());
  EXPECT_EQ(bannerTexts.back(), "CLOUDS AHEAD");
  EXPECT_TRUE(std::none_of(status.begin(), status.end(), [](const std::string& text) {
    return text.starts_with("Speech is unavailable");
  }));
}

TEST_F(AnnouncementTest, WithoutSpeechTheBannerBlinksWithAToneAndTheUserIsToldOnce) {
  voice.speaks = false;
  Announce("Totality begins");
  EXPECT_EQ(bannerTexts.back(), "TOTALITY BEGINS");
  EXPECT_NE(std::find(status.begin(), status.end(), "Speech is unavailable: no speech engine is installed"),
            status.end());
  // A tone instead of the words, and a message naming the speech package, once.
  EXPECT_EQ(voice.calls.back(), "tone");
  Announce("Totality ends");
  ASSERT_EQ(told.size(), 1U);
  EXPECT_NE(told[0].find("speech-dispatcher"), std::string::npos);
  // The sound turned off in the main window: nothing is heard at all.
  AnnouncementSound = false;
  voice.calls.clear();
  Announce("Totality begins");
  EXPECT_TRUE(voice.calls.empty());
  EXPECT_EQ(bannerTexts.back(), "TOTALITY BEGINS");
}

TEST(ToneSamples, ASineOfTheLengthAskedForThatStartsAndEndsInSilence) {
  const std::vector<int16_t> samples = ToneSamples(22050, 880.0, 250);
  ASSERT_EQ(samples.size(), 5500U);
  EXPECT_EQ(samples.front(), 0);
  EXPECT_LT(std::abs(samples.back()), 100);
  EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 11000);
}

TEST_F(AnnouncementTest, OnlyAPlainFileNameInTheFolderNamesASound) {
  std::filesystem::create_directory(Path("sub"));
  Write("sub/inner.wav", "RIFF");
  Write("secret", "x");
  std::filesystem::create_directory(Path("folder.wav"));
  const std::string folder = dir_.string();
  EXPECT_EQ(AnnouncementSoundFile(" secret ", folder), Path("secret"));
  for (const char* label :
       {"sub/inner.wav", "../secret", "..", "folder", "folder.wav", "", "a\tb", "missing"}) {
    EXPECT_FALSE(AnnouncementSoundFile(label, folder)) << label;
  }
  EXPECT_FALSE(AnnouncementSoundFile("secret", ""));
}

}  // namespace
}  // namespace tevra
