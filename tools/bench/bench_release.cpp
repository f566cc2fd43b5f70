// SPDX-License-Identifier: GPL-3.0-or-later
// How soon after its due instant a release reaches the body: rows 4 s apart whose shutter time
// alternates, in real time, through the simulated body and through the real libgphoto2 driver
// talking to a fake Canon EOS on the loopback, each with the previews of the pictures off and on
// (fetched between the rows). At the body: from the body's own time-stamped record of what it
// received (the simulated body to the millisecond; the fake body the press that starts the release
// and the full press that fires it). At the call: when the run issued it.
// Usage: bench-release [--rows N]
#include "camera/appmaster.h"
#include "camera/gphoto2_camera.h"
#include "camera/simulated_camera.h"
#include "run/eclipse_run.h"
#include "run/qt_preview_decoder.h"
#include "run/quiet_sink.h"
#include "run/wait_precision.h"
#include "timing/time_text.h"
#include "tools/bench/bench_rows.h"
#include "tools/bench/bench_support.h"
#include "tools/fake-eos/fake_eos.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;
using tevra::bench::Percentile;
using tevra::bench::UnixMs;

// Far enough apart that a preview fits between two rows, 3 s before the next release.
constexpr double RowSpacingSeconds = 4.0;

// The computer's clock in milliseconds since 1970 at a steady-clock instant.
struct ClockPair {
  double unixMs = UnixMs();
  SteadyClock::time_point steady = SteadyClock::now();
  [[nodiscard]] double UnixOf(SteadyClock::time_point t) const {
    return unixMs + std::chrono::duration<double, std::milli>(t - steady).count();
  }
};

// Keeps each release's issue time against its due instant, and counts the previews shown.
class CallSink final : public tevra::QuietRunSink {
 public:
  std::vector<double> callMs;
  int previews = 0;
  void StepDone(const tevra::RunStep& step) override {
    if (step.step == "Picture" && step.dueJD && step.status == 0U) {
      callMs.push_back((step.issuedJD - *step.dueJD) * tevra::MsPerDay);
    }
  }
  void ShowPreview(const tevra::PreviewShot& /*shot*/) override { ++previews; }
};

struct Figures {
  std::string what;
  std::vector<double> bodyMs;
  std::vector<double> callMs;
  int pictures = 0;
  int previews = -1;  // -1: previews off
};

// Runs the table on camera: each release's lateness at the call, the pictures taken and the first
// due instant.
struct CallFigures {
  std::vector<double> callMs;
  int pictures = 0;
  int previews = -1;
  double firstDueMs = 0;
};

CallFigures RunOn(tevra::TAppMaster& camera, int rows, bool previews) {
  tevra::SystemRunClock clock;
  tevra::SystemRunWaiter waiter;
  CallSink sink;
  tevra::EclipseRun run(clock, waiter, sink);
  run.SetLogFolder("");
  run.SetPreviews(previews, [](std::span<const uint8_t> bytes) { return tevra::DecodePreview(bytes); });
  CallFigures figures;
  // The shutter 1/250 and 1/125 in turn, so that every row writes its shutter time.
  const tevra::RunTable table = tevra::bench::RowsApart(clock, rows, RowSpacingSeconds, figures.firstDueMs,
                                                        [](int i) { return i % 2 == 0 ? 11 : 12; });
  figures.pictures = run.Run(tevra::RunKind::Start, table, &camera).picturesTaken;
  figures.callMs = sink.callMs;
  figures.previews = previews ? sink.previews : -1;
  return figures;
}

std::string WithPreviews(const std::string& what, bool previews) {
  return what + (previews ? ", previews" : "");
}

// The latenesses of the body's record against the rows' due instants: for each row the first
// record at or after its instant (none when a row had none within the second).
std::vector<double> Lateness(const std::vector<double>& bodyUnixMs, double firstDueMs, int rows) {
  std::vector<double> late;
  for (int i = 0; i < rows; ++i) {
    const double due = firstDueMs + RowSpacingSeconds * 1000.0 * i;
    const auto found = std::find_if(bodyUnixMs.begin(), bodyUnixMs.end(),
                                    [due](double ms) { return ms >= due - 500.0 && ms < due + 1000.0; });
    if (found != bodyUnixMs.end()) {
      late.push_back(*found - due);
    }
  }
  return late;
}

