// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/fitting_label.h"

#include <QFontMetrics>

namespace tevra {
namespace {

constexpr int SmallestPixelSize = 6;

}  // namespace

FittingLabel::FittingLabel(const QFont& design, QWidget* parent) : QLabel(parent), design_(design) {
  setFont(design_);
  setIndent(0);  // the room for the text does not depend on the font then
}

QSize FittingLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void FittingLabel::SetFittedText(const QString& text) {
  if (this->text() != text) {
    setText(text);
  }
  Fit();
}

void FittingLabel::SetDesignBold(bool bold) {
  if (design_.bold() != bold) {
    design_.setBold(bold);
    Fit();
  }
}

int FittingLabel::TextRoom() const { return contentsRect().width() - 2 * margin() - indent(); }

void FittingLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void FittingLabel::Fit() {
  const int room = TextRoom();
  QFont fitted = design_;
  for (int pixels = design_.pixelSize(); pixels > SmallestPixelSize; --pixels) {
    fitted.setPixelSize(pixels);
    if (QFontMetrics(fitted).horizontalAdvance(text()) <= room) {
      break;
    }
  }
  if (font() != fitted) {
    setFont(fitted);
  }
}

}  // namespace tevra
