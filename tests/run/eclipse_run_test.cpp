// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "tests/run/run_test_support.h"
#include "tests/support/recording_files.h"
#include "timing/time_text.h"

#include <gmock/gmock.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>

namespace tevra::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

size_t Count(const std::vector<std::string>& texts, const std::string& text) {
  return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
}

using RunStartTest = RunFixture;

TEST_F(RunStartTest, WithoutATableOnlyTheMessageAndTheEndStep) {
  Connect();
  const RunSummary summary = run.Run(RunKind::Start, RunTable{}, camera.get());
  EXPECT_FALSE(summary.started);
  EXPECT_THAT(sink.Texts("Info"), ElementsAre("|255,255,255", std::string(NoTableMessage) + "|255,0,0"));
  EXPECT_THAT(sink.Texts("Running"), ElementsAre("no"));
  EXPECT_THAT(sink.Texts("Advance"), ElementsAre("hidden"));
  EXPECT_TRUE(CameraSteps().empty());
}

// Simulation: every camera step shows its name with SIMULATION MODE and takes 15 + 222 ms; the
// start run's loop releases show "IQ", every other release "Tv".
TEST_F(RunStartTest, SimulationModeTexts) {
  bool simulating = false;
  onPump = [&] {
    simulating = SimulationMode;
    EXPECT_FALSE(run.Run(RunKind::Start, RunTable{}, nullptr).started);  // no second run meanwhile
  };
  RunSummary summary = Start({Row("A", At("09:58:00.0"))});
  EXPECT_TRUE(simulating);
  EXPECT_FALSE(SimulationMode);
  EXPECT_THAT(sink.Texts("Status"),
              ElementsAre("IQ: SIMULATION MODE", "ISO: SIMULATION MODE", "Av: SIMULATION MODE",
                          "Tv: SIMULATION MODE", "Tv: SIMULATION MODE", "Picture taken (SIMULATED)"));
  EXPECT_EQ(sink.Texts("Info")[1], std::string(SimulationModeMessage) + "|255,255,0");
  EXPECT_EQ(sink.events.back().ms, 10 + 5 * 237);
  EXPECT_EQ(summary.picturesTaken, 1);
  EXPECT_TRUE(sink.Texts("Zone").empty());

  sink.events.clear();
  summary = Start({Row("Loop during totality", At("09:59:30.0"), {6})});
  const std::vector<std::string> status = sink.Texts("Status");
  EXPECT_EQ(Count(status, "Tv: SIMULATION MODE"), 1U);  // the shutter, written once
  EXPECT_EQ(Count(status, "IQ: SIMULATION MODE"), 1 + static_cast<size_t>(summary.picturesTaken));
  EXPECT_GT(summary.picturesTaken, 70);

  sink.events.clear();
  summary = Start({Row("Loop during totality", At("09:59:30.0"), {6})}, RunKind::Test);
  EXPECT_THAT(sink.Texts("Status"),
              ElementsAre("IQ: SIMULATION MODE", "ISO: SIMULATION MODE", "Av: SIMULATION MODE",
                          "Tv: SIMULATION MODE", "Tv: SIMULATION MODE", "Picture taken (SIMULATED)"));
  EXPECT_EQ(sink.Texts("Phase").back(), "1x Loop test");
}

// The run reads each row from the grid when it reaches it and says which one it serves: an edit to
// a row still to come takes effect; one the run cannot follow (a time it cannot read, a row added)
// leaves the row as it stood, and the run says so once.
TEST_F(RunStartTest, EditsOfRowsStillToComeTakeEffect) {
  Connect();
  ExposureRows grid = {Row("A", At("09:59:10.0")), Row("B", At("09:59:20.0")), Row("C", At("09:59:30.0")),
                       Row("D", At("09:59:40.0"))};
  run.SetTableSource([&grid] { return MakeRunTable(grid, ExposureColumnTitles("[UTC]"), grid.size()); });
  onPump = [&] {
    if (run.CurrentRow() == 1) {
      grid[1][ColumnIso] = "1600";
      grid[2][ColumnIso] = "800";
      grid[2][ColumnDateTime] = "2024-03-25 09:59:3O";
    } else if (run.CurrentRow() == 3 && grid.size() == 4) {
      grid[3][ColumnIso] = "3200";
      grid.push_back(Row("E", At("09:59:50.0")));
    }
  };
  const RunSummary summary = Start(ExposureRows(grid.begin(), grid.end()));
  EXPECT_EQ(summary.picturesTaken, 4);
  std::vector<std::string> isoWrites;
  for (const std::string& step : CameraSteps()) {
    if (step.starts_with("0x402=")) {
      isoWrites.push_back(step);
    }
  }
  const auto iso = [](const char* name) { return "0x402=" + Hex(IsoCodeOf(name)); };
  EXPECT_THAT(isoWrites, ElementsAre(iso("400"), iso("1600"), iso("400")));
  EXPECT_THAT(sink.Texts("RunRow"), ElementsAre("1", "2", "3", "4", "0"));
  ASSERT_EQ(sink.Steps("Row kept").size(), 1U);
  EXPECT_EQ(sink.Steps("Row kept")[0]->text, RowKeptText(3, true));
  EXPECT_EQ(Count(sink.Texts("Status"), RowKeptText(3, true)), 1U);
}

