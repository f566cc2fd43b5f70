// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/preview_panel.h"

#include "exposure/exposure_bias.h"
#include "state/night_mode.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace tevra {

namespace {

constexpr int PanelHeight = 180;
constexpr int ImageWidth = 240;
constexpr int HistogramLeft = ImageWidth + 20;
constexpr int HistogramWidth = 400;
constexpr int HistogramHeight = 112;

// Day colours of the histogram; by night they pass through ShownColour.
constexpr Rgb HistogramGround{255, 255, 255};
constexpr Rgb ClippedGround{255, 200, 200};  // far enough from grey to stay marked by night
constexpr Rgb BarColour{40, 40, 40};
constexpr Rgb FrameColour{150, 150, 150};
constexpr Rgb ImageGround{0, 0, 0};

QColor Shown(Rgb day, Paint paint) {
  const Rgb shown = ShownColour(day, paint);
  return {shown.r, shown.g, shown.b};
}

QLabel* MakeLine(QWidget* parent, const QRect& geometry) {
  auto* label = new QLabel(parent);
  label->setGeometry(geometry);
  label->setFont(QFont(QStringLiteral("Arial"), 10));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

}  // namespace

std::string PreviewSourceText(const PreviewShot& shot) {
  std::string text = "Row " + std::to_string(shot.row) + ": " + shot.label + " \u2014 " + shot.settings;
  if (shot.biasThirds != 0) {
    text += ", bias " + BiasText(shot.biasThirds);
  }
  return text;
}

int HistogramBarHeight(uint32_t count, uint32_t most, int height) {
  if (count == 0 || most == 0) {
    return 0;
  }
  // One pixel is still seen: log(1 + n) keeps it above the empty levels.
  const double share = std::log1p(static_cast<double>(count)) / std::log1p(static_cast<double>(most));
  return std::clamp(static_cast<int>(std::lround(share * height)), 1, height);
}

TPreviewHistogram::TPreviewHistogram(QWidget* parent) : QWidget(parent) {
  setToolTip(
      QStringLiteral("Luminance histogram of the preview, log scale; levels 250 and above are clipped"));
}

void TPreviewHistogram::SetHistogram(const std::array<uint32_t, 256>& histogram) {
  histogram_ = histogram;
  update();
}

int TPreviewHistogram::BarHeight(int level) const {
  const uint32_t most = *std::max_element(histogram_.begin(), histogram_.end());
  return HistogramBarHeight(histogram_.at(static_cast<size_t>(level)), most, height() - 2);
}

void TPreviewHistogram::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const int inner = width() - 2;
  const auto left = [inner](int level) { return 1 + level * inner / 256; };
  painter.fillRect(rect(), Shown(HistogramGround, Paint::Background));
  painter.fillRect(QRect(QPoint(left(ClippedLevel), 1), QPoint(width() - 2, height() - 2)),
                   Shown(ClippedGround, Paint::Background));
  const QColor bar = Shown(BarColour, Paint::Text);
  for (int level = 0; level < 256; ++level) {
    const int barHeight = BarHeight(level);
    if (barHeight > 0) {
      // At least two pixels wide, so that a lone level is seen.
      painter.fillRect(left(level), height() - 1 - barHeight, std::max(2, left(level + 1) - left(level)),
                       barHeight, bar);
    }
  }
  painter.setPen(Shown(FrameColour, Paint::Line));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  // Ticks at the quarters of the level scale, to read the Moon's level off the bars.
  for (const int level : {64, 128, 192}) {
    painter.drawLine(left(level), 1, left(level), 5);
  }
}

TPreviewPanel::TPreviewPanel(QWidget* parent) : QWidget(parent) {
  Image_Preview = new QLabel(this);
  Image_Preview->setGeometry(0, 0, ImageWidth, PanelHeight);
  Image_Preview->setAlignment(Qt::AlignCenter);
  Image_Preview->setWordWrap(true);
  Image_Preview->setFrameShape(QFrame::Box);
  Image_Preview->setToolTip(QStringLiteral("The last picture's preview"));
  Image_Preview->setText(
      QStringLiteral("No preview yet.\nDuring the run, the preview of each picture shows here."));
  Histogram_Preview = new TPreviewHistogram(this);
  Histogram_Preview->setGeometry(HistogramLeft, 0, HistogramWidth, HistogramHeight);
  Label_PreviewFigures = MakeLine(this, QRect(HistogramLeft, HistogramHeight + 4, HistogramWidth, 20));
  Label_PreviewFigures->setToolTip(
      QStringLiteral("The Moon's median level and the share of clipped pixels (level 250 and above)"));
  Label_PreviewSource = MakeLine(this, QRect(HistogramLeft, HistogramHeight + 26, HistogramWidth, 42));
  Label_PreviewSource->setToolTip(
      QStringLiteral("The row of the table and the settings the preview came from"));
  ApplyNightMode();
}

void TPreviewPanel::ShowShot(const PreviewShot& shot) {
  image_ = shot.image;
  Histogram_Preview->SetHistogram(shot.figures.histogram);
  Label_PreviewFigures->setText(QString::fromStdString(PreviewFiguresText(shot.figures)));
  Label_PreviewSource->setText(QString::fromStdString(PreviewSourceText(shot)));
  PaintImage();
}

void TPreviewPanel::ApplyNightMode() {
  const QColor ground = Shown(ImageGround, Paint::Background);
  Image_Preview->setAutoFillBackground(true);
  Image_Preview->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; }")
                                   .arg(ground.name(), Shown(Rgb{200, 200, 200}, Paint::DimText).name()));
  PaintImage();
  Histogram_Preview->update();
}

void TPreviewPanel::PaintImage() {
  if (!image_ || image_->width <= 0 || image_->height <= 0 ||
      image_->luminance.size() < static_cast<size_t>(image_->width) * static_cast<size_t>(image_->height)) {
    return;
  }
  // By night the luminance becomes red up to the night view's text red, nothing else.
  const int top = ShownColour(Rgb{255, 255, 255}, Paint::Text).r;
  const bool night = Night.on;
  QImage picture(image_->width, image_->height, QImage::Format_RGB32);
  for (int y = 0; y < image_->height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    const uint8_t* source = image_->luminance.data() + static_cast<ptrdiff_t>(y) * image_->width;
    for (int x = 0; x < image_->width; ++x) {
      const int level = source[x];
      line[x] = night ? qRgb(level * top / 255, 0, 0) : qRgb(level, level, level);
    }
  }
  const QSize room = Image_Preview->contentsRect().size();
  Image_Preview->setPixmap(
      QPixmap::fromImage(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace tevra
