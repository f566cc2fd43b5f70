// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/moon_scene.h"

#include "camera/simulated_moon.h"
#include "timing/catalogue.h"
#include "timing/countdown.h"
#include "timing/time_zones.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tevra {
namespace {

int32_t FirstOfType(bool total) {
  for (int32_t i = 1; i <= EclipseCount; ++i) {
    if ((EclipseCatalogue()[static_cast<size_t>(i)].TypeCode >= 4) == total) {
      return i;
    }
  }
  return 0;
}

TEST(MoonScene, FollowsTheEclipseOnTheRehearsalClock) {
  const int32_t total = FirstOfType(true);
  const MoonScene scene = MoonSceneOf(total, 2);
  // The same contacts as the main window computes for the selected eclipse; the selection is put
  // back for the other tests.
  const Elemente_Type oldEclipse = CurrentEclipse;
  const int32_t oldIndex = EclipseIndex;
  const double oldZone = ZoneOffset;
  const double oldDeltaT = CurrentDeltaT;
  const ContactTimes oldContacts = CurrentContacts();
  SelectEclipse(total);
  ZoneOffset = 2;
  ComputeContacts(false);
  const MoonScene current = CurrentMoonScene();
  CurrentEclipse = oldEclipse;
  EclipseIndex = oldIndex;
  ZoneOffset = oldZone;
  CurrentDeltaT = oldDeltaT;
  std::tie(JD_P1, JD_U1, JD_U2, JD_Mx, JD_U3, JD_U4, JD_P4) =
      std::tuple(oldContacts.P1, oldContacts.U1, oldContacts.U2, oldContacts.Mx, oldContacts.U3,
                 oldContacts.U4, oldContacts.P4);
  EXPECT_DOUBLE_EQ(current.contacts.U2, scene.contacts.U2);
  EXPECT_DOUBLE_EQ(current.contacts.P4, scene.contacts.P4);

  const ContactTimes& c = scene.contacts;
  EXPECT_EQ(MoonSceneQ(scene, c.P1 - 0.01), FullMoonQ);
  EXPECT_EQ(MoonSceneQ(scene, c.Mx), -7);
  const double umbral = MoonSceneQ(scene, (c.U1 + c.U2) / 2);
  EXPECT_TRUE(umbral > -7 && umbral < 7) << umbral;
  const MoonScene partial = MoonSceneOf(FirstOfType(false), 2);
  const double deepest = MoonSceneQ(partial, partial.contacts.Mx);
  EXPECT_TRUE(deepest > -7 && deepest < 7) << deepest;
  EXPECT_EQ(MoonSceneQ(MoonSceneOf(0, 2), c.Mx), FullMoonQ);  // no eclipse

  // A rehearsal from a minute after U2: the totality exposure of the generated table (ISO 1600,
  // f/8, 4 s) shows a dark Moon well exposed, where the full Moon would be white.
  ManualTickClock ticks;
  const ManualRunClock clock(ticks, c.P1 - 1);
  const auto q = MoonSceneNow([scene] { return scene; }, clock);
  EXPECT_EQ(q(), FullMoonQ);
  RehearsalOffset = c.U2 + 1.0 / 1440 - clock.LocalJD();
  EXPECT_EQ(q(), -7);
  const int level = SimulatedMoonLevel(q(), 1600, 8, 4);
  EXPECT_TRUE(level > 80 && level < WellExposedMoonLevel) << level;
  EXPECT_EQ(SimulatedMoonLevel(FullMoonQ, 1600, 8, 4), 255);
  RehearsalOffset = 0;
}

}  // namespace
}  // namespace tevra