// Unreadable row times stop both runs before anything reaches the camera.
TEST_F(RunStartTest, UnreadableRowTimesAreListedAndTheRunDoesNotStart) {
  Connect();
  const ExposureRows rows = {Row("A", At("10:00:00.0")), Row("B", "2024-03-25 10:0x:00.0"),
                             Row("", "never read"), Row("Loop", " " + At("10:05:00.0"), {6})};
  for (const RunKind kind : {RunKind::Start, RunKind::Test}) {
    sink.events.clear();
    const RunSummary summary = Start(rows, kind);
    EXPECT_FALSE(summary.started);
    ASSERT_EQ(summary.unreadable.size(), 2U);
    EXPECT_EQ(summary.unreadable[1].row, 4U);
    EXPECT_EQ(sink.Texts("Info").back(),
              "The run does not start: the time of these rows cannot be read:\nRow 2: \"2024-03-25 "
              "10:0x:00.0\"\nRow 4: \" 2024-03-25 10:05:00.0\"|255,0,0");
    EXPECT_THAT(sink.Texts("Running"), ElementsAre("no"));
  }
  EXPECT_TRUE(CameraSteps().empty());
}

TEST_F(RunStartTest, ZoneOtherThanTheComputersIsConfirmedBeforeAStartRun) {
  Connect();
  const ExposureRows rows = {Row("A", At("09:58:00.0"))};
  const RunTable table = MakeRunTable(rows, ExposureColumnTitles("[UTC+03]"), rows.size());
  sink.confirmZone = false;
  RunSummary summary = run.Run(RunKind::Start, table, camera.get());
  EXPECT_TRUE(summary.cancelled);
  EXPECT_THAT(
      sink.Texts("Zone"),
      ElementsAre("The exposure table's times are in [UTC+03], but this computer's clock runs in UTC. "
                  "The run compares the table's times with the computer's clock as they stand, so "
                  "every entry would come 3 hours late."));
  EXPECT_TRUE(CameraSteps().empty());
  summary = run.Run(RunKind::Test, table, camera.get());
  EXPECT_EQ(sink.Texts("Zone").size(), 1U);
  EXPECT_EQ(summary.picturesTaken, 1);
  EXPECT_THAT(ZoneWarning("Date Time;[UTC-05]", 2.0),
              HasSubstr("[UTC-05], but this computer's clock runs in UTC+02."));
  EXPECT_THAT(ZoneWarning("Date Time;[UTC-05]", 2.0), HasSubstr("7 hours early."));
  EXPECT_EQ(ZoneWarning("Date Time;[UTC+05:30]", 5.5), "");
  EXPECT_EQ(ZoneWarning("Date Time;", 5.5), "");
  EXPECT_EQ(UtcOffsetName(-3.5), "UTC-03:30");
}

// The start run's check on its own camera: the lines not OK logged before the first row, and the
// run goes on; a test run makes none.
TEST_F(RunStartTest, StartRunLogsTheCheckBeforeItsFirstRowAndGoesOn) {
  Connect();
  std::vector<TAppMaster*> checked;
  run.SetPreflight([&](TAppMaster* master) {
    checked.push_back(master);
    return std::vector<CheckLine>{{CheckLevel::Ok, "Camera", "found", ""},
                                  {CheckLevel::Problem, "Focus mode", "AF", "set the lens to MF"}};
  });
  const RunSummary summary = Start({Row("A", At("09:59:01.0"))});
  EXPECT_EQ(summary.picturesTaken, 1);
  EXPECT_THAT(checked, ElementsAre(camera.get()));
  ASSERT_FALSE(sink.steps.empty());
  EXPECT_EQ(sink.steps.front().step, "Check");
  EXPECT_EQ(sink.steps.front().text, "PROBLEM  Focus mode: AF. Set the lens to MF");
  EXPECT_EQ(sink.Steps("Check").size(), 1U);
  Start({Row("A", At("09:59:01.0"))}, RunKind::Test);
  EXPECT_EQ(checked.size(), 1U);
}

using RunRowsTest = RunFixture;

TEST_F(RunRowsTest, SettingsOnlyWhenChangedRowsWithoutLabelSkippedShotsInColumnOrder) {
  Connect();
  ExposureRows rows = {Row("A", At("09:58:00.0")), Row("   ", At("09:58:00.0"), {6, 7}),
                       Row("B", At("09:58:00.0"), {11, 19}), Row("C", At("09:58:00.0"))};
  rows[3][ColumnIso] = "800";
  rows[3][ColumnAperture] = "no such name";
  const RunSummary summary = Start(rows);
  const std::vector<std::string> first = CameraSteps();
  EXPECT_THAT(
      first, ElementsAre("0x100=0x13ff0f", "0x402=0x58", "0x405=0x30", TvWrite("1/250"), "release", "release",
                         TvWrite("1\""), "release", "0x402=0x60", TvWrite("1/250"), "release"));
  EXPECT_EQ(summary.picturesTaken, 4);
  EXPECT_THAT(sink.Texts("Phase"), ElementsAre("", "A", "", "B", "", "C"));
  EXPECT_EQ(Count(sink.Texts("Info"), "IQ  : JPGLarFin\r\nISO: 400\r\nAv  : f/5.6\r\nTv  : 1\"|255,255,255"),
            1U);
  // A row already past fires at once.
  EXPECT_EQ(sink.Texts("Diff").front().substr(0, 11), "-0 00:01:00");
  EXPECT_EQ(sink.Steps("Wait")[0]->doneJD, sink.Steps("Wait")[0]->issuedJD);

  body->ClearCalls();
  sink.takePast = true;
  Start(rows);
  EXPECT_EQ(CameraSteps(), first);  // the next run writes every setting again
}

