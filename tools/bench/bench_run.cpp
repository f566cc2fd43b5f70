// SPDX-License-Identifier: GPL-3.0-or-later
// The photography run in real time on the simulated body without busy time: how late the run is
// released after each row's due instant and how much processor time its waits take, with the
// thread's default timer slack, with a slack of 1 us, and with a real-time priority from
// RealtimeKit besides where the desktop grants one; beside the same run waiting by polling.
// Usage: bench-run [--rows N] [--polling-rows N]
#include "camera/appmaster.h"
#include "camera/simulated_camera.h"
#include "run/eclipse_run.h"
#include "run/quiet_sink.h"
#include "run/wait_precision.h"
#include "timing/time_text.h"

#include "tools/bench/bench_rows.h"
#include "tools/bench/bench_support.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using tevra::bench::Clock;
using tevra::bench::Milliseconds;
using tevra::bench::Percentile;

using tevra::bench::UnixMs;

// The wait of the original design: read the clock again and again until the time has come.
class PollingWaiter final : public tevra::RunWaiter {
 public:
  void Sleep(double ms) override {
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double, std::milli>(ms));
    while (Clock::now() < end) {
      std::this_thread::yield();
    }
  }
  void Yield() override { std::this_thread::yield(); }
};

double ProcessorMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Measures each wait from the end of the step before it to its release, and the release against
// the row's instant on the computer's own clock rather than the run clock's day numbers.
class MeasuringSink final : public tevra::QuietRunSink {
 public:
  // Row n is due firstDueMs + (n - 1) seconds.
  double firstDueMs = 0;

  std::vector<double> lateMs;     // release after the due instant
  std::vector<double> shutterMs;  // shutter command after the due instant
  double waitingMs = 0;
  double waitingProcessorMs = 0;

  void Begin() {
    markMs_ = Milliseconds(Clock::now().time_since_epoch());
    markProcessorMs_ = ProcessorMs();
  }
  void StepDone(const tevra::RunStep& step) override {
    if (step.step == "Wait" && step.dueJD) {
      lateMs.push_back(UnixMs() - (firstDueMs + 1000.0 * static_cast<double>(step.row - 1)));
      waitingMs += Milliseconds(Clock::now().time_since_epoch()) - markMs_;
      waitingProcessorMs += ProcessorMs() - markProcessorMs_;
    } else if (step.step == "Picture" && step.dueJD) {
      shutterMs.push_back((step.issuedJD - *step.dueJD) * tevra::MsPerDay);
    }
    Begin();
  }

 private:
  double markMs_ = 0;
  double markProcessorMs_ = 0;
};

struct Figures {
  MeasuringSink sink;
  int pictures = 0;
};

void Measure(tevra::RunWaiter& waiter, int rows, Figures& figures, tevra::RunClock& clock) {
  tevra::SimulatorSettings settings = tevra::SimulatorSettings::Default();
  settings.processingMs = 0;
  tevra::TAppMaster camera(nullptr, std::make_shared<tevra::SimulatedCamera>(settings));
  camera.SetEventHandlers();
  camera.OpenSession();
  tevra::EclipseRun run(clock, waiter, figures.sink);
  run.SetLogFolder("");
  figures.sink.Begin();
  // One 1/8000 s picture each.
  const tevra::RunTable table = tevra::bench::RowsEverySecond(
      clock, rows, figures.sink.firstDueMs, [](int /*i*/) { return tevra::FirstShutterColumn; });
  figures.pictures = run.Run(tevra::RunKind::Start, table, &camera).picturesTaken;
}

void Print(const char* what, const Figures& figures) {
  const std::vector<double>& late = figures.sink.lateMs;
  const auto early = std::count_if(late.begin(), late.end(), [](double ms) { return ms < 0; });
  std::cout << std::left << std::setw(22) << what << std::right << std::fixed << std::setw(6) << late.size()
            << std::setprecision(3) << std::setw(9) << Percentile(late, 0.5) << std::setw(9)
            << Percentile(late, 0.99) << std::setw(9) << Percentile(late, 1.0) << std::setw(7) << early
            << std::setprecision(2) << std::setw(10)
            << 100.0 * figures.sink.waitingProcessorMs / std::max(1.0, figures.sink.waitingMs) << " %\n";
}

std::optional<int> Count(const std::string& text) {
  const std::optional<int64_t> n = tevra::ParseInteger(text);
  return n && *n >= 1 && *n <= 100000 ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  int rows = 60;
  int pollingRows = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::optional<int> n = i + 1 < argc ? Count(argv[i + 1]) : std::nullopt;
    if ((arg == "--rows" || arg == "--polling-rows") && n) {
      (arg == "--rows" ? rows : pollingRows) = *n;
      ++i;
    } else {
      std::cerr << "usage: bench-run [--rows N] [--polling-rows N]\n";
      return 2;
    }
  }
  tevra::SystemRunClock clock;
  std::cout << "bench-run: rows 1 s apart, one picture each, simulated body without busy time, real time\n"
            << "(takes about " << 3 * (rows + 2) + pollingRows + 2 << " s)\n\n";
  tevra::SystemRunWaiter sleeping;
  Figures plain;
  Measure(sleeping, rows, plain, clock);
  const bool slack = tevra::SetFineTimerSlack();
  Figures fine;
  Measure(sleeping, rows, fine, clock);
  const std::string realtimeError = tevra::RequestRealtimePriority();
  Figures realtime;
  if (realtimeError.empty()) {
    Measure(sleeping, rows, realtime, clock);
    tevra::ResetSchedulingPriority();
  }
  tevra::ResetTimerSlack();
  PollingWaiter polling;
  Figures polled;
  Measure(polling, pollingRows, polled, clock);

  std::cout
      << "release after the due instant   rows   p50 ms   p99 ms   max ms  early  processor while waiting\n";
  Print("sleeping, default slack", plain);
  if (slack) {
    Print("sleeping, slack 1 us", fine);
  } else {
    std::cout << "sleeping, slack 1 us: the system does not allow it\n";
  }
  if (realtimeError.empty()) {
    Print("+ real-time priority", realtime);
  } else {
    std::cout << "+ real-time priority: " << realtimeError << "\n";
  }
  Print("polling the clock", polled);
  std::cout << "goals: p99 under 1 ms, no early release, processor under 1 % of one core while waiting\n\n"
            << std::setprecision(2) << "release command at the call after the due instant (slack 1 us): p50 "
            << Percentile(fine.sink.shutterMs, 0.5) << " ms, p99 " << Percentile(fine.sink.shutterMs, 0.99)
            << " ms\n";
  const int pictures = plain.pictures + fine.pictures + realtime.pictures + polled.pictures;
  const int expected = rows * (realtimeError.empty() ? 3 : 2) + pollingRows;
  std::cout << "pictures taken " << pictures << " of " << expected << "\n";
  return pictures == expected ? 0 : 1;
}
