// SPDX-License-Identifier: GPL-3.0-or-later
// A run on a manual clock and the simulated body: the sink records what the page would show.
#pragma once

#include "camera/appmaster.h"
#include "camera/setting_names.h"
#include "camera/simulated_camera.h"
#include "run/eclipse_run.h"
#include "state/variables.h"
#include "timing/astrolib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tevra::test {

struct Event {
  std::string kind;  // "Phase", "Wann", "Diff", "Info", "Status", "Banner", "Blink", "Hide", "Starting",
                     // "Advance", "Running", "Zone", "Past", "Retake", "RunRow"
  std::string text;
  int64_t ms = 0;  // tick time
};

class RecordingSink final : public RunSink {
 public:
  explicit RecordingSink(const TickClock& ticks) : ticks_(ticks) {}
  std::vector<Event> events;
  std::vector<RunStep> steps;
  bool confirmZone = true;
  bool takePast = false;
  bool retake = false;

  void ShowPhase(const std::string& text) override { Add("Phase", text); }
  void ShowWann(const std::string& text) override { Add("Wann", text); }
  void ShowWannDiff(const std::string& text) override { Add("Diff", text); }
  void ShowInfo(const std::string& text, Rgb colour, InfoKind /*kind*/) override {
    Add("Info", text + "|" + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," +
                    std::to_string(colour.b));
  }
  void ShowStatus(const std::string& text) override { Add("Status", text); }
  void ShowBanner(const std::string& text) override { Add("Banner", text); }
  void BlinkBanner(Rgb background) override { Add("Blink", background == BannerBlue ? "blue" : "lime"); }
  void HideBanner() override { Add("Hide", ""); }
  void RunStarting(RunKind /*kind*/) override { Add("Starting", ""); }
  void ShowAdvanceControls(bool shown) override { Add("Advance", shown ? "shown" : "hidden"); }
  void ShowRunning(RunKind /*kind*/, bool running) override { Add("Running", running ? "yes" : "no"); }
  bool ConfirmZone(const std::string& warning) override {
    Add("Zone", warning);
    return confirmZone;
  }
  bool TakePastRows(const std::string& question) override {
    Add("Past", question);
    return takePast;
  }
  bool RetakeRows(const std::string& question) override {
    Add("Retake", question);
    return retake;
  }
  void StepDone(const RunStep& step) override { steps.push_back(step); }
  void ShowRunRow(size_t row) override { Add("RunRow", std::to_string(row)); }

  [[nodiscard]] std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> texts;
    for (const Event& event : events) {
      if (event.kind == kind) {
        texts.push_back(event.text);
      }
    }
    return texts;
  }
  [[nodiscard]] std::vector<std::string> StepNames() const {
    std::vector<std::string> names;
    for (const RunStep& step : steps) {
      names.push_back(step.step);
    }
    return names;
  }
  [[nodiscard]] std::vector<const RunStep*> Steps(const std::string& name) const {
    std::vector<const RunStep*> found;
    for (const RunStep& step : steps) {
      if (step.step == name) {
        found.push_back(&step);
      }
    }
    return found;
  }

 private:
  void Add(const char* kind, const std::string& text) { events.push_back({kind, text, ticks_.NowMs()}); }
  const TickClock& ticks_;
};

inline std::string Hex(uint32_t code) {
  std::array<char, 12> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), code, 16).ptr;
  return "0x" + std::string(buffer.data(), end);
}

// A write of the shutter time as CameraSteps lists it.
inline std::string TvWrite(const char* shutter) { return "0x406=" + Hex(ShutterCodeOf(shutter)); }

// Seconds between two run clock readings.
inline double Seconds(double fromJD, double toJD) { return (toJD - fromJD) * 86400.0; }

// 2024-03-25 at the given time of day, as the table writes it.
inline std::string At(const std::string& hhmmss) { return "2024-03-25 " + hhmmss; }

inline ExposureRow Row(const std::string& label, const std::string& time,
                       const std::vector<int>& marks = {11}, const std::string& kind = "") {
  ExposureRow row;
  row[ColumnKind] = kind;
  row[ColumnLabel] = label;
  row[ColumnDateTime] = time;
  row[ColumnQuality] = "JPGLarFin";
  row[ColumnIso] = "400";
  row[ColumnAperture] = "f/5.6";
  for (const int column : marks) {
    row[static_cast<size_t>(column)] = "x";
  }
  return row;
}

class RunFixture : public ::testing::Test {
 protected:
  ManualTickClock ticks{0};
  // The computer's clock starts at 2024-03-25 09:59:00.0.
  ManualRunClock clock{ticks, CalJD(2024, 3, 25, 9, 59, 0)};
  ManualRunWaiter waiter{ticks};
  RecordingSink sink{ticks};
  EclipseRun run{clock, waiter, sink};
  std::shared_ptr<SimulatedCamera> body;
  std::unique_ptr<TAppMaster> camera;
  std::function<void()> onPump;

  void SetUp() override {
    RehearsalOffset = 0;
    AbortRun = AbortTestRun = false;
    run.SetLogFolder("");
    run.SetPump([this] {
      if (onPump) {
        onPump();
      }
    });
  }
  void TearDown() override { RehearsalOffset = 0; }

  void Connect(SimulatorFaults faults = {}, int64_t processingMs = 0) {
    SimulatorSettings settings = SimulatorSettings::Default();
    settings.processingMs = processingMs;
    settings.callMs = settings.writeMs = 0;  // the run's own times, not the body's
    body = std::make_shared<SimulatedCamera>(settings, std::move(faults), ticks);
    camera = std::make_unique<TAppMaster>(nullptr, body);
    ASSERT_EQ(camera->SetEventHandlers(), 0U);
    ASSERT_EQ(camera->OpenSession(), 0U);
    body->ClearCalls();
  }

  RunSummary Start(const ExposureRows& rows, RunKind kind = RunKind::Start) {
    return run.Run(kind, MakeRunTable(rows, ExposureColumnTitles("[UTC]"), rows.size()), camera.get());
  }

  // Successful camera writes as "property=code" and releases as "release", in order.
  [[nodiscard]] std::vector<std::string> CameraSteps() const {
    std::vector<std::string> steps;
    for (const SimulatorCall& call : body->Calls()) {
      if (call.status != 0) {
        continue;
      }
      if (call.name == "SendCommand") {
        steps.emplace_back("release");
      } else if (call.name == "SetPropertyData") {
        const std::string& args = call.args;  // camera, id, parameter, code
        const size_t id = args.find(", ") + 2;
        steps.push_back(args.substr(id, args.find(',', id) - id) + "=" + args.substr(args.rfind(' ') + 1));
      }
    }
    return steps;
  }
};

}  // namespace tevra::test