TEST_F(RunRowsTest, TestRunServesEachRowHalfASecondAfterThePreviousOne) {
  Connect();
  const RunSummary summary = Start({Row("A", At("23:00:00.0")), Row("B", At("23:30:00.0"))}, RunKind::Test);
  EXPECT_EQ(summary.picturesTaken, 2);
  const auto waits = sink.Steps("Wait");
  const auto pictures = sink.Steps("Picture");
  ASSERT_EQ(waits.size(), 2U);
  for (const RunStep* wait : waits) {
    EXPECT_NEAR(Seconds(wait->issuedJD, *wait->dueJD), 0.5, 1e-4);
    EXPECT_NEAR(Seconds(*wait->dueJD, wait->doneJD), 0, 0.0011);
  }
  EXPECT_NEAR(Seconds(pictures[0]->doneJD, waits[1]->issuedJD), 0.010, 1e-4);  // after the phase label
  EXPECT_TRUE(sink.Texts("Advance").empty() && sink.Texts("Zone").empty());
}

TEST_F(RunRowsTest, LoopAlreadyPassedWritesItsShuttersAndTakesNoPicture) {
  Connect();
  Start({Row("Loop", At("09:59:05.0"), {6, 10}), Row("After", At("09:58:00.0"))});
  EXPECT_THAT(CameraSteps(), ElementsAre("0x100=0x13ff0f", "0x402=0x58", "0x405=0x30", TvWrite("1/8000"),
                                         TvWrite("1/500"), TvWrite("1/250"), "release"));
  EXPECT_THAT(sink.StepNames(),
              ElementsAre("IQ", "ISO", "Av", "Tv", "Tv", "Loop end", "Tv", "Wait", "Picture", "File"));
  EXPECT_THAT(sink.Texts("Wann"), ElementsAre("by: 2024-03-25 09:59:05.0", "at: 2024-03-25 09:58:00.0"));
  EXPECT_EQ(sink.Texts("Phase")[2], "Loop during totality");
}

TEST_F(RunRowsTest, LoopShootsUntilAnotherPictureWouldNotFitBeforeItsTime) {
  Connect({}, 100);
  const RunSummary summary = Start({Row("Loop", At("09:59:40.0"), {6, 19})});
  const double target = CalJD(2024, 3, 25, 9, 59, 40);
  EXPECT_GT(summary.picturesTaken, 8);
  for (const RunStep* picture : sink.Steps("Picture")) {
    EXPECT_GT(Seconds(picture->issuedJD, target), 9.9);
  }
  const RunStep& end = *sink.Steps("Loop end").front();
  EXPECT_LT(Seconds(end.doneJD, target), LoopPictureSeconds(19) + 1.5);
  EXPECT_GE(Seconds(end.doneJD, target), 9.9);
  EXPECT_NEAR(LoopPictureSeconds(6), 10.00025, 1e-5);
  EXPECT_NEAR(LoopPictureSeconds(19), 12.0, 0.02);
  EXPECT_NEAR(LoopPictureSeconds(22), 26.0, 0.1);
}

TEST_F(RunRowsTest, LoopWithoutMarksEndsAtItsTime) {
  Connect();
  const RunSummary summary = Start({Row("Loop", At("09:59:20.0"), {}), Row("After", At("09:59:30.0"))});
  const RunStep& end = *sink.Steps("Loop end").front();
  EXPECT_NEAR(Seconds(*end.dueJD, end.doneJD), 0, 0.0011);
  EXPECT_EQ(summary.picturesTaken, 1);
}

TEST_F(RunRowsTest, AnnouncementShowsItsBannerForALittleOverFiveSeconds) {
  Connect();
  Start({Row("Totality-begins.wav", At("09:59:02.0"), {11}, " wav "), Row("After", At("09:58:00.0"))});
  EXPECT_THAT(sink.Texts("Banner"), ElementsAre("TOTALITY BEGINS"));
  const auto at = [&](const char* kind) {
    return std::find_if(sink.events.begin(), sink.events.end(),
                        [&](const Event& e) { return e.kind == kind; })
        ->ms;
  };
  EXPECT_GT(at("Hide") - at("Banner"), 5000);
  EXPECT_LE(at("Hide") - at("Banner"), 5100);
  const std::vector<std::string> blinks = sink.Texts("Blink");
  for (size_t i = 0; i < blinks.size(); ++i) {
    EXPECT_EQ(blinks[i], i % 2 == 0 ? "blue" : "lime");
  }
  EXPECT_EQ(CameraSteps().size(), 5U);                         // all of them for the second row
  EXPECT_EQ(body->Calls().size(), CameraSteps().size() + 8U);  // each of four settings read back
  EXPECT_EQ(AnnouncementText("u2_contact.Wav.bak"), "U2 CONTACT");
}

TEST_F(RunRowsTest, AdvanceTimeMakesTheCountdownReadFiveSecondsAndKeepsTheShift) {
  Connect();
  // Pressed before any row's time shows, it does nothing: the clock is not sent to the year 1.
  EXPECT_FALSE(run.AdvanceTime());
  EXPECT_EQ(RehearsalOffset, 0);
  size_t advancedAt = 0;
  onPump = [&] {
    if (advancedAt == 0 && ticks.NowMs() > 2000) {
      EXPECT_TRUE(run.AdvanceTime());
      advancedAt = sink.events.size();
    }
  };
  Start({Row("First", At("10:00:00.0")), Row("Second", At("10:01:00.0"))});
  EXPECT_EQ(sink.events[advancedAt].text, "+0 00:00:05.0");
  const auto waits = sink.Steps("Wait");
  EXPECT_NEAR(Seconds(waits[0]->dueJD.value(), waits[0]->doneJD), 0, 0.0011);
  EXPECT_NEAR(Seconds(waits[1]->dueJD.value(), waits[1]->doneJD), 0, 0.0011);
  EXPECT_NEAR(static_cast<double>(ticks.NowMs()) / 1000.0, 2 + 5 + 60,
              1.0);  // both rows reached early by the same shift
  EXPECT_EQ(RehearsalOffset, 0);
  EXPECT_THAT(sink.Texts("Advance"), ElementsAre("shown", "hidden"));

  const double local = CalJD(2024, 3, 25, 9, 0, 0);
  EXPECT_NEAR(RehearsalOffsetFor("by: 2024-03-25 10:00:00.0", local) * 86400, 3595, 1e-4);
  EXPECT_EQ(RehearsalOffsetFor("", local), CalJD(1, 1, 1, 0, 0, -5) - local);
  RehearsalOffset = 1;
  EclipseRun::BackToRealTime();
  EXPECT_EQ(RehearsalOffset, 0);
}

