// SPDX-License-Identifier: GPL-3.0-or-later
// tevra-cli run: an exposure table file run headless by the same engine as the camera window's
// "Eclipse Photography" page, one line per step.
#include "camera/appmaster.h"
#include "camera/camera_choice.h"
#include "camera/camera_status.h"
#include "exposure/exposure_bias.h"
#include "exposure/exposure_table.h"
#include "run/computer_state.h"
#include "run/eclipse_run.h"
#include "run/moon_scene.h"
#include "run/qt_preview_decoder.h"
#include "run/quiet_sink.h"
#include "run/wait_precision.h"
#include "state/file_io.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/countdown.h"
#include "timing/text_util.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>

namespace tevra::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int /*signal*/) {
  interrupted = 1;
  static_cast<void>(std::signal(SIGINT, SIG_DFL));  // a second Ctrl+C ends the program at once
}

// The zone row of the parameter file, when there is one.
std::optional<int64_t> StoredZoneRow() {
  std::string bytes;
  if (!ReadRegularFile(TevraFolder(QStandardPaths::GenericConfigLocation) + ParameterFileName, bytes,
                       ParameterFileSize, OverLimit::ReadPrefix)
           .empty()) {
    return std::nullopt;
  }
  const ParameterFileRecord record =
      DecodeParameters(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return record.TimeZoneIndex;
}

// Prints every step as the run log has it, then the status line's text; run messages as comments.
class PrintingSink final : public QuietRunSink {
 public:
  PrintingSink(std::ostream& out, bool takePast, bool retake)
      : out_(out), takePast_(takePast), retake_(retake) {}

  void ShowInfo(const std::string& text, Rgb /*colour*/, InfoKind kind) override {
    if (kind == InfoKind::Message && !text.empty() && text != shownMessage_) {
      Comment(text);
      shownMessage_ = text;
    }
  }
  bool ConfirmZone(const std::string& warning) override {
    Comment("warning: " + warning);
    return true;
  }
  bool TakePastRows(const std::string& question) override {
    Comment(question);
    Comment(takePast_ ? "taking them (--take-past)" : "skipping them (--take-past takes them)");
    return takePast_;
  }
  bool RetakeRows(const std::string& question) override {
    Comment(question);
    Comment(retake_ ? "taking them again (--retake)" : "passing over them (--retake takes them again)");
    return retake_;
  }
  // Labels and texts come from the table file: their control characters are printed escaped, so
  // that none reaches the terminal.
  void StepDone(const RunStep& step) override {
    RunStep shown = step;
    shown.label = Escaped(step.label);
    shown.text = Escaped(step.text);
    out_ << RunLogFields(shown, '\t') << '\n' << std::flush;
  }

 private:
  void Comment(const std::string& text) {
    std::string line;
    for (const char c : text) {
      if (c == '\n') {
        out_ << "# " << Escaped(line) << '\n';
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    out_ << "# " << Escaped(line) << '\n' << std::flush;
  }

  std::ostream& out_;
  bool takePast_;
  bool retake_;
  std::string shownMessage_;
};

// The camera of a choice with its session open, as the camera window connects it; null with the
// reason in err when there is none.
std::unique_ptr<TAppMaster> Connect(const CameraChoice& choice, std::ostream& err) {
  std::string error;
  const std::shared_ptr<CameraSdk> sdk = CreateCameraSdk(choice, error);
  if (!sdk) {
    err << "tevra-cli run: " << error << '\n';
    return nullptr;
  }
  SaveTarget = 1;
  uint32_t status = CamOk;
  std::unique_ptr<TAppMaster> master = OpenCamera(nullptr, sdk, status);
  if (status == CamNotFound) {
    err << "tevra-cli run: no camera found (--camera none runs without one)\n";
  } else if (!master) {
    err << "tevra-cli run: opening the camera: Sts=" << status << " (" << CameraStatusText(status) << ")\n";
  } else {
    master->ReadPropertyDesc(PropAll);
  }
  return master;
}

}  // namespace

int RunRun(const Args& arguments, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("run");
  Args args = arguments;
  CameraChoice choice = CameraChoiceFromEnvironment();
  const bool withCamera = !TakeNoCameraOption(args);
  if (const std::string problem = TakeCameraOptions(args, choice); !problem.empty()) {
    return UsageError(self, problem, err);
  }
  std::optional<std::string> path;
  RunKind kind = RunKind::Start;
  std::optional<int64_t> zone;
  std::optional<double> startAt;
  bool takePast = false;
  bool retake = false;
  int biasThirds = 0;
  std::optional<std::string> previewFolder;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--test") {
      kind = RunKind::Test;
    } else if (arg == "--skip-past" || arg == "--take-past") {
      takePast = arg == "--take-past";
    } else if (arg == "--retake") {
      retake = true;
    } else if (arg == "--bias") {
      std::string why = "--bias needs an exposure bias in EV";
      const std::optional<int> thirds = hasValue ? ReadBiasThirds(args[++i], why) : std::nullopt;
      if (!thirds) {
        return UsageError(self, why, err);
      }
      biasThirds = *thirds;
    } else if (arg == "--previews") {
      if (!hasValue || args[i + 1].empty()) {
        return UsageError(self, "--previews needs a folder", err);
      }
      previewFolder = args[++i];
    } else if (arg == "--zone") {
      std::string note;
      int64_t row = 0;
      if (const std::string problem = TakeZoneOption(args, i, row, note); !problem.empty()) {
        return UsageError(self, problem, err);
      }
      if (!note.empty()) {
        err << "tevra-cli run: " << note << '\n';
      }
      zone = row;
    } else if (arg == "--start-at") {
      startAt = hasValue ? ReadClockText(args[++i]) : std::nullopt;
      if (!startAt) {
        return UsageError(self, "--start-at needs a time \"YYYY-MM-DD hh:mm:ss\"", err);
      }
    } else if (arg.starts_with("-") || path) {
      return UsageError(self, "unexpected argument '" + arg + "'", err);
    } else {
      path = arg;
    }
  }
  if (!path) {
    return UsageError(self, "no table file given", err);
  }
  if (startAt && kind == RunKind::Test) {
    return UsageError(self, "--start-at applies to the start run; the test run keeps no time", err);
  }

  if (previewFolder) {
    std::error_code error;
    std::filesystem::create_directories(*previewFolder, error);
    if (error || !std::filesystem::is_directory(*previewFolder)) {
      err << "tevra-cli run: the preview folder " << Escaped(*previewFolder)
          << " cannot be made: " << error.message() << '\n';
      return ExitFailure;
    }
  }

  const ExposureFile file = LoadExposureTable(*path);
  if (!file.fileError.empty() || !file.problems.empty()) {
    err << "tevra-cli run: "
        << Escaped(file.fileError.empty() ? DescribeProblem(*path, file.problems.front()) : file.fileError)
        << '\n';
    return ExitFailure;
  }
  for (const TableProblem& warning : file.warnings) {
    err << "warning: " << Escaped(DescribeProblem(*path, warning)) << '\n';
  }
  ApplyTimeZone(static_cast<int>(zone ? *zone : StoredZoneRow().value_or(ComputerZoneRow())));
  tevra::RunTable table = MakeRunTable(file.rows, ExposureColumnTitles(ZoneLabel), file.rows.size());
  table.name = std::filesystem::path(*path).filename().string();

  std::unique_ptr<TAppMaster> camera;
  if (withCamera) {
    // The simulated body photographs the table's eclipse as the run's clock reads it, --start-at
    // included.
    if (file.eclipseIndex) {
      choice.moonScene =
          MoonSceneNow([scene = MoonSceneOf(*file.eclipseIndex, ZoneOffset)] { return scene; });
    }
    camera = Connect(choice, err);
    if (!camera) {
      return ExitFailure;
    }
    CameraName = camera->GetCameraName();
  }
  if (DocumentsFolder.empty()) {
    DocumentsFolder = TevraFolder(QStandardPaths::DocumentsLocation);
  }

  const std::unique_ptr<QCoreApplication> application = EnsureApplication();  // the check's D-Bus calls
  SystemRunClock clock;
  SystemRunWaiter waiter;
  PrintingSink sink(out, takePast, retake);
  EclipseRun run(clock, waiter, sink);
  if (camera) {
    run.SetReconnect([&camera, &choice, &out, why = std::string()]() mutable -> TAppMaster* {
      camera.reset();
      std::string error;
      if (const std::shared_ptr<CameraSdk> sdk = CreateCameraSdk(choice, error)) {
        uint32_t status = CamOk;
        camera = OpenCamera(nullptr, sdk, status);
        // What keeps the camera away, once for each change, while the run keeps trying.
        if (std::string now = camera ? std::string() : CameraNotFoundText(status); now != why) {
          why = std::move(now);
          if (!why.empty()) {
            out << "# " << ReconnectingText << ": " << why << '\n' << std::flush;
          }
        }
      }
      return camera.get();
    });
  }
  run.SetPreflight([&file, &clock](TAppMaster* master) {
    PreflightSettings settings;
    settings.zoneOffsetHours = ZoneOffset;
    settings.eclipseIndex = file.eclipseIndex;
    settings.soundFolder = DocumentsFolder;
    const BodyFacts body = master != nullptr ? ReadBodyFacts(master, CamOk, clock.LocalJD()) : BodyFacts{};
    return Preflight(file.rows, settings, body, SystemComputerState(DocumentsFolder));
  });
  interrupted = 0;
  run.SetAbortFlag([](RunKind runKind) -> bool& {
    bool& flag = runKind == RunKind::Start ? AbortRun : AbortTestRun;
    flag = flag || interrupted != 0;
    return flag;
  });
  if (startAt) {
    RehearsalOffset = *startAt - clock.LocalJD();
  }
  run.SetBias(biasThirds);
  if (previewFolder) {
    run.SetPreviews(
        true, [](std::span<const uint8_t> bytes) { return DecodePreview(bytes); }, *previewFolder);
  }
  const auto previous = std::signal(SIGINT, &OnInterrupt);
  SetFineTimerSlack();  // the waits wake within a microsecond of their instant, not 50
  const RunSummary summary = run.Run(kind, table, camera.get());
  ResetTimerSlack();
  static_cast<void>(std::signal(SIGINT, previous));
  CameraName.clear();

  if (summary.started) {
    out << "pictures taken\t" << summary.picturesTaken << "\nfailed\t" << summary.picturesFailed
        << "\nsettings not applied\t" << summary.picturesNotApplied << "\nreleased, no file\t"
        << summary.picturesNoFile << "\nlate by more than 1 s\t" << summary.picturesLate << '\n';
    if (summary.rowsSkipped > 0) {
      out << "entries skipped\t" << summary.rowsSkipped << '\n';
    }
    if (summary.rowsTakenBefore > 0) {
      out << "entries taken before\t" << summary.rowsTakenBefore << '\n';
    }
    if (summary.reconnections > 0 || summary.rowsLost > 0) {
      out << "reconnections\t" << summary.reconnections << "\nentries lost\t" << summary.rowsLost
          << "\npictures lost\t" << summary.picturesLost << '\n';
    }
  }
  if (summary.aborted) {
    out << "aborted\n";
  }
  for (const std::string& log : summary.logPaths) {
    out << "run log\t" << log << '\n';
  }
  if (!summary.logError.empty()) {
    err << "tevra-cli run: " << summary.logError << '\n';
  }
  const bool everyPicture = summary.started && !summary.aborted && summary.picturesFailed == 0 &&
                            summary.picturesLost == 0 && summary.picturesNotApplied == 0 &&
                            summary.picturesNoFile == 0 && summary.logError.empty();
  return everyPicture ? ExitOk : ExitFailure;
}

}  // namespace tevra::cli
