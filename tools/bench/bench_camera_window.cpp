// SPDX-License-Identifier: GPL-3.0-or-later
// bench-camera-window: the camera window on the simulated body, on a manual clock so that the
// body's exposure and busy times and the window's own waits cost nothing: a connection with its
// information log and a disconnection, a release with its download, a series of 5.
// Usage: bench-camera-window [--night] [--screenshot FILE.png] [--run-screenshot FILE.png]
//                            [--preview-screenshot FILE.png]
// --run-screenshot shows the "Eclipse Photography" page in the middle of a start run,
// --preview-screenshot in a rehearsal at the beginning of totality with a picture's preview and an
// exposure bias.
#include "camera/setting_names.h"
#include "camera/simulated_camera.h"
#include "exposure/exposure_generator.h"
#include "run/moon_scene.h"
#include "shell/night_look.h"
#include "state/variables.h"
#include "timing/astrolib.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"
#include "windows/camera_window.h"
#include "windows/photography_page.h"

#include "tools/bench/bench_support.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <filesystem>
#include <iostream>

namespace {

// Takes "OPTION FILE" out of the arguments; "" when not given.
std::string TakeFileOption(int& argc, char* argv[], const std::string& option) {
  std::string path;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == option && i + 1 < argc) {
      path = argv[++i];
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return path;
}

tevra::ExposureRow RunRow(const char* label, const char* time, const char* quality, const char* iso,
                          int column) {
  tevra::ExposureRow row;
  row[tevra::ColumnLabel] = label;
  row[tevra::ColumnDateTime] = time;
  row[tevra::ColumnQuality] = quality;
  row[tevra::ColumnIso] = iso;
  row[tevra::ColumnAperture] = "f/8";
  row[static_cast<size_t>(column)] = "x";
  return row;
}

// The simulated body's manual clock read as a date and time that starts where it is set.
class BenchRunClock final : public tevra::RunClock {
 public:
  explicit BenchRunClock(tevra::ManualTickClock& ticks) : ticks_(ticks) {}
  void Set(double jd) {
    originJD_ = jd;
    originMs_ = ticks_.NowMs();
  }
  [[nodiscard]] double LocalJD() const override {
    return originJD_ + static_cast<double>(ticks_.NowMs() - originMs_) / tevra::MsPerDay;
  }
  [[nodiscard]] double UtcOffsetHours() const override { return 0; }
  tevra::TickClock& Ticks() override { return ticks_; }

 private:
  tevra::ManualTickClock& ticks_;
  double originJD_ = 0;
  int64_t originMs_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
  using namespace tevra;
  const std::string runScreenshot = TakeFileOption(argc, argv, "--run-screenshot");
  const std::string previewScreenshot = TakeFileOption(argc, argv, "--preview-screenshot");
  const bool night = bench::TakeNightOption(argc, argv);
  const std::optional<std::string> screenshot =
      bench::ReadScreenshotOption(argc, argv, "bench-camera-window");
  if (!screenshot) {
    return 2;
  }
  const QApplication app(argc, argv);
  Night.on = night;
  ApplyNightLook();
  constexpr int Runs = 15;

  // Folders in a scratch place so that the user's own Camera.ini is not touched.
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "tevra-bench-camera-window";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch / "documents");
  std::filesystem::create_directories(scratch / "program");
  DocumentsFolder = (scratch / "documents").string() + "/";
  ProgramFolder = (scratch / "program").string() + "/";
  TempFolder = WithTrailingSeparator(std::filesystem::temp_directory_path().string());

  ManualTickClock clock;
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.processingMs = 0;
  CameraWindowHost host;
  BenchRunClock runClock(clock);
  host.createCamera = [&](std::string&) {
    auto body = std::make_shared<SimulatedCamera>(settings, SimulatorFaults{}, clock);
    body->SetMoonScene(MoonSceneNow(&CurrentMoonScene, runClock));  // the selected eclipse's Moon
    return body;
  };
  host.clock = &clock;
  // A start run of three rows, the computer's clock 5 s before the first when it starts (an entry
  // due more than a minute before the start would be asked about first).
  ExposureRows rows = {RunRow("U1 umbra begins", "2025-03-14 05:09:40", "RAW", "400", 9),
                       RunRow("U1 + 5 min", "2025-03-14 05:14:40", "RAW", "800", 9),
                       RunRow("U2 totality begins", "2025-03-14 06:26:06", "RAW", "3200", 19)};
  host.runTable = [&rows] { return MakeRunTable(rows, ExposureColumnTitles("[UTC]"), rows.size()); };
  ManualRunWaiter runWaiter(clock);
  host.runClock = &runClock;
  host.runWaiter = &runWaiter;
  host.showMessage = [](const std::string& caption, const std::string& text) {
    std::cerr << caption << ": " << text << "\n";
  };
  TForm_Camera window(host);
  const auto settle = [] {
    for (int i = 0; i < 5; ++i) {
      QCoreApplication::processEvents();
    }
  };