// The wait sleeps in slices of at most 100 ms, shows every tenth of the countdown and releases
// neither early nor late.
TEST_F(RunRowsTest, WaitSleepsRatherThanPolling) {
  Connect();
  Start({Row("A", At("10:09:00.0"))});
  EXPECT_GE(waiter.SleepCalls(), 6000);
  EXPECT_LE(waiter.SleepCalls(), 6200);
  EXPECT_LE(waiter.YieldCalls(), 3);
  const RunStep& wait = *sink.Steps("Wait").front();
  EXPECT_GE(wait.doneJD, *wait.dueJD);
  EXPECT_LT(Seconds(*wait.dueJD, wait.doneJD), 0.0011);
  const std::vector<std::string> diffs = sink.Texts("Diff");
  const std::set<std::string> shown(diffs.end() - 40, diffs.end());
  for (int tenths = 0; tenths <= 20; ++tenths) {
    EXPECT_EQ(shown.count("+0 00:00:0" + FixedStr(tenths / 10.0, 1)), 1U) << tenths;
  }
}

using RunFailureTest = RunFixture;

TEST_F(RunFailureTest, BusyCameraIsRetriedEvery15Milliseconds) {
  Connect();
  body->Faults().busyCalls = 3;
  Start({Row("A", At("09:58:00.0"))});
  const std::vector<Event> status = [&] {
    std::vector<Event> found;
    std::copy_if(sink.events.begin(), sink.events.end(), std::back_inserter(found),
                 [](const Event& e) { return e.kind == "Status"; });
    return found;
  }();
  ASSERT_GE(status.size(), 4U);
  EXPECT_EQ(status[0].text, "IQ: Sts=129 Trials=1");
  EXPECT_EQ(status[2].text, "IQ: Sts=129 Trials=3");
  EXPECT_EQ(status[3].text, "IQ: Sts=0 Trials=4");
  EXPECT_EQ(status[3].ms - status[0].ms, 3 * 15);
  EXPECT_EQ(sink.Steps("IQ").front()->trials, 4);
}

// A refused setting and a full card cost three trials, not 5000; the setting is tried again for
// the next row and every picture taken without it is counted.
TEST_F(RunFailureTest, RefusedSettingsAndAFullCardAreTriedThreeTimes) {
  Connect();
  body->Faults().refusedWrites[PropIso] = CamRefused;
  RunSummary summary = Start({Row("A", At("09:58:00.0")), Row("B", At("09:58:00.0"))});
  std::vector<std::string> status = sink.Texts("Status");
  EXPECT_EQ(Count(status, "ISO: Sts=195 Trials=3"), 2U);
  EXPECT_EQ(Count(status, "Picture taken - ISO not applied: Sts=195 (value refused by the camera)"), 2U);
  EXPECT_EQ(sink.Steps("ISO").front()->text, "ISO not applied: Sts=195 (value refused by the camera)");
  EXPECT_EQ(summary.picturesTaken, 2);
  EXPECT_EQ(summary.picturesNotApplied, 2);
  // Busy answers while the body still writes a picture do not use up the three trials.
  EXPECT_TRUE(TryCameraStepAgain(CamRefused, 14, 2, false));
  EXPECT_FALSE(TryCameraStepAgain(CamRefused, 15, 3, false));
  EXPECT_FALSE(TryCameraStepAgain(CamBusy, 15, 0, true));

  body->Faults().refusedWrites.clear();
  body->Faults().cardFull = true;
  sink.takePast = true;
  const int64_t start = ticks.NowMs();
  summary = Start({Row("A", At("09:58:00.0")), Row("B", At("09:58:00.0"))});
  status = sink.Texts("Status");
  EXPECT_EQ(Count(status, "Picture: Sts=194 Trials=3"), 2U);
  EXPECT_EQ(summary.picturesFailed, 2);
  EXPECT_EQ(summary.picturesNotApplied, 0);
  EXPECT_LT(ticks.NowMs() - start, 1000);
}

// A body busy for a whole minute holds each step only until the next row falls due: the row
// caught in it fails, the rows after it are served on time.
TEST_F(RunFailureTest, ABusyCameraGivesUpWhenTheNextRowFallsDue) {
  Connect();
  body->Faults().busyWindows = {{0, 60000}};
  const RunSummary summary =
      Start({Row("A", At("09:59:00.0")), Row("B", At("09:59:20.0")), Row("C", At("10:00:10.0"))});
  EXPECT_EQ(summary.picturesFailed, 1);
  EXPECT_EQ(summary.picturesTaken, 2);
  const RunStep& iq = *sink.Steps("IQ").front();
  EXPECT_EQ(iq.row, 1U);
  EXPECT_LT(Seconds(iq.doneJD, CalJD(2024, 3, 25, 9, 59, 20)), 0.5);  // gave up before B fell due
  EXPECT_GT(Seconds(iq.doneJD, CalJD(2024, 3, 25, 9, 59, 20)), 0.0);
  const std::vector<const RunStep*> pictures = sink.Steps("Picture");
  ASSERT_EQ(pictures.size(), 3U);
  EXPECT_LT(Seconds(*pictures[2]->dueJD, pictures[2]->issuedJD), 0.01);
}

