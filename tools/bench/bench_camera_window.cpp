// bench-camera-window: the camera window on the simulated body, on a manual clock so that the
// body's exposure and busy times and the window's own waits cost nothing: a connection with its
// information log and a disconnection, a release with its download, a series of 5.
// Usage: bench-camera-window [--screenshot FILE.png]
#include "camera/camera_window.h"
#include "camera/simulated_camera.h"
#include "state/variables.h"

#include "tools/bench/bench_support.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <filesystem>
#include <iostream>

int main(int argc, char* argv[]) {
  using namespace tevra;
  const std::optional<std::string> screenshot =
      bench::ReadScreenshotOption(argc, argv, "bench-camera-window");
  if (!screenshot) {
    return 2;
  }
  const QApplication app(argc, argv);
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
  host.createCamera = [&](std::string&) {
    return std::make_shared<SimulatedCamera>(settings, SimulatorFaults{}, clock);
  };
  host.clock = &clock;
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
  window.Button_DisconnectClick();
  std::filesystem::remove_all(scratch);
  return result;
}
