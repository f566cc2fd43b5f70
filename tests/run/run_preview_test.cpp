// SPDX-License-Identifier: GPL-3.0-or-later
// Previews fetched between the rows, never close to a release; the exposure bias fixed per row.
#include "exposure/exposure_bias.h"
#include "run/eclipse_run.h"
#include "tests/run/run_test_support.h"

#include <gtest/gtest.h>

namespace tevra::test {
namespace {

class RunPreviewTest : public RunFixture {
 protected:
  // The body's calls by name, with their tick times.
  [[nodiscard]] std::vector<int64_t> CallTimes(const std::string& name) const {
    std::vector<int64_t> times;
    for (const SimulatorCall& call : body->Calls()) {
      if (call.name == name && (name != "SendCommand" || call.args.ends_with(", 0, 0"))) {
        times.push_back(call.atMs);
      }
    }
    return times;
  }
};

// Rows 2 s apart leave no room: only the newer picture's preview is fetched, after it, and the
// last picture's at the end. No fetch starts within 3 s of the next release.
TEST_F(RunPreviewTest, FetchedOnlyWhileTheNextReleaseIsAtLeastThreeSecondsAway) {
  Connect({}, 100);
  const ExposureRows rows = {Row("A", At("10:00:00")), Row("B", At("10:00:02")),
                             Row("C", At("10:00:10"), {11, 12}), Row("D", At("10:00:20"))};
  run.SetPreviews(true);
  const RunSummary summary = Start(rows);
  EXPECT_EQ(summary.picturesTaken, 5);

  const std::vector<int64_t> previews = CallTimes("GetPreview");
  const std::vector<int64_t> releases = CallTimes("SendCommand");
  ASSERT_EQ(releases.size(), 5U);
  ASSERT_GE(previews.size(), 3U);  // after B, after C's second picture, after D; a busy body again
  for (const int64_t at : previews) {
    const auto next = std::upper_bound(releases.begin(), releases.end(), at);
    if (next != releases.end()) {
      EXPECT_GE(*next - at, EclipseRun::PreviewLeadMs) << "a preview at " << at << " ms";
    }
  }
  EXPECT_GT(previews.front(), releases[1]);
  EXPECT_LT(previews.front(), releases[2]);
  EXPECT_GT(previews.back(), releases[4]);

  const std::vector<const RunStep*> logged = sink.Steps("Preview");
  ASSERT_EQ(logged.size(), 3U);
  EXPECT_EQ(logged[0]->row, 2U);
  EXPECT_EQ(logged[1]->row, 3U);
  EXPECT_NE(logged[1]->text.find("Moon"), std::string::npos) << logged[1]->text;

  // Off: the body is never asked.
  body->ClearCalls();
  run.SetPreviews(false);
  Start({Row("E", At("10:01:00")), Row("F", At("10:01:10"))});
  EXPECT_TRUE(CallTimes("GetPreview").empty());
}

// The bias a row begins with stays its own; a change reaches only the rows not yet begun, and each
// biased row says in the log what it got.
TEST_F(RunPreviewTest, BiasMovesTheRowsNotYetBegunAndIsLoggedPerRow) {
  Connect();
  run.SetBias(99);
  EXPECT_EQ(run.BiasThirds(), MaxBiasThirds);
  run.SetBias(3);
  onPump = [this] {
    if (run.CurrentRow() == 1) {
      run.SetBias(-3);
    }
  };
  // 1/250 s: +1 EV takes 1/125 s, -1 EV 1/500 s.
  Start({Row("A", At("10:00:00"), {11}), Row("B", At("10:00:10"), {11})});
  std::vector<std::string> tv;
  for (const std::string& step : CameraSteps()) {
    if (step.starts_with("0x406=")) {
      tv.push_back(step);
    }
  }
  EXPECT_EQ(tv, (std::vector<std::string>{TvWrite("1/125"), TvWrite("1/500")}));
  const std::vector<const RunStep*> bias = sink.Steps("Bias");
  ASSERT_EQ(bias.size(), 2U);
  EXPECT_EQ(bias[0]->text, "+1 EV");
  EXPECT_EQ(bias[1]->text, "-1 EV");
  EXPECT_EQ(bias[1]->row, 2U);
}

}  // namespace
}  // namespace tevra::test