class RunAbortTest : public RunFixture {
 protected:
  void ExpectEndStep(const RunSummary& summary, bool& flag) {
    EXPECT_TRUE(summary.aborted);
    EXPECT_EQ(sink.StepNames().back(), "Abort");
    EXPECT_EQ(sink.Texts("Running").back(), "no");
    EXPECT_FALSE(flag);
    EXPECT_EQ(RehearsalOffset, 0);
  }
};

TEST_F(RunAbortTest, DuringAWait) {
  Connect();
  onPump = [&] {
    if (ticks.NowMs() > 5000) {
      AbortRun = true;
      RehearsalOffset = 0.5;
    }
  };
  ExpectEndStep(Start({Row("A", At("10:30:00.0"))}), AbortRun);
  EXPECT_EQ(body->PicturesTaken(), 0);
  EXPECT_LT(ticks.NowMs(), 5200);
}

TEST_F(RunAbortTest, DuringARetryOfTheTestRun) {
  Connect();
  body->Faults().busyCalls = 1000000;
  onPump = [&] { AbortTestRun = sink.Texts("Status").size() == 10; };  // seen after the next trial
  ExpectEndStep(Start({Row("A", At("10:30:00.0"))}, RunKind::Test), AbortTestRun);
  EXPECT_EQ(sink.Texts("Status").back(), "IQ: Sts=129 Trials=11");
}

TEST_F(RunAbortTest, DuringALoop) {
  Connect();
  onPump = [&] { AbortRun = body->PicturesTaken() == 3; };
  ExpectEndStep(Start({Row("Loop", At("10:30:00.0"), {6})}), AbortRun);
  EXPECT_EQ(body->PicturesTaken(), 3);
}

TEST_F(RunAbortTest, DuringAnAnnouncement) {
  Connect();
  onPump = [&] { AbortRun = !sink.Texts("Blink").empty(); };
  ExpectEndStep(Start({Row("Totality.wav", At("09:58:00.0"), {}, "WAV"), Row("B", At("09:58:00.0"))}),
                AbortRun);
  EXPECT_EQ(sink.Texts("Hide").size(), 1U);
  EXPECT_EQ(body->PicturesTaken(), 0);
}

// A start run that begins when entries were due long ago asks once whether to take or skip them;
// an entry due within the last minute fires at once without asking, and the test run never asks.
TEST_F(RunStartTest, EntriesDueMoreThanAMinuteAgoAreTakenOrSkippedAsTheUserChooses) {
  Connect();
  const ExposureRows rows = {Row("A", At("09:50:00.0")), Row("Bell.wav", At("09:55:00.0"), {}, "WAV"),
                             Row("", At("09:40:00.0")),  Row("Loop", At("09:57:00.0"), {6}),
                             Row("C", At("09:58:10.0")), Row("D", At("09:59:30.0"))};
  RunSummary summary = Start(rows);
  EXPECT_THAT(
      sink.Texts("Past"),
      ElementsAre("The run starts late: 2 entries of the exposure table were due more than 60 seconds "
                  "ago, from 2024-03-25 09:50:00.0 to 2024-03-25 09:55:00.0.\n\nTake them now, one "
                  "after another?\nNo skips them, and the run waits for the next entry."));
  EXPECT_EQ(summary.rowsSkipped, 2);
  EXPECT_EQ(summary.picturesTaken, 2);
  EXPECT_TRUE(sink.Texts("Banner").empty());
  const auto skipped = sink.Steps("Skipped");
  ASSERT_EQ(skipped.size(), 2U);
  EXPECT_EQ(skipped[1]->row, 2U);
  EXPECT_EQ(skipped[1]->label, "Bell.wav");
  EXPECT_EQ(skipped[1]->text, SkippedRowText);
  EXPECT_NEAR(Seconds(CalJD(2024, 3, 25, 9, 55, 0), *skipped[1]->dueJD), 0, 1e-4);
  EXPECT_NEAR(Seconds(CalJD(2024, 3, 25, 9, 59, 0), sink.Steps("Wait")[0]->doneJD), 0, 0.2);  // C at once

  // The same table started again at 09:59, taking them.
  RehearsalOffset = CalJD(2024, 3, 25, 9, 59, 0) - clock.LocalJD();
  sink.events.clear();
  sink.takePast = true;
  summary = Start(rows);
  EXPECT_EQ(sink.Texts("Past").size(), 1U);
  EXPECT_EQ(summary.rowsSkipped, 0);
  EXPECT_EQ(summary.picturesTaken, 3);
  EXPECT_THAT(sink.Texts("Banner"), ElementsAre("BELL"));

  sink.events.clear();
  summary = Start(rows, RunKind::Test);
  EXPECT_TRUE(sink.Texts("Past").empty());
  EXPECT_EQ(summary.picturesTaken, 4);  // the loop's one test picture too
  EXPECT_THAT(PastRowsQuestion(1, CalJD(2024, 3, 25, 9, 50, 0), CalJD(2024, 3, 25, 9, 50, 0)),
              ::testing::StartsWith("The run starts late: 1 entry of the exposure table was due more than 60 "
                                    "seconds ago, at 2024-03-25 09:50:00.0.\n\nTake it now"));
}

