// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/night_look.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

namespace tevra {

namespace {

QString Css(Rgb colour) { return QColor(colour.r, colour.g, colour.b).name(); }

int NightLevel() { return std::clamp(Night.brightness, 0, 100) * 255 / 100; }

// The standard icons (message boxes, menu items) and the pictures of disabled items in red.
class NightStyle : public QProxyStyle {
 public:
  NightStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override {
    const QIcon day = QProxyStyle::standardIcon(icon, option, widget);
    QIcon night;
    for (const QSize& size : day.availableSizes()) {
      night.addPixmap(QPixmap::fromImage(NightImage(day.pixmap(size).toImage())));
    }
    return night;
  }

  QPixmap generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap,
                              const QStyleOption* option) const override {
    return QPixmap::fromImage(NightImage(QProxyStyle::generatedIconPixmap(mode, pixmap, option).toImage()));
  }
};

QPalette NightPalette() {
  const Rgb text = NightShade(Paint::Text, NightLevel());
  const Rgb dim = NightShade(Paint::DimText, NightLevel());
  const Rgb line = NightShade(Paint::Line, NightLevel());
  const Rgb mark = NightShade(Paint::Background, NightLevel(), true);
  const auto q = [](Rgb c) { return QColor(c.r, c.g, c.b); };
  QPalette palette(q(text), QColor(Qt::black), q(line), q(mark), q(dim), q(text), q(text), QColor(Qt::black),
                   QColor(Qt::black));
  palette.setColor(QPalette::Highlight, q(mark));
  palette.setColor(QPalette::HighlightedText, q(text));
  palette.setColor(QPalette::ToolTipBase, Qt::black);
  palette.setColor(QPalette::ToolTipText, q(text));
  palette.setColor(QPalette::Link, q(text));
  palette.setColor(QPalette::LinkVisited, q(dim));
  palette.setColor(QPalette::PlaceholderText, q(dim));
  palette.setColor(QPalette::AlternateBase, Qt::black);
  palette.setColor(QPalette::Shadow, Qt::black);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, q(dim));
  }
  return palette;
}

// The widgets whose own drawing would bring light or colour of its own (gradients, white
// bevels) are drawn flat from the sheet.
QString NightStyleSheet() {
  const QString text = Css(NightShade(Paint::Text, NightLevel()));
  const QString dim = Css(NightShade(Paint::DimText, NightLevel()));
  const QString line = Css(NightShade(Paint::Line, NightLevel()));
  const QString mark = Css(NightShade(Paint::Background, NightLevel(), true));
  return QStringLiteral(
             "QToolTip { background: black; color: %1; border: 1px solid %3; }"
             "QMenuBar { background: black; color: %1; }"
             "QMenuBar::item:selected, QMenu::item:selected { background: %4; color: %1; }"
             "QMenuBar::item:disabled, QMenu::item:disabled { color: %2; }"
             "QMenu { background: black; color: %1; border: 1px solid %3; }"
             "QMenu::separator { height: 1px; background: %3; margin: 3px 6px; }"
             "QPushButton, QToolButton { background: black; color: %1; border: 1px solid %3; padding: 2px "
             "8px; }"
             "QPushButton:disabled, QToolButton:disabled { color: %2; border-color: %2; }"
             "QPushButton:pressed, QToolButton:pressed, QToolButton:checked { background: %4; }"
             "QPushButton:focus { border: 2px solid %3; }"
             "QLineEdit, QPlainTextEdit, QTextEdit, QSpinBox, QDoubleSpinBox, QComboBox, QAbstractItemView {"
             " background: black; color: %1; border: 1px solid %3; selection-background-color: %4;"
             " selection-color: %1; }"
             "QComboBox:disabled, QLineEdit:disabled { color: %2; }"
             "QComboBox::drop-down { border: none; width: 16px; }"
             "QComboBox::down-arrow { width: 0; height: 0; border-left: 5px solid black; border-right: 5px "
             "solid "
             "black; border-top: 6px solid %1; }"
             "QHeaderView::section { background: black; color: %1; border: 1px solid %3; }"
             "QTableView QTableCornerButton::section { background: black; border: 1px solid %3; }"
             "QTabWidget::pane { border: 1px solid %3; }"
             "QTabBar::tab { background: black; color: %2; border: 1px solid %3; padding: 4px 10px; }"
             "QTabBar::tab:selected { background: %4; color: %1; }"
             "QProgressBar { background: black; color: %1; border: 1px solid %3; text-align: center; }"
             "QProgressBar::chunk { background: %4; }"
             "QScrollBar { background: black; border: 1px solid %3; }"
             "QScrollBar::handle { background: %4; border: 1px solid %3; }"
             "QScrollBar::add-line, QScrollBar::sub-line { background: black; border: 1px solid %3; }"
             "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
             "QScrollBar:horizontal { height: 16px; } QScrollBar:vertical { width: 16px; }"
             "QScrollBar::handle:horizontal { min-width: 20px; } QScrollBar::handle:vertical { min-height: "
             "20px; }"
             "QScrollBar::add-line:horizontal { subcontrol-position: right; width: 16px; }"
             "QScrollBar::sub-line:horizontal { subcontrol-position: left; width: 16px; }"
             "QScrollBar::add-line:vertical { subcontrol-position: bottom; height: 16px; }"
             "QScrollBar::sub-line:vertical { subcontrol-position: top; height: 16px; }"
             "QScrollBar::left-arrow, QScrollBar::right-arrow, QScrollBar::up-arrow, QScrollBar::down-arrow {"
             " width: 6px; height: 6px; background: %1; }"
             "QCheckBox::indicator, QRadioButton::indicator { width: 11px; height: 11px; border: 1px solid "
             "%1; "
             "background: black; }"
             "QCheckBox::indicator:checked, QRadioButton::indicator:checked { background: %1; }"
             "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: %2; }"
             "QRadioButton::indicator { border-radius: 6px; }"
             "QGroupBox { border: 1px solid %3; margin-top: 8px; padding-top: 4px; }"
             "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; color: %1; }"
             "QStatusBar { background: black; color: %1; }"
             "QStatusBar::item { border: 1px solid %3; }"
             "QSizeGrip { image: none; background: black; }")
      .arg(text, dim, line, mark);
}

QString DayStyleName() {
  static const QString name = QApplication::style()->name();
  return name;
}

}  // namespace

QColor ShownQColor(Rgb day, Paint paint) {
  const Rgb shown = ShownColour(day, paint);
  return {shown.r, shown.g, shown.b};
}

QImage NightImage(const QImage& day) {
  QImage night = day.convertToFormat(QImage::Format_ARGB32);
  const int level = NightLevel();
  for (int y = 0; y < night.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(night.scanLine(y));
    for (int x = 0; x < night.width(); ++x) {
      const QRgb pixel = row[x];
      // Pixels lighter than the black ground show brighter; keep the colour's alpha.
      const int lightness = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
      row[x] = qRgba(lightness * level / 255, 0, 0, qAlpha(pixel));
    }
  }
  return night;
}

void ApplyNightLook() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) {
    return;
  }
  const QString dayStyle = DayStyleName();  // remembered before the first change
  if (Night.on) {
    auto* style = new NightStyle;
    style->setParent(app);  // the application owns its style
    QApplication::setStyle(style);
    QApplication::setPalette(NightPalette());
    app->setStyleSheet(NightStyleSheet());
  } else if (!app->styleSheet().isEmpty()) {
    app->setStyleSheet(QString());
    QApplication::setStyle(dayStyle);
    QApplication::setPalette(QPalette());
  }
}

}  // namespace tevra
