// SPDX-License-Identifier: GPL-3.0-or-later
// bench-grid: paint timings of the grid in the exposure table's layout.
//   bench-grid                      full repaints of a 1000 x 700 viewport, then a scroll through all rows
//   bench-grid --screenshot FILE    also writes a picture of the grid with a selection
#include "grid/nice_grid.h"

#include "tools/bench/bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using tevra::TNiceGrid;

const char* const Titles[23] = {"wav",
                                "Phase;pr (#)  deep  Q      ",
                                "Date Time;[UTC-05]",
                                "Img;Quality",
                                "ISO;ASA",
                                "f/",
                                "1/;8000",
                                "1/;4000",
                                "1/;2000",
                                "1/;1000",
                                "1/;500",
                                "1/;250",
                                "1/;125",
                                "1/;60",
                                "1/;30",
                                "1/;15",
                                "1/;8",
                                "1/;4",
                                "0\"5",
                                "1\"",
                                "2\"",
                                "4\"",
                                "8\""};

void SetUpExposureGrid(TNiceGrid& grid, int rows) {
  QFont narrow(QStringLiteral("Arial Narrow"));
  narrow.setPixelSize(13);
  grid.setFont(narrow);
  grid.SetColCount(23);
  grid.SetDefRowHeight(20);
  grid.SetGutterKind(tevra::gkNumber);
  grid.SetGutterWidth(35);
  grid.SetHeaderLine(2);
  grid.SetHeaderColor(QColor(227, 227, 227));
  grid.SetHeaderFont(narrow);
  grid.SetGutterFont(narrow);
  for (int c = 0; c < 23; ++c) {
    tevra::TNiceColumn* column = grid.Columns()[c];
    column->SetTitle(QString::fromLatin1(Titles[c]));
    column->SetFont(narrow);
    column->SetWidth(c <= 12 ? 43 : c <= 21 ? 44 : 80);
  }
  // The exposure window colours rows by their label before each cell is drawn.
  grid.OnDrawCell = [](TNiceGrid* sender, tevra::TGridCanvas& canvas, int, int row, const QRect&, bool&) {
    const QString label = sender->Cells(1, row);
    if (label == QLatin1String("maximum partial eclipse")) canvas.brushColor = QColor(160, 255, 160);
    if (label.startsWith(QLatin1String("Loop"))) canvas.brushColor = QColor(80, 255, 80);
    canvas.fontColor = Qt::black;
  };
  grid.SetRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const int phase = r * 7 / rows - 3;
    const double depth = (r % 100) / 100.0;
    grid.SetCells(1, r, QString::asprintf("%2d (%02d) %.3f %6.3f", phase, r % 100, depth, 8.0 - depth * 4));
    grid.SetCells(
        2, r, QString::asprintf("2010-12-21 %02d:%02d:%04.1f", 6 + r / 360, (r / 6) % 60, (r % 6) * 10.0));
    grid.SetCells(3, r, QStringLiteral("JPGLarFin"));
    grid.SetCells(4, r, QStringLiteral("400"));
    grid.SetCells(5, r, QStringLiteral("f/5.6"));
    grid.SetCells(6 + r % 17, r, QStringLiteral("x"));
    if (r % 50 == 25) grid.SetCells(1, r, QStringLiteral("Loop during totality"));
  }
}

// Every column as wide as its widest text, header lines measured apart.
void FitWidths(TNiceGrid& grid) {
  const QFontMetrics fm(grid.font());
  for (int c = 0; c < grid.ColCount(); ++c) {
    int width = 0;
    for (const QString& line : grid.Columns()[c]->Title().split(QLatin1Char(';'))) {
      width = std::max(width, fm.horizontalAdvance(line));
    }
    for (int r = 0; r < grid.RowCount(); ++r)
      width = std::max(width, fm.horizontalAdvance(grid.Cells(c, r) + " "));
    grid.SetColWidths(c, width + 10);
  }
}

double PaintMs(TNiceGrid& grid, QImage& image) {
  QElapsedTimer timer;
  timer.start();
  grid.viewport()->render(&image);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::string> screenshot = tevra::bench::ReadScreenshotOption(argc, argv, "bench-grid");
  if (!screenshot) {
    return 2;
  }
  QApplication app(argc, argv);

  TNiceGrid grid;
  SetUpExposureGrid(grid, 2048);
  grid.resize(1000, 700);
  grid.show();
  // Make the viewport itself 1000 x 700 whatever the frame and scroll bars take.
  grid.resize(grid.size() + (QSize(1000, 700) - grid.viewport()->size()));
  QImage image(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  std::printf("viewport %d x %d, %d columns, %d rows\n", grid.viewport()->width(), grid.viewport()->height(),
              grid.ColCount(), grid.RowCount());

  for (int i = 0; i < 20; ++i) PaintMs(grid, image);  // warm the glyph caches
  std::vector<double> full;
  full.reserve(200);
  for (int i = 0; i < 200; ++i) full.push_back(PaintMs(grid, image));
  std::printf("full repaint: median %.3f ms, min %.3f ms, max %.3f ms (goal: median under 4 ms)\n",
              tevra::bench::Median(full), *std::min_element(full.begin(), full.end()),
              *std::max_element(full.begin(), full.end()));

  QScrollBar* bar = grid.verticalScrollBar();
  std::vector<double> scroll;
  QElapsedTimer total;
  total.start();
  for (int value = 0; value <= bar->maximum(); value += grid.DefRowHeight()) {
    bar->setValue(value);
    scroll.push_back(PaintMs(grid, image));
  }
  std::printf("scroll through all rows: %zu steps, %.1f ms in all, median %.3f ms per step\n", scroll.size(),
              static_cast<double>(total.nsecsElapsed()) / 1e6, tevra::bench::Median(scroll));

  if (!screenshot->empty()) {
    TNiceGrid shot;
    SetUpExposureGrid(shot, 40);
    FitWidths(shot);
    shot.resize(1000, 330);
    shot.show();
    QApplication::setActiveWindow(&shot);
    shot.setFocus();
    shot.SetCol(2);
    shot.SetRow(3);
    shot.SelectArea(QRect(2, 3, 4, 4));
    QCoreApplication::processEvents();
    const QString file = QString::fromStdString(*screenshot);
    if (!shot.grab().save(file)) {
      (void)std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
    std::printf("screenshot written to %s\n", qPrintable(file));
  }
  return 0;
}
