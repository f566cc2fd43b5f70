// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/divprocs.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(HexStr, ByteCounts) {
  EXPECT_EQ(HexStr(0x1A2B, 2), "1A2B");
  EXPECT_EQ(HexStr(0x1A2B, 1), "2B");
  EXPECT_EQ(HexStr(255, 4), "000000FF");
  EXPECT_EQ(HexStr(0xDEADBEEF, 4), "DEADBEEF");
  EXPECT_EQ(HexStr(0x1A2B, 3), "");
  EXPECT_EQ(HexStr(0x1A2B, 0), "");
}

TEST(PowerAndFloor, Values) {
  EXPECT_NEAR(Power(2, 10), 1024, 1e-9);
  EXPECT_NEAR(Power(10, -0.5), 0.316227766, 1e-9);
  EXPECT_EQ(Floor(2.7), 2);
  EXPECT_EQ(Floor(-2.0), -2);
  EXPECT_EQ(Floor(-2.1), -3);
  EXPECT_EQ(Floor(0), 0);
  EXPECT_EQ(Floor(-0.5), -1);
}

TEST(WaitMs, WaitsAtLeastTheGivenTime) {
  EXPECT_GE(WaitMs(5), 5);
  EXPECT_GE(WaitMs(0), 0);
}

TEST(AbortText, ComposedWithCarriageReturns) {
  EXPECT_EQ(AbortText("Couldn't decode Year in DateStrJD", "Argument:x"),
            "Program will abort now.\rArgument:x\rCouldn't decode Year in DateStrJD");
}

void RecordingPresenter(const std::string& caption, const std::string& text) {
  (void)std::fprintf(stderr, "presented[%s|%s]\n", caption.c_str(), text.c_str());
}

TEST(AbortOnDataErrorDeathTest, UsesTheInstalledPresenterThenExitsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetAbortPresenter(&RecordingPresenter);
        AbortOnDataError("msg", "Argument:abc");
      },
      ::testing::ExitedWithCode(DataErrorExitCode),
      "presented\\[Data interpretation error:\\|Program will abort now.\rArgument:abc\rmsg\\]");
}

}  // namespace
}  // namespace tevra
