// SPDX-License-Identifier: GPL-3.0-or-later
// The photography page's last preview: the picture scaled to fit, its luminance histogram on a log
// scale with the clipped levels marked, its figures and the row and settings it came from. By night
// the picture and the histogram are drawn in reds only.
#pragma once

#include "run/preview_image.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class QLabel;

namespace tevra {

// "Row 12: U2 totality begins — ISO 3200  f/8  1/2", with ", bias +1 EV" when it had one.
std::string PreviewSourceText(const PreviewShot& shot);

// The bar of a level with count pixels, of at most height pixels: the log of the count against the
// log of the most any level has, so that a few clipped pixels still show beside the sky's thousands.
int HistogramBarHeight(uint32_t count, uint32_t most, int height);

// 256 bars, one per level; the levels from ClippedLevel up on a ground of their own.
class TPreviewHistogram final : public QWidget {
 public:
  explicit TPreviewHistogram(QWidget* parent = nullptr);
  void SetHistogram(const std::array<uint32_t, 256>& histogram);
  [[nodiscard]] const std::array<uint32_t, 256>& Histogram() const { return histogram_; }
  // The drawn height of level's bar.
  [[nodiscard]] int BarHeight(int level) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<uint32_t, 256> histogram_{};
};

class TPreviewPanel final : public QWidget {
 public:
  explicit TPreviewPanel(QWidget* parent = nullptr);
  void ShowShot(const PreviewShot& shot);
  // Draws the picture and the histogram again in the colours of the night view in force.
  void ApplyNightMode();

  QLabel* Image_Preview = nullptr;
  TPreviewHistogram* Histogram_Preview = nullptr;
  QLabel* Label_PreviewFigures = nullptr;
  QLabel* Label_PreviewSource = nullptr;

 private:
  void PaintImage();

  std::optional<PreviewImage> image_;
};

}  // namespace tevra
