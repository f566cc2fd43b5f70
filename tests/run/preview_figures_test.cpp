// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/preview_figures.h"

#include "camera/simulated_moon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

namespace tevra {
namespace {

constexpr size_t PixelCount = size_t{160} * 120;  // the simulated picture's size

std::span<const uint8_t> Pixels(const std::vector<uint8_t>& pgm) {
  return std::span<const uint8_t>(pgm).last(PixelCount);
}

// The simulated Moon follows the exposure, and the figures read it back off the picture.
TEST(PreviewFigures, SimulatedMoonThroughTheFigures) {
  // Totality (Q = -7) at f/8 and ISO 1600: N^2 / (ISO 2^Q) = 5.12 s is the right exposure.
  EXPECT_EQ(SimulatedMoonLevel(-7, 1600, 8, 5.12), WellExposedMoonLevel);
  EXPECT_EQ(SimulatedMoonLevel(-7, 1600, 8, 2 * 5.12), std::lround(118 * std::pow(2, 1 / 2.2)));
  EXPECT_EQ(SimulatedMoonLevel(-7, 1600, 8, 5.12 / 8), std::lround(118 / std::pow(8, 1 / 2.2)));
  EXPECT_EQ(SimulatedMoonLevel(8, 1600, 8, 4), 255);  // the full Moon at a totality exposure

  PreviewFigures figures = MeasurePreview(Pixels(SimulatedMoonPgm(118)));
  EXPECT_EQ(figures.moonMedian, 118);
  EXPECT_EQ(figures.clippedShare, 0);
  EXPECT_EQ(figures.histogram[SkyLevel] + figures.histogram[118], PixelCount);
  figures = MeasurePreview(Pixels(SimulatedMoonPgm(255)));
  EXPECT_NEAR(figures.clippedShare, 3.14159 * 42 * 42 / (160 * 120), 0.01);
  EXPECT_EQ(PreviewFiguresText(figures), "Moon 255, clipped 28.9 %");
  // A Moon lost in the sky is not found.
  EXPECT_FALSE(MeasurePreview(Pixels(SimulatedMoonPgm(SkyLevel + 2))).moonMedian);
  EXPECT_FALSE(MeasurePreview({}).moonMedian);
}

}  // namespace
}  // namespace tevra