TEST_F(RunStartTest, RunLogHasALinePerStepFlushedAsItHappens) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "tevra-run-log";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "run-20240325-095900.csv") << "an earlier run\n";
  run.SetLogFolder(folder.string() + "/");
  const std::string path = (folder / "run-20240325-095900-2.csv").string();
  size_t linesDuringSecondRow = 0;
  onPump = [&] {
    if (linesDuringSecondRow == 0 && run.WannLabel() == "at: 2024-03-25 09:59:30.0") {
      std::ifstream file(path);
      for (std::string line; std::getline(file, line);) {
        ++linesDuringSecondRow;
      }
    }
  };
  Connect();
  Start({Row("Phase, \"one\"", At("09:59:10.0")), Row("B", At("09:59:30.0"))});
  EXPECT_EQ(linesDuringSecondRow, 2U + 7);  // header, table line, the first row's seven steps
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 2 + sink.steps.size());
  EXPECT_EQ(lines[0], "row,label,step,due,issued,done,status,trials,text\r");
  EXPECT_THAT(lines[1], ::testing::MatchesRegex("0,,Table,,,,,,[0-9a-f]{16}\r"));
  lines.erase(lines.begin());
  // Released on the first reading at or after the due instant: a tick later where the JD of the
  // manual clock falls a rounding step short.
  EXPECT_THAT(lines[5], ::testing::StartsWith("1,\"Phase, \"\"one\"\"\",Wait,2024-03-25 09:59:10.000,"
                                              "2024-03-25 09:59:00.120,2024-03-25 09:59:10.00"));
  EXPECT_THAT(lines[5], ::testing::EndsWith(",,,\r"));
  EXPECT_THAT(lines[6], ::testing::EndsWith(",0,1,Picture taken\r"));
  EXPECT_THAT(lines[7], ::testing::EndsWith(",file written\r"));
  EXPECT_EQ(sink.Texts("Status").back(), "Run log: " + path);

  // Every line is on the disk before the run waits for a row, and nothing goes to the disk
  // between the due instant and the release.
  RecordingFiles files;
  run.SetLogFiles(files);
  int waitsChecked = 0;
  bool releaseChecked = false;
  onPump = [&] {
    const auto last = [&](const std::string& kind) {
      const auto found = std::find_if(files.calls.rbegin(), files.calls.rend(),
                                      [&](const std::string& call) { return call.starts_with(kind); });
      return files.calls.rend() - found;
    };
    if (!sink.events.empty() && sink.events.back().kind == "Diff" && waitsChecked++ == 0) {
      EXPECT_LT(last("write"), last("flush"));
    }
    if (!releaseChecked && body->Calls().back().name == "SendCommand") {
      releaseChecked = true;
      EXPECT_THAT(files.calls.back(), ::testing::StartsWith("write 1,A,Wait,"));
    }
  };
  Start({Row("A", At("09:59:40.0"), {6, 7})});
  EXPECT_TRUE(releaseChecked);
  EXPECT_GT(waitsChecked, 0);
  ASSERT_GE(files.calls.size(), 4U);
  EXPECT_THAT(files.calls[0], ::testing::StartsWith("create run-20240325-09"));
  EXPECT_EQ(files.calls[1], "write row,label,step,due,issued,done,status,trials,text\r\n");
  EXPECT_THAT(files.calls[2], ::testing::StartsWith("write 0,,Table,"));
  EXPECT_EQ(files.calls[3], "flush");
  EXPECT_EQ(files.calls[4], "sync folder tevra-run-log");
  EXPECT_EQ(files.calls.end()[-2], "flush");
  EXPECT_EQ(files.calls.back(), "close");
  onPump = nullptr;

  // A log that cannot be created is told before the first entry; the run still shoots.
  run.SetLogFolder("/proc/no-such-folder/");
  sink.events.clear();
  sink.takePast = true;
  const RunSummary summary = Start({Row("A", At("09:58:00.0"))});
  EXPECT_EQ(summary.picturesTaken, 1);
  EXPECT_THAT(sink.Texts("Status").front(), HasSubstr("Cannot create the run log /proc/no-such-folder/run-"));
  EXPECT_THAT(sink.Texts("Status").back(), HasSubstr("Cannot create the run log /proc/no-such-folder/run-"));
  EXPECT_TRUE(summary.logPaths.empty());
  EXPECT_EQ(summary.logPath, "");
  EXPECT_NE(summary.logError, "");
}

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    lines.push_back(line);
  }
  return lines;
}

// A log removed or failing during the run is told within a second and goes on in a continuation
// file holding the lines not yet written; only logs that are there are named.
TEST_F(RunStartTest, LostOrFailingRunLogGoesOnInAContinuation) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(testing::TempDir()) / "tevra-lost-log";
  fs::remove_all(folder);
  run.SetLogFolder(folder.string() + "/");
  Connect();
  int64_t removedMs = -1;
  onPump = [&] {
    if (removedMs < 0 && run.WannLabel() == "at: 2024-03-25 09:59:30.0") {
      fs::remove_all(folder);
      removedMs = ticks.NowMs();
    }
  };
  RunSummary summary = Start({Row("A", At("09:59:10.0")), Row("B", At("09:59:30.0"))});
  const auto told = std::find_if(sink.events.begin(), sink.events.end(), [](const Event& event) {
    return event.kind == "Status" && event.text.find("was removed") != std::string::npos;
  });
  ASSERT_NE(told, sink.events.end());
  EXPECT_LE(told->ms - removedMs, 1000 + 100);
  EXPECT_EQ(summary.logError, "");
  ASSERT_EQ(summary.logPaths.size(), 1U);
  EXPECT_THAT(summary.logPath, ::testing::EndsWith("-2.csv"));
  EXPECT_EQ(FileLines(summary.logPath).size(), 2 + sink.steps.size());  // every line of the run

  // A disk full for a moment: the lines that could not be written go into the continuation.
  RecordingFiles files;
  run.SetLogFiles(files);
  sink.steps.clear();
  bool failed = false;
  onPump = [&] {
    const RunStep* last = sink.steps.empty() ? nullptr : &sink.steps.back();
    if (last != nullptr && !failed && last->row == 1 && last->step == "Wait") {
      files.failing = "write";
      failed = true;
    } else if (last != nullptr && last->row == 2) {
      files.failing.clear();
    }
  };
  summary = Start({Row("C", At("09:59:50.0")), Row("D", At("10:00:10.0"))});
  EXPECT_THAT(sink.Texts("Status"), ::testing::Contains(HasSubstr("Cannot write the run log")));
  EXPECT_EQ(summary.logError, "");
  ASSERT_EQ(summary.logPaths.size(), 2U);
  EXPECT_EQ(FileLines(summary.logPaths[0]).size() + FileLines(summary.logPaths[1]).size(),
            4 + sink.steps.size());  // two headers and table lines
}

