// SPDX-License-Identifier: GPL-3.0-or-later
// The longest eclipse of the catalogue at the 15-second interval: generation, grid fill with the
// column fit, save and load, each as the median of repeated runs.
// Usage: bench-exposure [--night] [--screenshot FILE.png]
#include "exposure/exposure_generator.h"
#include "exposure/exposure_table.h"
#include "grid/nice_grid.h"
#include "shell/night_look.h"
#include "state/parameter_file.h"
#include "timing/catalogue.h"
#include "timing/time_zones.h"
#include "windows/exposure_window.h"

#include "tools/bench/bench_support.h"

#include <QApplication>
#include <QPixmap>
#include <QRadioButton>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int Runs = 15;

int32_t LongestEclipse() {
  int32_t longest = 1;
  double hours = 0;
  for (int32_t i = 1; i <= tevra::EclipseCount; ++i) {
    const tevra::Elemente_Type& e = tevra::EclipseCatalogue()[static_cast<size_t>(i)];
    if (e.P4Offset - e.P1Offset > hours) {
      hours = e.P4Offset - e.P1Offset;
      longest = i;
    }
  }
  return longest;
}

void Print(const char* what, double ms, double goal) {
  std::cout << std::left << std::setw(44) << what << std::right << std::fixed << std::setprecision(2)
            << std::setw(9) << ms << " ms";
  if (goal > 0) {
    std::cout << "   (goal under " << std::setprecision(0) << goal << " ms)";
  }
  std::cout << "\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool night = tevra::bench::TakeNightOption(argc, argv);
  const std::optional<std::string> screenshot =
      tevra::bench::ReadScreenshotOption(argc, argv, "bench-exposure");
  if (!screenshot) {
    return 2;
  }
  QApplication app(argc, argv);
  tevra::Night.on = night;
  tevra::ApplyNightLook();
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "tevra-bench-exposure";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch);

  tevra::ParameterRecord = tevra::FirstStartParameters("bench");
  tevra::ApplyTimeZone(tevra::DefaultTimeZoneIndex);
  const int32_t entry = LongestEclipse();
  tevra::SelectEclipse(entry);
  tevra::ComputeContacts(false);

  tevra::ExposureWindowHost host;
  host.selectEclipse = [](int32_t index) {
    tevra::SelectEclipse(index);
    tevra::ComputeContacts(false);
  };
  host.showMessage = [](const std::string& caption, const std::string& text) {
    std::cerr << caption << ": " << text << "\n";
  };
  host.documentsFolder = scratch.string() + "/";
  tevra::TForm_Exposure form(host);
  form.Exposure_TablesClick();
  form.IntervalRadioButtons[0]->setChecked(true);  // 15 s

  tevra::GeneratorSettings settings;
  settings.intervalMinutes = 0.25;
  settings.fRatio = tevra::ParameterRecord.FRatio;
  settings.imageQuality = "JPGLarFin";
  const double generateOnly = tevra::bench::MedianMs(Runs, [&] {
    (void)tevra::GenerateExposureTable(tevra::CurrentContacts(), tevra::CurrentEclipse.TypeCode,
                                       tevra::CurrentEclipse.UmbMagnitude, settings);
  });
  const double generateAndFill =
      tevra::bench::MedianMs(Runs, [&] { form.Button_Create_ExposureListClick(); });
  const tevra::ExposureRows table = form.TableRows();
  const double fill = tevra::bench::MedianMs(Runs, [&] { form.SetTableRows(table); });
  const double fit = tevra::bench::MedianMs(Runs, [&] { form.FitColumnWidths(); });
  const int rows = form.NGE->RowCount();
  const std::string path = (scratch / tevra::DefaultExposureTableFile).string();
  const double save = tevra::bench::MedianMs(Runs, [&] { form.SaveTableTo(path); });
  const double parse = tevra::bench::MedianMs(Runs, [&] { (void)tevra::LoadExposureTable(path); });
  const double load = tevra::bench::MedianMs(Runs, [&] { form.LoadTableFrom(path); });

  std::cout << "eclipse " << entry << " (" << tevra::CurrentEclipse.Year << "-" << tevra::CurrentEclipse.Month
            << "-" << tevra::CurrentEclipse.Day << "), 15-second interval: " << rows << " rows, "
            << std::filesystem::file_size(path) << " bytes; median of " << Runs << " runs\n";
  Print("generation alone", generateOnly, 50);
  Print("generation, grid fill and column fit", generateAndFill, 50);
  Print("  of which grid fill", fill, 0);
  Print("  of which column fit", fit, 0);
  Print("save (format, temporary file, rename)", save, 20);
  Print("load, file only (read, decode, split)", parse, 20);
  Print("load into the window (with grid fill, fit)", load, 20);

  if (!screenshot->empty()) {
    tevra::SelectEclipse(1);
    tevra::ComputeContacts(false);
    form.Exposure_TablesClick();
    form.IntervalRadioButtons[5]->setChecked(true);  // 5 min
    form.Button_Create_ExposureListClick();
    form.resize(1180, 720);
    QApplication::processEvents();
    if (!form.grab().save(QString::fromStdString(*screenshot))) {
      std::cerr << "cannot write " << *screenshot << "\n";
      return 1;
    }
  }
  std::filesystem::remove_all(scratch);
  return 0;
}
