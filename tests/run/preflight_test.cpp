// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/preflight.h"

#include "camera/appmaster.h"
#include "camera/camera_status.h"
#include "camera/simulated_camera.h"
#include "tests/run/run_test_support.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

namespace tevra {
namespace {

using test::At;
using test::Row;
using ::testing::HasSubstr;

constexpr double ComputerJD = 2460394.5;  // the computer's local time the body is compared with

// Ten rows of one picture from 10:00:00 to 10:00:09, then a loop of 1/250 until 10:01:00: 51 s at a
// second a picture.
ExposureRows Table() {
  ExposureRows rows;
  for (int i = 0; i < 10; ++i) {
    rows.push_back(Row("P1", At("10:00:0" + std::to_string(i))));
  }
  rows.push_back(Row("Loop: totality", At("10:01:00")));
  return rows;
}

ComputerState GoodComputer() {
  ComputerState computer;
  computer.clockSynchronised = true;
  computer.freeBytes = uint64_t{100} << 30;
  computer.keepAwake = true;
  computer.speechEngine = true;
  return computer;
}

// The body of a simulator script, read as the check reads it.
BodyFacts Body(const std::string& script, uint32_t aeMode = 3) {
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.aeMode = aeMode;
  SimulatorFaults faults;
  EXPECT_EQ(ParseSimulatorScript("call-ms=0;write-ms=0;" + script, settings, faults), "");
  auto sdk = std::make_shared<SimulatedCamera>(settings, faults);
  sdk->SetComputerClock([] { return ComputerJD; });
  SaveTarget = 1;
  uint32_t status = CamOk;
  const std::unique_ptr<TAppMaster> master = OpenCamera(nullptr, sdk, status);
  return ReadBodyFacts(master.get(), status, ComputerJD);
}

// The line of a subject; a line of level Ok with "missing" when there is none.
CheckLine LineOf(const std::vector<CheckLine>& lines, const std::string& subject) {
  for (const CheckLine& line : lines) {
    if (line.subject == subject) {
      return line;
    }
  }
  return {CheckLevel::Ok, subject, "missing", ""};
}

TEST(Preflight, TheSimulatedBodyInOrderPassesAndEachFaultOfItIsNamed) {
  EXPECT_EQ(PicturesOfTable(Table()), 10 + 50);
  const std::vector<CheckLine> good = Preflight(Table(), {}, Body(""), GoodComputer());
  for (const CheckLine& line : good) {
    EXPECT_EQ(line.level, CheckLevel::Ok) << CheckLineText(line);
  }
  EXPECT_EQ(PreflightExitStatus(good), 0);
  EXPECT_THAT(LineOf(good, "Camera clock").what, HasSubstr("0.0 s"));

  struct Case {
    std::string script;
    std::string subject;
    CheckLevel level;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"autofocus", "Focus mode", CheckLevel::Problem, "AF. set the lens switch to MF"},
      {"mirror-lockup", "Mirror lock-up", CheckLevel::Problem, "on. switch it off"},
      {"no-card", "Card", CheckLevel::Problem, "no card, or the card is full"},
      {"shots=59", "Card", CheckLevel::Problem, "59 shots left for the table's 60 pictures"},
      {"shots=70", "Card", CheckLevel::Warning, "little room to spare"},
      {"battery=40", "Battery", CheckLevel::Warning, "40 %. charge it"},
      {"clock-offset-ms=-5000", "Camera clock", CheckLevel::Warning, "5.0 s behind the computer's"},
  };
  for (const Case& c : cases) {
    const CheckLine line = LineOf(Preflight(Table(), {}, Body(c.script), GoodComputer()), c.subject);
    EXPECT_EQ(line.level, c.level) << c.script;
    EXPECT_THAT(line.what + ". " + line.todo, HasSubstr(c.text)) << c.script;
  }

