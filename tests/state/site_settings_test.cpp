// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/site_settings.h"

#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tevra {
namespace {

class SiteSettingsTest : public TempFolderTest {};

TEST_F(SiteSettingsTest, SavedSettingsLoadBackAndNoFileMeansNoSite) {
  std::string error;
  const SiteSettings none = LoadSiteSettings(Path("Tevra.ini"), error);
  EXPECT_EQ(error, "");
  EXPECT_FALSE(none.site);
  EXPECT_TRUE(none.announcementSound);

  SiteSettings settings;
  settings.site = ObservingSite{"Sternwarte Süd", -33.8688, 151.2093, 40.5};
  settings.announcementSound = false;
  settings.night = {true, 40};
  ASSERT_EQ(SaveSiteSettings(Path("Tevra.ini"), settings), "");
  const SiteSettings loaded = LoadSiteSettings(Path("Tevra.ini"), error);
  EXPECT_EQ(error, "");
  ASSERT_TRUE(loaded.site);
  EXPECT_EQ(loaded.site->name, "Sternwarte Süd");
  EXPECT_EQ(loaded.site->latitude, -33.8688);
  EXPECT_EQ(loaded.site->longitude, 151.2093);
  EXPECT_EQ(loaded.site->height, 40.5);
  EXPECT_FALSE(loaded.announcementSound);
  EXPECT_TRUE(loaded.night.on);
  EXPECT_EQ(loaded.night.brightness, 40);

  // A brightness between the menu's levels is taken to the nearest; one out of range is reported.
  std::string problems;
  EXPECT_EQ(ParseSiteSettings("[View]\nNightBrightness=55\n", problems).night.brightness, 60);
  EXPECT_EQ(problems, "");
  EXPECT_EQ(ParseSiteSettings("[View]\nNightMode=2\nNightBrightness=300\n", problems).night.brightness, 60);
  EXPECT_NE(problems.find("NightMode=2"), std::string::npos);
  EXPECT_NE(problems.find("NightBrightness=300"), std::string::npos);
}

TEST_F(SiteSettingsTest, AnUnsoundSiteIsDroppedWholeAndReported) {
  std::string problems;
  // A comma as decimal point, a latitude out of range, a site without its longitude.
  for (const char* text : {"[Site]\nLatitude=48,1\nLongitude=11.5\n", "[Site]\nLatitude=95\nLongitude=11.5\n",
                           "[Site]\nName=x\nLatitude=48\n"}) {
    SCOPED_TRACE(text);
    const SiteSettings settings = ParseSiteSettings(text, problems);
    EXPECT_FALSE(settings.site);
    EXPECT_NE(problems, "");
  }
  // Windows line ends, comments and keys of other programs pass.
  const SiteSettings settings = ParseSiteSettings(
      "; mine\r\n[site]\r\nlatitude = 48.1\r\nLongitude=11.6\r\nColour=red\r\n[Other]\r\nSound=0\r\n",
      problems);
  EXPECT_EQ(problems, "");
  ASSERT_TRUE(settings.site);
  EXPECT_EQ(settings.site->height, 0);
  EXPECT_TRUE(settings.announcementSound);
}

TEST_F(SiteSettingsTest, AFolderInThePlaceOfTheFileIsReportedNotRead) {
  std::filesystem::create_directory(Path("Tevra.ini"));
  std::string error;
  const SiteSettings settings = LoadSiteSettings(Path("Tevra.ini"), error);
  EXPECT_NE(error, "");
  EXPECT_FALSE(settings.site);
}

}  // namespace
}  // namespace tevra