// A start run begun again after a kill passes over what the run logs of the same table show taken:
// an entry in full, and the first picture of an entry cut short; --retake takes everything again.
TEST_F(RunStartTest, RestartedRunPassesOverWhatEarlierRunsTook) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(testing::TempDir()) / "tevra-restart";
  fs::remove_all(folder);
  run.SetLogFolder(folder.string() + "/");
  Connect();
  const ExposureRows rows = {Row("A", At("09:59:10.0")), Row("B", At("09:59:20.0"), {6, 7}),
                             Row("C", At("09:59:40.0"))};
  Start(rows, RunKind::Test);  // a test run's pictures never count as taken
  body->ClearCalls();
  sink.steps.clear();
  onPump = [&] {
    AbortRun = AbortRun || std::any_of(sink.steps.begin(), sink.steps.end(), [](const RunStep& step) {
                 return step.row == 2 && step.step == "Picture";
               });
  };
  EXPECT_TRUE(Start(rows).aborted);  // as a kill would: A taken, B's first picture taken
  onPump = nullptr;
  EXPECT_EQ(Count(CameraSteps(), "release"), 2U);

  body->ClearCalls();
  sink.steps.clear();
  RunSummary summary = Start(rows);
  EXPECT_EQ(sink.Texts("Retake").size(), 1U);
  EXPECT_EQ(summary.rowsTakenBefore, 1);
  EXPECT_EQ(sink.StepNames().front(), "Taken before");
  EXPECT_EQ(sink.steps.front().text, TakenBeforeRowText);
  EXPECT_EQ(Count(CameraSteps(), "release"), 2U);  // B's second picture and C
  EXPECT_EQ(summary.picturesTaken, 2);

  // Another table in the same folder is not affected; --retake takes all three entries again.
  body->ClearCalls();
  sink.retake = true;
  summary = Start(rows);
  EXPECT_EQ(summary.rowsTakenBefore, 0);
  EXPECT_EQ(Count(CameraSteps(), "release"), 4U);
  sink.retake = false;
  body->ClearCalls();
  EXPECT_EQ(Start({Row("A", At("09:59:10.0"), {12})}).rowsTakenBefore, 0);
  EXPECT_EQ(Count(CameraSteps(), "release"), 1U);
}

// The body drops off the bus during a run: the run opens it again every 2 s through a new session
// manager and carries on with the entry due when it is back.
class RunReconnectTest : public RunAbortTest {
 protected:
  int reopenings = 0;

  void AllowReconnection() {
    run.SetReconnect([this]() -> TAppMaster* {
      ++reopenings;
      camera.reset();
      uint32_t status = 0;
      camera = OpenCamera(nullptr, body, status);
      return camera.get();
    });
  }
  [[nodiscard]] size_t StatusCount(const std::string& text) const {
    return Count(sink.Texts("Status"), text);
  }
};

// Found by the read that keeps the camera awake; the entry is still ahead and comes on time, with
// its settings written again to the body that may have been switched off and on.
TEST_F(RunReconnectTest, DisconnectedDuringAWait) {
  SimulatorFaults faults;
  faults.disconnectWindows = {{70000, 100000}};
  Connect(faults);
  AllowReconnection();
  const RunSummary summary = Start({Row("A", At("10:02:00.0"))});
  EXPECT_EQ(summary.picturesTaken, 1);
  EXPECT_EQ(summary.rowsLost, 0);
  EXPECT_EQ(summary.reconnections, 1);
  EXPECT_EQ(reopenings, 6);  // at 90 s and every 2 s until the body is back at 100 s
  EXPECT_THAT(CameraSteps(), ElementsAre("0x100=0x13ff0f", "0x402=0x58", "0x405=0x30", TvWrite("1/250"),
                                         "0xb=0x1", "0xb=0x1", "0x100=0x13ff0f", "0x402=0x58", "0x405=0x30",
                                         TvWrite("1/250"), "release"));
  const RunStep& wait = *sink.Steps("Wait").front();
  EXPECT_LT(Seconds(*wait.dueJD, wait.doneJD), 0.0011);
  EXPECT_EQ(StatusCount(ReconnectingText), 1U);
  EXPECT_EQ(StatusCount(ReconnectedText), 1U);
  const RunStep& back = *sink.Steps("Reconnected").front();
  EXPECT_NEAR(Seconds(back.issuedJD, back.doneJD), 10, 0.1);
  EXPECT_EQ(back.trials, 6);
}

