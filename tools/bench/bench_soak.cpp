// SPDX-License-Identifier: GPL-3.0-or-later
// A whole eclipse night on the simulated body at an accelerated clock, with the faults of a real
// night throughout: the longest eclipse of the catalogue, a table generated at the 15-second
// interval with the contacts announced and a loop through greatest eclipse, a slow card, busy
// answers, refused writes, a stretch of slow calls and two disconnections that the run reconnects
// from. Prints what was served, taken and lost, the largest delay of a release behind its due
// time, and the memory at each quarter of the night; exits with 1 when a picture went missing
// that no disconnection explains, or when the memory grew.
// Usage: bench-soak [--log-folder DIR]   (the run log is written there and kept)
#include "camera/appmaster.h"
#include "camera/camera_status.h"
#include "camera/simulated_camera.h"
#include "exposure/camera_ini.h"
#include "exposure/contact_announcements.h"
#include "exposure/exposure_generator.h"
#include "exposure/exposure_table.h"
#include "run/eclipse_run.h"
#include "run/quiet_sink.h"
#include "run/run_texts.h"
#include "state/file_io.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include "tools/bench/bench_support.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unistd.h>

namespace {

using tevra::FixedStr;

constexpr double SecondsPerDay = 86400.0;
constexpr int64_t SlowCardMs = 1500;  // the body writes each picture this long
constexpr int64_t SlowCallMs = 150;   // every call during the slow stretch
constexpr int BusyEvery = 40;         // every 40th exposure row meets a busy body ...
constexpr int RefusedEvery = 53;      // ... every 53rd one a body refusing its shutter and ISO
constexpr int64_t FirstOutageMs = 50000;
constexpr int64_t SecondOutageMs = 25000;
// Memory may move by a few pages between quarters; anything more is growth.
constexpr long GrowthToleranceKb = 64;
constexpr size_t RecordedCalls = 1000;

struct Window {
  int64_t fromMs;
  int64_t toMs;
  [[nodiscard]] bool Contains(int64_t ms) const { return ms >= fromMs && ms < toMs; }
};

// The eclipse of the catalogue with the longest time from P1 to P4, selected with its contacts.
int32_t SelectLongestEclipse() {
  int32_t longest = 1;
  double longestDays = 0;
  for (int32_t index = 1; index <= tevra::EclipseCount; ++index) {
    tevra::SelectEclipse(index);
    tevra::ComputeContacts(false);
    const tevra::ContactTimes contacts = tevra::CurrentContacts();
    if (contacts.P4 - contacts.P1 > longestDays) {
      longestDays = contacts.P4 - contacts.P1;
      longest = index;
    }
  }
  tevra::SelectEclipse(longest);
  tevra::ComputeContacts(false);
  return longest;
}

double DueOf(const tevra::ExposureRow& row) {
  return tevra::TryDateStrJD(row[tevra::ColumnDateTime]).jd.value_or(0);
}

// The rows from two minutes before greatest eclipse to two minutes after it become one loop that
// shoots with their first row's settings until its time.
void AddLoop(tevra::ExposureRows& rows, double mx) {
  const auto inLoop = [mx](const tevra::ExposureRow& row) {
    return tevra::RowKindOf(row) == tevra::RowKind::Exposure &&
           std::abs(DueOf(row) - mx) * SecondsPerDay < 120;
  };
  const auto first = std::find_if(rows.begin(), rows.end(), inLoop);
  if (first == rows.end()) {
    return;
  }
  tevra::ExposureRow loop = *first;
  loop[tevra::ColumnLabel] = tevra::LoopPhaseText;
  loop[tevra::ColumnDateTime] = tevra::WannText("", mx + 120 / SecondsPerDay);
  const auto last = std::find_if_not(first, rows.end(), inLoop);
  const auto at = rows.erase(first, last);
  rows.insert(at, loop);
}

struct Checkpoint {
  size_t rows = 0;
  long heapKb = 0;
  long peakKb = 0;
};

// Bytes allocated and not yet freed; only the GNU C library tells.
long HeapKb() {
#ifdef __GLIBC__
  return static_cast<long>(mallinfo2().uordblks / 1024);
#else
  return 0;
#endif
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Tallies the steps as they are done; keeps counts only, so that it does not grow with the night.
class SoakSink final : public tevra::QuietRunSink {
 public:
  // Memory is measured when the run reaches each of these rows (counted from 1).
  explicit SoakSink(std::vector<size_t> quarters) : quarters_(std::move(quarters)) {}

  int served = 0;  // rows waited for, announced or looped, lost ones excepted
  int rowPictures = 0;
  int loopPictures = 0;
  double largestDelay = 0;  // of the releases made on time or held up by a fault of the body
  std::string largestDelayRow;
  double largestCatchUp = 0;                // of a row served at once when the camera was back
  std::vector<tevra::RunStep> lost;         // one per lost row: a handful
  std::vector<tevra::RunStep> reconnected;  // one per reconnection
  std::vector<Checkpoint> checkpoints;
  std::function<void()> beforeMeasuring;

  void StepDone(const tevra::RunStep& step) override {
    if ((step.step == "Wait" || step.step == "Announcement" || step.step == "Loop end") &&
        step.row != lastServed_) {
      lastServed_ = step.row;
      ++served;
    } else if (step.step == "Picture" && step.status == tevra::CamOk) {
      if (!step.dueJD) {
        ++loopPictures;
      } else {
        ++rowPictures;
        const double delay = (step.issuedJD - *step.dueJD) * SecondsPerDay;
        if (catchingUp_) {
          largestCatchUp = std::max(largestCatchUp, delay);
        } else if (delay > largestDelay) {
          largestDelay = delay;
          largestDelayRow = step.label;
        }
        catchingUp_ = false;
      }
    } else if (step.step == "Lost") {
      lost.push_back(step);
      served -= step.row == lastServed_ ? 1 : 0;  // waited for, then lost with the camera
    } else if (step.step == "Reconnected") {
      reconnected.push_back(step);
      catchingUp_ = true;
    }
    if (next_ < quarters_.size() && step.row >= quarters_[next_]) {
      ++next_;
      if (beforeMeasuring) {
        beforeMeasuring();
      }
      checkpoints.push_back({step.row, HeapKb(), PeakKb()});
    }
  }

 private:
  std::vector<size_t> quarters_;
  size_t next_ = 0;
  size_t lastServed_ = 0;
  bool catchingUp_ = false;
};

std::string TimeOfDay(double jd) { return tevra::WannText("", jd).substr(11); }

std::string Minutes(double days) {
  const auto minutes = static_cast<int64_t>(std::lround(days * 1440.0));
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

// Every line of the run log ends with CR LF and has the fields of its header.
bool RunLogWhole(const std::string& path, size_t& lines) {
  std::string text;
  if (!tevra::ReadRegularFile(path, text, size_t{1} << 30).empty()) {
    return false;
  }
  lines = 0;
  for (size_t start = 0; start < text.size(); ++lines) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      return false;
    }
    size_t fields = 1;
    bool quoted = false;
    for (size_t i = start; i < end; ++i) {
      quoted = text[i] == '"' ? !quoted : quoted;
      fields += !quoted && text[i] == ',' ? 1 : 0;
    }
    const std::string_view header = tevra::RunLog::Header;
    if (fields != static_cast<size_t>(std::count(header.begin(), header.end(), ',')) + 1) {
      return false;
    }
    start = end + 2;
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::optional<std::string> keptLogFolder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--log-folder" && i + 1 < argc) {
      keptLogFolder = tevra::WithTrailingSeparator(argv[++i]);
    } else {
      std::cerr << "usage: bench-soak [--log-folder DIR]\n";
      return 2;
    }
  }
  const tevra::bench::Clock::time_point began = tevra::bench::Clock::now();

