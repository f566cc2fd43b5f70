// SPDX-License-Identifier: GPL-3.0-or-later
// The information log's text apart from the window: the state line and empty lists; the system
// facts of a known zone.
#include "camera/camera_log.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace tevra {
namespace {

// The lines of a text, split at CR LF; every line must end in one.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "text after the last CR LF";
    if (end == std::string::npos) {
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST(CameraLog, StateLineFollowsTheZoneStateAndEmptyListsHaveOnlyTheirCount) {
  ComputerFacts facts;
  CameraSettingListSet lists;
  const uint32_t largest = 0xFFFFFFF0;
  lists[KindOfProperty(PropIso)].Assign(std::vector<uint32_t>{largest});

  facts.zoneState = ZoneStateDaylight;
  std::vector<std::string> lines = CrLfLines(CameraLogText(facts, {}, " Body ", lists));
  ASSERT_EQ(lines.size(), 37U + 1 + 5 + 1);
  EXPECT_EQ(lines[29], "Current  bias name      : Daylight");
  EXPECT_EQ(lines[36], "$$EOH");
  EXPECT_EQ(lines[37], " Body ");
  EXPECT_EQ(lines[38], "           0 number of Image quality settings");
  EXPECT_EQ(lines[40], "           1 number of ISO speed settings");
  // A code of ten digits fills its 12 columns but for two blanks; no name: the line ends "0 ".
  EXPECT_EQ(lines[41], "  4294967280     FFFFFFF0 0 ");
  EXPECT_EQ(lines[43], "           0 number of Tv (Time value) settings");

  facts.zoneState = ZoneStateUnknown;
  EXPECT_EQ(CrLfLines(CameraLogText(facts, {}, "", lists))[29], "Current  bias name      : Unknown");
  facts.zoneState = 7;  // a state the system should not report: no line at all
  lines = CrLfLines(CameraLogText(facts, {}, "", lists));
  EXPECT_EQ(lines.size(), 36U + 1 + 5 + 1);
  EXPECT_EQ(lines[29], "Computer daylight name  : ");
}

TEST(CameraLog, SystemFactsOfAZoneWithSummerTime) {
  const QByteArray saved = qgetenv("TZ");
  qputenv("TZ", "Europe/Berlin");
  const ComputerFacts facts = SystemComputerFacts();
  if (saved.isNull()) {
    qunsetenv("TZ");
  } else {
    qputenv("TZ", saved);
  }
  EXPECT_EQ(facts.standardBias, -60);
  EXPECT_EQ(facts.daylightBias, -120);
  EXPECT_TRUE(facts.currentBias == -60 || facts.currentBias == -120);
  EXPECT_EQ(facts.zoneState, facts.currentBias == -60 ? ZoneStateStandard : ZoneStateDaylight);
  // Clocks go back at 03:00 summer time on the last Sunday of October and forward at 02:00 on
  // the last Sunday of March.
  EXPECT_EQ(facts.standardDate.month, 10);
  EXPECT_EQ(facts.standardDate.hour, 3);
  EXPECT_EQ(facts.standardDate.dayOfWeek, 0);
  EXPECT_GE(facts.standardDate.day, 25);
  EXPECT_EQ(facts.daylightDate.month, 3);
  EXPECT_EQ(facts.daylightDate.hour, 2);
  EXPECT_EQ(facts.daylightDate.dayOfWeek, 0);
  EXPECT_FALSE(facts.standardName.empty());
  EXPECT_FALSE(facts.computerName.empty());
}

}  // namespace
}  // namespace tevra
