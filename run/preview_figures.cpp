// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/preview_figures.h"

#include "timing/time_text.h"

namespace tevra {
namespace {

// Levels this far apart or less are one grey, not a Moon in the sky.
constexpr double MinimumContrast = 4;

// The level that best splits the histogram in two classes (Otsu): the largest variance between
// the classes' means. Returns the last level of the darker class.
int OtsuThreshold(const std::array<uint32_t, 256>& histogram, uint64_t total, double& contrast) {
  double sumAll = 0;
  for (size_t level = 0; level < histogram.size(); ++level) {
    sumAll += static_cast<double>(level) * histogram[level];
  }
  double sumDark = 0;
  uint64_t dark = 0;
  double bestVariance = -1;
  int best = 0;
  contrast = 0;
  for (size_t level = 0; level + 1 < histogram.size(); ++level) {
    dark += histogram[level];
    sumDark += static_cast<double>(level) * histogram[level];
    const uint64_t bright = total - dark;
    if (dark == 0 || bright == 0) {
      continue;
    }
    const double meanDark = sumDark / static_cast<double>(dark);
    const double meanBright = (sumAll - sumDark) / static_cast<double>(bright);
    const double variance = static_cast<double>(dark) * static_cast<double>(bright) *
                            (meanBright - meanDark) * (meanBright - meanDark);
    if (variance > bestVariance) {
      bestVariance = variance;
      best = static_cast<int>(level);
      contrast = meanBright - meanDark;
    }
  }
  return best;
}

}  // namespace

PreviewFigures MeasurePreview(std::span<const uint8_t> luminance) {
  PreviewFigures figures;
  for (const uint8_t level : luminance) {
    ++figures.histogram[level];
  }
  const uint64_t total = luminance.size();
  if (total == 0) {
    return figures;
  }
  uint64_t clipped = 0;
  for (size_t level = ClippedLevel; level < figures.histogram.size(); ++level) {
    clipped += figures.histogram[level];
  }
  figures.clippedShare = static_cast<double>(clipped) / static_cast<double>(total);
  double contrast = 0;
  const int threshold = OtsuThreshold(figures.histogram, total, contrast);
  if (contrast < MinimumContrast) {
    return figures;
  }
  uint64_t moon = 0;
  for (size_t level = static_cast<size_t>(threshold) + 1; level < figures.histogram.size(); ++level) {
    moon += figures.histogram[level];
  }
  uint64_t seen = 0;
  for (size_t level = static_cast<size_t>(threshold) + 1; level < figures.histogram.size(); ++level) {
    seen += figures.histogram[level];
    if (2 * seen >= moon) {
      figures.moonMedian = static_cast<int>(level);
      break;
    }
  }
  return figures;
}

std::string PreviewFiguresText(const PreviewFigures& figures) {
  const std::string clipped = "clipped " + FixedStr(figures.clippedShare * 100, 1) + " %";
  return figures.moonMedian ? "Moon " + std::to_string(*figures.moonMedian) + ", " + clipped
                            : "no Moon found, " + clipped;
}

}  // namespace tevra