// Found during the retries of a busy body. Back 40 s later: the entry due last is taken at once,
// the ones before it are lost, the pictures of all of them counted.
TEST_F(RunReconnectTest, DisconnectedDuringARetryLosesTheEntriesDueMeanwhile) {
  SimulatorFaults faults;
  faults.busyWindows = {{10000, 10060}};
  faults.disconnectWindows = {{10050, 50000}};
  Connect(faults);
  AllowReconnection();
  const RunSummary summary = Start({Row("A", At("09:59:10.0"), {11, 19}), Row("B", At("09:59:25.0")),
                                    Row("C", At("09:59:40.0")), Row("D", At("09:59:55.0"))});
  const std::vector<std::string> status = sink.Texts("Status");
  const auto reconnecting = std::find(status.begin(), status.end(), ReconnectingText);
  ASSERT_NE(reconnecting, status.end());
  EXPECT_EQ(reconnecting[-4], "Picture: Sts=129 Trials=2");
  EXPECT_EQ(reconnecting[-1], "Picture: Sts=192 Trials=5");
  EXPECT_EQ(reopenings, 21);
  EXPECT_EQ(summary.rowsLost, 2);
  EXPECT_EQ(summary.picturesLost, 3);
  EXPECT_EQ(summary.picturesTaken, 2);
  EXPECT_EQ(summary.picturesFailed, 0);
  EXPECT_EQ(summary.picturesLate, 1);
  const auto lost = sink.Steps("Lost");
  ASSERT_EQ(lost.size(), 2U);
  EXPECT_EQ(lost[0]->label, "A");
  EXPECT_EQ(lost[1]->label, "B");
  EXPECT_EQ(lost[1]->text, LostRowText);
  const auto pictures = sink.Steps("Picture");
  ASSERT_EQ(pictures.size(), 3U);
  EXPECT_EQ(pictures[0]->status, CamDisconnected);
  EXPECT_EQ(pictures[1]->label, "C");
  EXPECT_NEAR(Seconds(*pictures[1]->dueJD, pictures[1]->issuedJD), 10.2, 0.2);
  EXPECT_LT(Seconds(*pictures[2]->dueJD, pictures[2]->issuedJD), 0.1);
}

// In a loop: the loop goes on once the body is back, its settings written again.
TEST_F(RunReconnectTest, DisconnectedDuringALoop) {
  SimulatorFaults faults;
  faults.disconnectWindows = {{20000, 25000}};
  Connect(faults, 100);
  AllowReconnection();
  const RunSummary summary = Start({Row("Loop", At("09:59:50.0"), {6}), Row("After", At("10:00:00.0"))});
  EXPECT_EQ(summary.reconnections, 1);
  EXPECT_EQ(summary.rowsLost, 0);
  EXPECT_EQ(sink.Steps("Loop end").size(), 1U);
  const std::vector<std::string> steps = CameraSteps();
  EXPECT_EQ(Count(steps, "0x100=0x13ff0f"), 2U);
  int before = 0;
  int after = 0;
  for (const RunStep* picture : sink.Steps("Picture")) {
    if (picture->status == 0U && picture->label == "Loop") {
      (Seconds(clock.LocalJD() - static_cast<double>(ticks.NowMs()) / MsPerDay, picture->issuedJD) < 20
           ? before
           : after)++;
    }
  }
  EXPECT_GT(before, 20);
  EXPECT_GT(after, 20);
  EXPECT_EQ(summary.picturesTaken, before + after + 1);
}

TEST_F(RunReconnectTest, AbortWhileReconnecting) {
  Connect();
  AllowReconnection();
  body->Faults().disconnectAtCall = 1;  // gone for good
  onPump = [&] { AbortRun = AbortRun || ticks.NowMs() > 5000; };
  ExpectEndStep(Start({Row("A", At("09:59:10.0"))}), AbortRun);
  EXPECT_EQ(reopenings, 3);
  EXPECT_LT(ticks.NowMs(), 5200);
  EXPECT_EQ(body->PicturesTaken(), 0);
  EXPECT_EQ(sink.Texts("Status").back(), ReconnectingText);
}

// A camera idle through a long wait is asked for a setting a minute after its last call and every
// 30 s after that, never in the last 5 s before the release; a read that fails shows.
TEST_F(RunFixture, IdleCameraIsKeptAwakeDuringALongWait) {
  SimulatorFaults faults;
  faults.disconnectWindows = {{150000, 170000}};
  Connect(faults);  // no reconnection: the failure only shows
  std::vector<int64_t> reads;
  onPump = [&] {
    const auto found =
        std::count_if(body->Calls().begin(), body->Calls().end(), [](const SimulatorCall& call) {
          return call.name == "GetPropertySize" && call.args.find(", 0x400,") != std::string::npos;
        });
    if (static_cast<size_t>(found) > reads.size()) {
      reads.push_back(ticks.NowMs());
    }
  };
  const RunSummary summary = Start({Row("A", At("10:04:00.0"))});
  EXPECT_EQ(summary.picturesTaken, 1);
  ASSERT_EQ(reads.size(), 8U);
  EXPECT_GE(reads[0], 10 + 8 * 15 + 60000);  // four settings, each read back
  EXPECT_LT(reads[0], 10 + 8 * 15 + 60300);  // seen at the wait's next pass
  for (size_t i = 1; i < reads.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(reads[i] - reads[i - 1]), 30000, 200) << i;
  }
  EXPECT_LT(reads.back(), 295000);
  const auto failed = sink.Steps("Keep awake");
  ASSERT_EQ(failed.size(), 1U);
  EXPECT_EQ(failed[0]->status, CamDisconnected);
  EXPECT_EQ(Count(sink.Texts("Status"), KeepAliveFailedText(CamDisconnected)), 1U);
  EXPECT_THAT(KeepAliveFailedText(CamDisconnected),
              HasSubstr("The camera does not answer while waiting: Sts=192 ("));
  const RunStep& wait = *sink.Steps("Wait").front();
  EXPECT_LT(Seconds(*wait.dueJD, wait.doneJD), 0.0011);
}

}  // namespace
}  // namespace tevra::test