  // A table of four hours on battery wants a mains adapter; on one it is fine.
  ExposureRows longTable = Table();
  longTable.push_back(Row("P4", At("14:00:00")));
  EXPECT_THAT(
      LineOf(Preflight(longTable, {}, Body(""), GoodComputer()), "Battery").todo,
      HasSubstr("spans 4.0 hours: a tethered body draws about 10 W, use a mains adapter (DC coupler)"));
  BodyFacts mains = Body("");
  mains.batteryLevel = BatteryOnMains;
  EXPECT_EQ(LineOf(Preflight(longTable, {}, mains, GoodComputer()), "Battery").level, CheckLevel::Ok);
}

TEST(Preflight, SettingsTheBodyDoesNotOfferNameTheirRows) {
  ExposureRows rows = Table();
  rows[2][ColumnIso] = rows[3][ColumnIso] = rows[4][ColumnIso] = rows[7][ColumnIso] = "50";
  rows[6][ColumnQuality] = "Nonsense";
  const std::vector<CheckLine> lines = Preflight(rows, {}, Body(""), GoodComputer());
  EXPECT_EQ(
      CheckLineText(LineOf(lines, "ISO speed")),
      "PROBLEM  ISO speed: 50 of rows 3 to 5, 8 is not among the body's values. Choose one the body offers "
      "(tevra-cli camera info lists them)");
  EXPECT_THAT(LineOf(lines, "Image quality").what,
              HasSubstr("\"Nonsense\" of row 7 is no name the run knows"));
  EXPECT_EQ(LineOf(lines, "Settings").what, "missing");
  EXPECT_EQ(PreflightExitStatus(lines), 2);

  // A body in Av offers no shutter times: they are not compared, the mode is the problem; so is Bulb.
  const std::vector<CheckLine> av = Preflight(Table(), {}, Body("", 2), GoodComputer());
  EXPECT_EQ(LineOf(av, "AE mode").level, CheckLevel::Problem);
  EXPECT_EQ(LineOf(av, "Shutter time").what, "missing");
  EXPECT_THAT(CheckLineText(LineOf(Preflight(Table(), {}, Body("", 4), GoodComputer()), "AE mode")),
              HasSubstr("PROBLEM  AE mode: Bulb. Turn the mode dial to M"));
}

TEST(Preflight, ACameraNotFoundSaysWhyAndWhatLetsItBeOpened) {
  EXPECT_EQ(Body("no-camera").openStatus, CamNotFound);
  const auto text = [](uint32_t status) {
    BodyFacts body;
    body.openStatus = status;
    const CheckLine line = LineOf(Preflight(Table(), {}, body, GoodComputer()), "Camera");
    EXPECT_EQ(line.level, CheckLevel::Problem);
    return line.todo;
  };
  EXPECT_THAT(text(CamNotFound), HasSubstr("nothing answers on USB"));
  EXPECT_THAT(text(CamNoAccess), HasSubstr("udev rules (package libgphoto2-6) or join the group plugdev"));
  EXPECT_THAT(text(CamBusy), HasSubstr("gio mount -s gphoto2 lets go of it"));
  // Not looked at (tevra-cli preflight --camera none): a warning, and nothing of the body.
  const std::vector<CheckLine> none = Preflight(Table(), {}, BodyFacts{}, GoodComputer());
  EXPECT_EQ(LineOf(none, "Camera").level, CheckLevel::Warning);
  EXPECT_EQ(LineOf(none, "Battery").what, "missing");
}

TEST(Preflight, TheComputersClockZoneSpaceKeepAwakeSpeechAndTheMoon) {
  ExposureRows rows = Table();
  rows.push_back(Row("WAV", At("10:02:00"), {}, "WAV"));
  rows.back()[ColumnLabel] = "Totality-ends";
  ComputerState computer;
  computer.clockSynchronised = false;
  computer.clockErrorSeconds = 16;
  computer.utcOffsetHours = 2;
  computer.freeBytes = 1'000'000'000;  // less than 61 pictures of 30 MB
  PreflightSettings settings;
  settings.zoneOffsetHours = 1;
  settings.site = ObservingSite{"", 51.5, 0, 0};  // London: the Moon set hours before 09:00 UTC
  const std::vector<CheckLine> lines = Preflight(rows, settings, BodyFacts{}, computer);
  EXPECT_EQ(CheckLineText(LineOf(lines, "Computer clock")),
            "WARNING  Computer clock: not synchronised, estimated error 16.000 s. Switch network time on "
            "(timedatectl set-ntp true) and let it synchronise before the night");
  EXPECT_THAT(
      LineOf(lines, "Zone").what,
      HasSubstr("the table's times are in UTC+01, the computer's clock runs in UTC+02: a start run would "
                "serve every entry 1 hour early"));
  for (const char* subject : {"Keep awake", "Speech", "Free space", "Moon"}) {
    EXPECT_EQ(LineOf(lines, subject).level, CheckLevel::Warning) << subject;
  }
  EXPECT_THAT(LineOf(lines, "Moon").what, HasSubstr("below the site's horizon at rows 1 to 12"));

  // A sound file for the announcement: no speech engine needed.
  const std::string folder = testing::TempDir() + "preflight/";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "Totality-ends.wav") << "RIFF";
  settings.soundFolder = folder;
  EXPECT_EQ(LineOf(Preflight(rows, settings, BodyFacts{}, computer), "Speech").what, "missing");

  std::string error;
  const std::string path = WritePreflightFile(folder, CalJD(2024, 3, 25, 9, 58, 7), "heading", lines, error);
  EXPECT_EQ(path, folder + "preflight-20240325-095807.txt") << error;
  std::ifstream written(path);
  std::string first;
  std::string second;
  std::getline(written, first);
  std::getline(written, second);
  EXPECT_EQ(first, "heading");
  EXPECT_EQ(second, CheckLineText(lines.front()));
}

}  // namespace
}  // namespace tevra
