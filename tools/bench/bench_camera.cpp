// SPDX-License-Identifier: GPL-3.0-or-later
// bench-camera: what the session manager adds to a release. 1,000 WriteProperty + TakePicture
// pairs through TAppMaster on the simulated body with no busy time; prints the time per pair.
#include "camera/appmaster.h"
#include "camera/simulated_camera.h"
#include "tools/bench/bench_support.h"

#include <QCoreApplication>
#include <QObject>

#include <iostream>

int main(int argc, char** argv) {
  using namespace tevra;
  const QCoreApplication app(argc, argv);
  constexpr int Pairs = 1000;
  constexpr int Runs = 15;

  ManualTickClock clock;
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.processingMs = 0;
  auto camera = std::make_shared<SimulatedCamera>(settings, SimulatorFaults{}, clock);
  QObject window;
  TAppMaster master(&window, camera);
  master.SetEventHandlers();
  master.OpenSession();
  const std::array<uint32_t, 2> isoCodes = {0x48, 0x50};

  uint32_t failures = 0;
  const double medianMs = bench::MedianMs(Runs, [&] {
    for (int pair = 0; pair < Pairs; ++pair) {
      failures += master.WriteProperty(PropIso, isoCodes[static_cast<size_t>(pair % 2)]);
      failures += master.TakePicture();
      clock.Advance(1000);  // the body's own exposure time is not the manager's cost
    }
    // The window would take these; leaving them queued would measure the queue's growth.
    QCoreApplication::removePostedEvents(&window);
  });
  std::cout << "bench-camera: " << Pairs << " WriteProperty + TakePicture pairs on the simulated body\n"
            << "  median of " << Runs << " runs: " << medianMs << " ms, " << medianMs * 1000.0 / Pairs
            << " us per pair (goal: under 20 us)\n"
            << "  failed calls: " << failures << "\n";
  return failures == 0 ? 0 : 1;
}