  // The table: the longest eclipse at the 15-second interval, its contacts announced, a loop.
  tevra::ApplyTimeZone(tevra::DefaultTimeZoneIndex);
  const int32_t entry = SelectLongestEclipse();
  const tevra::ContactTimes contacts = tevra::CurrentContacts();
  tevra::GeneratorSettings generator;
  generator.intervalMinutes = 0.25;
  generator.fRatio = tevra::FirstStartFRatio;
  generator.manualFRatio = tevra::FirstStartManualFRatio;
  generator.imageQuality = tevra::BuiltInImageQuality;
  generator.iso = tevra::BuiltInIso;
  generator.aperture = tevra::BuiltInAperture;
  tevra::ExposureRows rows = tevra::GenerateExposureTable(contacts, tevra::CurrentEclipse.TypeCode,
                                                          tevra::CurrentEclipse.UmbMagnitude, generator)
                                 .value_or(tevra::ExposureRows{});
  AddLoop(rows, contacts.Mx);
  tevra::AddContactAnnouncements(rows, contacts);
  std::vector<double> dues;  // of the exposure rows, in table order
  int expected = 0;
  int announcements = 0;
  size_t servable = 0;
  for (const tevra::ExposureRow& row : rows) {
    const tevra::RowKind kind = tevra::RowKindOf(row);
    if (kind == tevra::RowKind::Exposure) {
      dues.push_back(DueOf(row));
      expected += tevra::MarkCount(row);
    }
    announcements += kind == tevra::RowKind::Announcement ? 1 : 0;
    servable += kind == tevra::RowKind::Skipped ? 0 : 1;
  }
  if (dues.size() < 100) {
    std::cerr << "bench-soak: no table for catalogue entry " << entry << '\n';
    return 1;
  }