Figures Simulated(int rows, bool previews) {
  tevra::SimulatorSettings settings = tevra::SimulatorSettings::Default();
  settings.processingMs = 50;
  auto body = std::make_shared<tevra::SimulatedCamera>(settings);
  tevra::TAppMaster camera(nullptr, body);
  camera.SetEventHandlers();
  camera.OpenSession();
  const ClockPair pair;
  const int64_t ticksAtPair = tevra::SystemTicks().NowMs();
  const CallFigures calls = RunOn(camera, rows, previews);
  std::vector<double> releases;
  for (const tevra::SimulatorCall& call : body->Calls()) {
    if (call.name == "SendCommand" && call.args.ends_with(", 0, 0") && call.status == 0) {
      releases.push_back(pair.unixMs + static_cast<double>(call.atMs - ticksAtPair));
    }
  }
  return {WithPreviews("simulated body (1 ms)", previews), Lateness(releases, calls.firstDueMs, rows),
          calls.callMs, calls.pictures, calls.previews};
}

std::vector<Figures> ThroughTheDriver(int rows, bool previews) {
  tevra::FakeEos fake;
  tevra::TAppMaster camera(nullptr, tevra::CreateGphoto2Camera(fake.PortPath(), "PTP/IP Camera"));
  camera.SetEventHandlers();
  if (camera.OpenSession() != 0U) {
    std::cerr << "bench-release: the fake body does not open\n";
    return {};
  }
  const ClockPair pair;
  const CallFigures calls = RunOn(camera, rows, previews);
  std::vector<double> starts;
  std::vector<double> fulls;
  for (const tevra::FakeEosOperation& op : fake.Operations()) {
    const bool press = op.code == tevra::EosOpRemoteReleaseOn && !op.params.empty();
    if (press && op.params[0] == 1) {
      starts.push_back(pair.UnixOf(op.arrived));
    }
  }
  for (const SteadyClock::time_point full : fake.ReleaseTimes()) {
    fulls.push_back(pair.UnixOf(full));
  }
  return {{WithPreviews("fake EOS, half press", previews), Lateness(starts, calls.firstDueMs, rows),
           calls.callMs, calls.pictures, calls.previews},
          {WithPreviews("fake EOS, full press", previews), Lateness(fulls, calls.firstDueMs, rows), {}, 0}};
}

void Print(const Figures& f) {
  std::cout << std::left << std::setw(32) << f.what << std::right << std::fixed << std::setprecision(2)
            << std::setw(6) << f.bodyMs.size() << std::setw(9) << Percentile(f.bodyMs, 0.5) << std::setw(9)
            << Percentile(f.bodyMs, 0.99) << std::setw(9) << Percentile(f.bodyMs, 1.0);
  if (!f.callMs.empty()) {
    std::cout << std::setw(11) << Percentile(f.callMs, 0.5) << std::setw(9) << Percentile(f.callMs, 0.99)
              << std::setw(9) << Percentile(f.callMs, 1.0);
  }
  const auto early = std::count_if(f.bodyMs.begin(), f.bodyMs.end(), [](double ms) { return ms < 0; });
  std::cout << "   early " << early;
  if (f.previews >= 0) {
    std::cout << "   previews " << f.previews;
  }
  std::cout << '\n';
}

}  // namespace

int main(int argc, char* argv[]) {
  int rows = 12;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const int64_t n = i + 1 < argc ? tevra::ParseInteger(argv[i + 1]).value_or(0) : 0;
    if (arg == "--rows" && n >= 2 && n <= 10000) {
      rows = static_cast<int>(n);
      ++i;
    } else {
      std::cerr << "usage: bench-release [--rows N]\n";
      return 2;
    }
  }
  // The library keeps a capture target and a GUID in ~/.gphoto: a home of our own.
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("tevra-bench-release-" + std::to_string(::getpid()));
  std::filesystem::create_directories(home);
  ::setenv("HOME", home.c_str(), 1);  // NOLINT(concurrency-mt-unsafe): before any thread starts
  tevra::SetFineTimerSlack();

  std::cout << "bench-release: rows " << RowSpacingSeconds
            << " s apart, the shutter time alternating, previews off and on, real time (about "
            << static_cast<int>(4 * (rows * RowSpacingSeconds + 3)) << " s)\n\n";
  std::vector<Figures> figures;
  bool all = true;
  for (const bool previews : {false, true}) {
    figures.push_back(Simulated(rows, previews));
    const std::vector<Figures> driver = ThroughTheDriver(rows, previews);
    figures.insert(figures.end(), driver.begin(), driver.end());
    all = all && figures[figures.size() - 1 - driver.size()].pictures == rows && driver.size() == 2 &&
          driver[0].pictures == rows;
  }
  std::filesystem::remove_all(home);

  std::cout
      << "release after the due instant           rows  body p50  body p99  body max   call p50 call p99 "
         "call max  (ms)\n";
  for (const Figures& f : figures) {
    Print(f);
  }
  std::cout << "goals: the release command at the body p50 under 3 ms, p99 under 15 ms, never early; with "
               "previews as without them\n";
  std::cout << "pictures taken: " << (all ? "all" : "not all") << " of " << rows
            << " on each body, both ways\n";
  return all ? 0 : 1;
}
