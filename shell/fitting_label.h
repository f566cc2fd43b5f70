// SPDX-License-Identifier: GPL-3.0-or-later
// A label whose text is never cut off: while the text is wider than the label in its design
// font, it is drawn in the largest smaller pixel size of that font that fits.
#pragma once

#include <QFont>
#include <QLabel>

namespace tevra {

class FittingLabel : public QLabel {
 public:
  FittingLabel(const QFont& design, QWidget* parent);

  // Sets the text (when it changed) and the font it fits in.
  void SetFittedText(const QString& text);
  // The font the label is designed with; font() is it or a smaller size of it.
  const QFont& DesignFont() const { return design_; }
  // The design font in bold or regular weight.
  void SetDesignBold(bool bold);
  // Pixels the text may take: the contents width less margins and indent.
  int TextRoom() const;
  // The text never asks for width: a layout must not push the label beyond its place for a long
  // text, the text fits whatever width the label gets.
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fit();

  QFont design_;
};

}  // namespace tevra