  // The night on a manual clock that the run's waits move: the body is made at tick 0, so its
  // fault windows count from the run clock's start, two minutes before the first row.
  const double startJD = dues.front() - 120 / SecondsPerDay;
  const auto atMs = [startJD](double jd) { return static_cast<int64_t>((jd - startJD) * tevra::MsPerDay); };
  tevra::ManualTickClock ticks(0);
  tevra::ManualRunClock clock(ticks, startJD, tevra::ZoneOffset);
  tevra::ManualRunWaiter waiter(ticks);

  tevra::SimulatorSettings settings = tevra::SimulatorSettings::Default();
  settings.processingMs = SlowCardMs;
  tevra::SimulatorFaults faults;
  std::vector<Window> refused;
  for (size_t k = 7; k < dues.size(); k += BusyEvery) {
    faults.busyWindows.emplace_back(atMs(dues[k]) - 1000, atMs(dues[k]) + 3000);
  }
  for (size_t k = 20; k < dues.size(); k += RefusedEvery) {
    refused.push_back({atMs(dues[k]) - 1000, atMs(dues[k]) + 2000});
  }
  const int64_t night = atMs(dues.back());
  const Window slow{night * 3 / 4, night * 3 / 4 + 600000};
  const size_t firstOut = dues.size() / 3;
  const size_t secondOut = dues.size() * 2 / 3;
  faults.disconnectWindows.emplace_back(atMs(dues[firstOut]) - 5000,
                                        atMs(dues[firstOut]) - 5000 + FirstOutageMs);
  faults.disconnectWindows.emplace_back(atMs(dues[secondOut]) + 500,
                                        atMs(dues[secondOut]) + 500 + SecondOutageMs);
  const size_t busyCount = faults.busyWindows.size();
  const auto body = std::make_shared<tevra::SimulatedCamera>(settings, std::move(faults), ticks);

  uint32_t status = tevra::CamOk;
  tevra::SaveTarget = 1;
  std::unique_ptr<tevra::TAppMaster> camera = tevra::OpenCamera(nullptr, body, status);
  if (!camera) {
    std::cerr << "bench-soak: the simulated body does not open: Sts=" << status << '\n';
    return 1;
  }

  SoakSink sink({rows.size() / 4, rows.size() / 2, rows.size() * 3 / 4, rows.size()});
  sink.beforeMeasuring = [&body] { body->ClearCalls(); };
  tevra::EclipseRun run(clock, waiter, sink);
  const std::string logFolder = keptLogFolder.value_or(
      (std::filesystem::temp_directory_path() / ("tevra-soak-" + std::to_string(::getpid()))).string() + "/");
  run.SetLogFolder(logFolder);
  run.SetReconnect([&camera, &body, &status]() -> tevra::TAppMaster* {
    camera.reset();
    camera = tevra::OpenCamera(nullptr, body, status);
    return camera.get();
  });
  run.SetPump([&] {
    // The simulator's record of calls (at most 20,000) is not the run's memory: it is let go now
    // and then, so that the quarters compare what the run itself holds.
    if (body->Calls().size() >= RecordedCalls) {
      body->ClearCalls();
    }
    const int64_t now = ticks.NowMs();
    const bool refusing =
        std::any_of(refused.begin(), refused.end(), [now](Window w) { return w.Contains(now); });
    auto& refusedWrites = body->Faults().refusedWrites;
    if (refusing && refusedWrites.empty()) {
      refusedWrites = {{tevra::PropTv, tevra::CamRefused}, {tevra::PropIso, tevra::CamRefused}};
    } else if (!refusing && !refusedWrites.empty()) {
      refusedWrites.clear();
    }
    body->Faults().slowCallMs = slow.Contains(now) ? SlowCallMs : 0;
  });

