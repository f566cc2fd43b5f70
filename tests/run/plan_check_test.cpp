// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/plan_check.h"

#include "run/run_texts.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tevra {
namespace {

constexpr int Shutter250 = 11;
constexpr int Shutter4s = 21;
constexpr int Shutter8s = 22;

ExposureRow Row(const std::string& label, const std::string& time,
                const std::vector<int>& marks = {Shutter250}, const std::string& iso = "400",
                const std::string& kind = "") {
  ExposureRow row;
  row[ColumnKind] = kind;
  row[ColumnLabel] = label;
  row[ColumnDateTime] = time;
  row[ColumnQuality] = "JPGLarFin";
  row[ColumnIso] = iso;
  row[ColumnAperture] = "f/5.6";
  for (const int column : marks) {
    row[static_cast<size_t>(column)] = "x";
  }
  return row;
}

std::string At(const std::string& seconds) { return "2024-03-25 10:00:" + seconds; }

std::vector<std::string> Texts(const std::vector<PlanFinding>& findings) {
  std::vector<std::string> texts;
  texts.reserve(findings.size());
  for (const PlanFinding& finding : findings) {
    texts.push_back(DescribeFinding(finding));
  }
  return texts;
}

TEST(PlanCheck, ARowFitsOrNotByItsExposuresShutterChangesAndTheNextRowsSettings) {
  // 4 s and 8 s with two shutter writes and two releases: 15 s of work.
  const ExposureRows tight = {Row("long", At("00.0"), {Shutter4s, Shutter8s}), Row("next", At("05.0"))};
  const std::vector<PlanFinding> findings = CheckPlan(tight, {});
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_EQ(findings[0].kind, PlanFindingKind::CannotFinish);
  EXPECT_EQ(findings[0].row, 0U);
  EXPECT_NEAR(findings[0].needsSeconds, 0.5 + 1 + 4 + 0.5 + 1 + 8 + 0.01, 1e-9);  // + the next row's label
  EXPECT_EQ(DescribeFinding(findings[0]),
            "row 1: cannot finish in time: needs 15.0 s, has 5.0 s until row 2");

  EXPECT_TRUE(
      CheckPlan({Row("long", At("00.0"), {Shutter4s, Shutter8s}), Row("next", At("16.0"))}, {}).empty());
  // The next row's ISO change is written in the same gap: half a second more.
  const std::vector<PlanFinding> iso = CheckPlan(
      {Row("long", At("00.0"), {Shutter4s, Shutter8s}), Row("next", At("15.3"), {Shutter8s}, "800")}, {});
  ASSERT_EQ(iso.size(), 1U);
  EXPECT_NEAR(iso[0].needsSeconds, 15.51, 1e-9);
  // Without a camera nothing exposes and every step is the simulation's pause.
  PlanSettings simulated;
  simulated.camera = SimulatedCameraTimes();
  EXPECT_TRUE(CheckPlan(tight, simulated).empty());
}

TEST(PlanCheck, ALoopWhoseTimeComesBeforeOnePictureFitsTakesNone) {
  // An 8 s picture inside a loop is reckoned at about 26 s with its margin.
  const ExposureRows rows = {Row("before", At("00.0")), Row("Loop during totality", At("20.0"), {Shutter8s}),
                             Row("after", At("20.5"))};
  const std::vector<PlanFinding> findings = CheckPlan(rows, {});
  ASSERT_EQ(findings.size(), 1U) << Texts(findings)[0];
  EXPECT_EQ(findings[0].kind, PlanFindingKind::LoopTakesNoPicture);
  EXPECT_EQ(findings[0].row, 1U);
  EXPECT_NEAR(findings[0].needsSeconds, 0.5 + 1 + 0.004 + 0.01 + 0.5 + LoopPictureSeconds(Shutter8s), 1e-6);
  // The loop's pictures end before its time: the row after it only needs its own settings.
  EXPECT_TRUE(
      CheckPlan({Row("before", At("00.0")), Row("Loop", At("50.0"), {Shutter8s}), Row("after", At("50.5"))},
                {})
          .empty());
}

TEST(PlanCheck, AnAnnouncementHoldsTheRunForItsBanner) {
  const ExposureRows rows = {Row("U2 IN ONE MINUTE", At("00.0"), {}, "", "WAV"), Row("next", At("03.0"))};
  const std::vector<PlanFinding> findings = CheckPlan(rows, {});
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_EQ(findings[0].kind, PlanFindingKind::CannotFinish);
  EXPECT_EQ(DescribeFinding(findings[0]), "row 1: cannot finish in time: needs 6.6 s, has 3.0 s until row 2");
  EXPECT_TRUE(CheckPlan({rows[0], Row("next", At("10.0"))}, {}).empty());
}

TEST(PlanCheck, TheMoonBelowTheSitesHorizonIsNamed) {
  // Entry 35 in UTC, seen from Munich: 3.5 degrees up at U1, 14 degrees down at greatest eclipse.
  const Elemente_Type& e = EclipseCatalogue()[35];
  const auto text = [&e](double offset) {
    const CalendarTime t = JDCal(ContactInstantOf(e, e.DeltaTSec, 0, offset, false));
    return DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
  };
  PlanSettings settings;
  settings.eclipseIndex = 35;
  settings.site = ObservingSite{"Munich", 48.1372, 11.5755, 520};
  const std::vector<PlanFinding> findings =
      CheckPlan({Row("U1", text(e.U1Offset)), Row("Mx", text(e.GreatestOffset))}, settings);
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_EQ(findings[0].row, 1U);
  EXPECT_EQ(findings[0].kind, PlanFindingKind::MoonBelowHorizon);
  EXPECT_NE(findings[0].what.find("altitude -14.4"), std::string::npos) << findings[0].what;
}

TEST(PlanCheck, TimesTheRunCannotReadOrServeInOrderAndControlCharactersAreNamed) {
  PlanSettings settings;
  settings.eclipseIndex = 34;  // 2024-09-18, P1 at 01:41 UTC
  ExposureRows rows = {
      Row("first", "2024-09-18 02:00:00.0"),
      Row("typo", "2024-09-18 02:00:xx.0"),
      Row("later", "2024-09-18 03:00:00.0"),
      Row("earlier", "2024-09-18 02:30:00.0"),
      Row("a year on", "2025-09-18 02:30:00.0"),
      Row("tab", "  2024-09-18 04:00:00.0"),  // leading blanks: the run trims an exposure row's time
      Row("", "no time is read for a skipped row"),
  };
  rows[5][ColumnIso] = "4\t00";
  const std::vector<std::string> texts = Texts(CheckPlan(rows, settings));
  ASSERT_EQ(texts.size(), 5U);
  EXPECT_EQ(texts[0].rfind("row 2: the run cannot read the time \"2024-09-18 02:00:xx.0\"", 0), 0U)
      << texts[0];
  EXPECT_EQ(texts[1], "row 4: its time lies 30.0 min before that of row 3: the run serves it at once");
  EXPECT_EQ(texts[2], "row 5: its time lies 364.9 days after P4 of eclipse 34");
  EXPECT_EQ(texts[3], "row 6: its time lies 364.9 days before that of row 5: the run serves it at once");
  EXPECT_EQ(texts[4], "row 6: the ISO cell holds the control character 0x09");
}

}  // namespace
}  // namespace tevra