  const double connectMs = bench::MedianMs(Runs, [&] {
    window.Button_ConnectClick();
    settle();
    window.Button_DisconnectClick();
  });
  window.Button_ConnectClick();
  settle();
  const double releaseMs = bench::MedianMs(Runs, [&] {
    window.SpeedButton_ReleaseClick();
    settle();
  });
  const double seriesMs = bench::MedianMs(Runs, [&] {
    window.Button_take_5_picturesClick();
    settle();
  });
  std::cout << "bench-camera-window: simulated body, manual clock, medians of " << Runs << " runs\n"
            << "  connection with Camera.ini and disconnection: " << connectMs << " ms (goal < 50 ms)\n"
            << "  release with its download:                    " << releaseMs << " ms (goal < 10 ms)\n"
            << "  series of 5 with the downloads:               " << seriesMs << " ms (goal < 50 ms)\n";

  int result = 0;
  if (!screenshot->empty()) {
    window.Memo_Test2->clear();
    window.PageControl1->setCurrentIndex(0);
    window.show();
    settle();
    if (!window.grab().save(QString::fromStdString(*screenshot))) {
      std::cerr << "cannot write " << *screenshot << "\n";
      result = 1;
    }
  }
  if (!runScreenshot.empty()) {
    window.Button_ConnectClick();
    settle();
    window.PageControl1->setCurrentIndex(2);
    runClock.Set(CalJD(2025, 3, 14, 5, 9, 35));
    window.show();
    bool taken = false;
    window.Photography->Engine().SetLogFolder("");
    window.Photography->Engine().SetPump([&] {
      // Grabbed once, while the run counts down to the second row.
      if (!taken && window.Photography->Label_Wann->text().endsWith(QStringLiteral("05:14:40.0")) &&
          window.Photography->Label_WannDiff->text().startsWith(QStringLiteral("+0 00:00:4"))) {
        settle();
        taken = true;
        if (!window.grab().save(QString::fromStdString(runScreenshot))) {
          std::cerr << "cannot write " << runScreenshot << "\n";
          result = 1;
        }
        AbortRun = true;
      }
    });
    window.Photography->Button_Start_Eclipse_Photography->click();
    RehearsalOffset = 0;
  }
  if (!previewScreenshot.empty()) {
    // A rehearsal of the 2025-03-14 eclipse: "Advance Time" takes the run to 5 s before totality
    // begins; the simulated body's preview of that row, fetched by the run, shows while the run
    // counts down to the next, with the bias set at +2/3 EV.
    SelectEclipse(NextEclipseIndex(CalJD(2025, 3, 13, 0, 0, 0)));
    ComputeContacts(false);
    rows = {RunRow("U2 totality begins", "2025-03-14 06:26:06", "RAW", "1600", 19),
            RunRow("U2 + 1 min", "2025-03-14 06:27:06", "RAW", "1600", 19)};
    if (CameraName.empty()) {
      window.Button_ConnectClick();
      settle();
    }
    window.PageControl1->setCurrentIndex(2);
    runClock.Set(CalJD(2025, 3, 14, 6, 20, 0));
    window.show();
    TPhotographyPage& page = *window.Photography;
    page.SpinEdit_Bias->setValue(2);
    page.Engine().SetLogFolder("");
    bool taken = false;
    page.Engine().SetPump([&] {
      // Once the run counts down to the first row: before that, there is no time to advance to.
      if (RehearsalOffset == 0 && page.BitBtn_Advance->isEnabled() &&
          page.Label_Wann->text().endsWith(QStringLiteral("06:26:06.0"))) {
        page.BitBtn_Advance->click();
      }
      if (!taken && page.Label_Wann->text().endsWith(QStringLiteral("06:27:06.0")) &&
          page.Label_WannDiff->text().startsWith(QStringLiteral("+0 00:00:4"))) {
        settle();
        taken = true;
        if (!window.grab().save(QString::fromStdString(previewScreenshot))) {
          std::cerr << "cannot write " << previewScreenshot << "\n";
          result = 1;
        }
        AbortRun = true;
      }
    });
    page.Button_Start_Eclipse_Photography->click();
    RehearsalOffset = 0;
  }
  window.Button_DisconnectClick();
  std::filesystem::remove_all(scratch);
  return result;
}