  const tevra::RunTable table =
      tevra::MakeRunTable(rows, tevra::ExposureColumnTitles(tevra::ZoneLabel), rows.size());
  const tevra::RunSummary summary = run.Run(tevra::RunKind::Start, table, camera.get());
  const double seconds = tevra::bench::Milliseconds(tevra::bench::Clock::now() - began) / 1000.0;
  const double nightDays = clock.LocalJD() - startJD;
  const long peakKb = PeakKb();

  size_t logLines = 0;
  const bool logWhole = RunLogWhole(summary.logPath, logLines);
  if (!keptLogFolder) {
    std::error_code ignored;
    std::filesystem::remove_all(logFolder, ignored);
  }

  std::cout << "bench-soak: catalogue entry " << entry << ", "
            << tevra::TypeNameOf(tevra::CurrentEclipse.TypeCode) << ", greatest eclipse "
            << tevra::WannText("", contacts.Mx) << ' ' << tevra::ZoneLabel << ", P1 to P4 "
            << Minutes(contacts.P4 - contacts.P1) << '\n'
            << "table at 15 s: " << rows.size() << " rows, " << dues.size() << " exposure rows with "
            << expected << " pictures, " << announcements
            << " announcements, 1 loop through greatest eclipse\n"
            << "faults: slow card (" << SlowCardMs << " ms writing each picture), busy answers (" << busyCount
            << " windows of 4 s), refused shutter and ISO writes (" << refused.size() << " windows of 3 s), "
            << SlowCallMs << " ms per call for 10 min from "
            << TimeOfDay(startJD + static_cast<double>(slow.fromMs) / tevra::MsPerDay)
            << ", camera unplugged twice (" << FirstOutageMs / 1000 << " s from "
            << TimeOfDay(dues[firstOut] - 5 / SecondsPerDay) << ", " << SecondOutageMs / 1000 << " s from "
            << TimeOfDay(dues[secondOut] + 0.5 / SecondsPerDay) << ")\n"
            << "run clock: " << Minutes(nightDays) << " of night in " << FixedStr(seconds, 1) << " s ("
            << FixedStr(nightDays * SecondsPerDay / seconds, 0) << " times real time)\n\n"
            << "rows served        " << sink.served << " of " << servable << " (the others lost)\n"
            << "pictures taken     " << summary.picturesTaken << " (" << sink.rowPictures << " of the "
            << expected << " the rows ask for, " << sink.loopPictures << " in the loop)\n"
            << "pictures failed    " << summary.picturesFailed << '\n'
            << "pictures lost      " << summary.picturesLost << " of " << summary.rowsLost
            << " entries due while the camera was unplugged:";
  for (const tevra::RunStep& step : sink.lost) {
    std::cout << ' ' << TimeOfDay(*step.dueJD);
  }
  std::cout << '\n';
  for (const tevra::RunStep& step : sink.reconnected) {
    std::cout << "reconnected        at " << TimeOfDay(step.doneJD) << " after "
              << FixedStr((step.doneJD - step.issuedJD) * SecondsPerDay, 1) << " s and " << step.trials
              << " attempts\n";
  }
  std::cout << "late by over 1 s   " << summary.picturesLate << " releases\n"
            << "largest delay      " << FixedStr(sink.largestDelay, 3)
            << " s of run clock from the due time to the release (row " << sink.largestDelayRow << "); "
            << FixedStr(sink.largestCatchUp, 3) << " s for a row served at once when the camera was back\n"
            << "run log            " << logLines << " lines, "
            << (logWhole ? "every line whole" : "BROKEN LINES")
            << "\n\nmemory                      at row   heap in use   peak resident\n";
  bool grew = false;
  for (size_t i = 0; i < sink.checkpoints.size(); ++i) {
    const Checkpoint& c = sink.checkpoints[i];
    std::cout << "  quarter " << i + 1 << std::setw(17) << c.rows << std::setw(11) << c.heapKb << " KB"
              << std::setw(13) << c.peakKb << " KB\n";
    grew = grew || (i > 0 && c.heapKb > sink.checkpoints[0].heapKb + GrowthToleranceKb);
  }
  std::cout << "peak memory        " << peakKb << " KB resident at the run's end (getrusage)\n";

  const bool everyPicture =
      sink.rowPictures + summary.picturesLost == expected && summary.picturesFailed == 0;
  std::cout << (everyPicture ? "every picture not lost to a disconnection was taken"
                             : "PICTURES MISSING that no disconnection explains")
            << (grew ? "; MEMORY GREW" : "; memory flat") << '\n';
  return everyPicture && !grew && logWhole && summary.started && !summary.aborted ? 0 : 1;
}
