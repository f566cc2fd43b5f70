// SPDX-License-Identifier: GPL-3.0-or-later
// tevra-cli preflight: the check before the night of the camera, the computer and a table.
#include "camera/appmaster.h"
#include "camera/camera_choice.h"
#include "camera/camera_status.h"
#include "exposure/exposure_table.h"
#include "run/computer_state.h"
#include "run/preflight.h"
#include "run/run_clock.h"
#include "state/variables.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace tevra::cli {

int RunPreflight(const Args& arguments, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("preflight");
  Args args = arguments;
  CameraChoice choice = CameraChoiceFromEnvironment();
  const bool withCamera = !TakeNoCameraOption(args);
  if (const std::string problem = TakeCameraOptions(args, choice); !problem.empty()) {
    return UsageError(self, problem, err);
  }
  std::optional<std::string> path;
  std::optional<int64_t> zone;
  PreflightSettings settings;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--zone") {
      int64_t row = 0;
      std::string note;  // the first line names the row
      if (const std::string problem = TakeZoneOption(args, i, row, note); !problem.empty()) {
        return UsageError(self, problem, err);
      }
      zone = row;
    } else if (arg == "--site") {
      if (const std::string problem = TakeSiteOption(args, i, settings.site); !problem.empty()) {
        return UsageError(self, problem, err);
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
  const ExposureFile file = LoadExposureTable(*path);
  if (!file.fileError.empty() || !file.problems.empty()) {
    err << "tevra-cli preflight: "
        << (file.fileError.empty() ? DescribeProblem(*path, file.problems.front()) : file.fileError) << '\n';
    return static_cast<int>(CheckLevel::Problem);
  }
  const int64_t row = zone.value_or(ComputerZoneRow());
  settings.zoneOffsetHours = TimeZoneTable()[static_cast<size_t>(row)].Offset;
  settings.eclipseIndex = file.eclipseIndex;
  if (DocumentsFolder.empty()) {
    DocumentsFolder = TevraFolder(QStandardPaths::DocumentsLocation);
  }
  settings.soundFolder = DocumentsFolder;

  const std::unique_ptr<QCoreApplication> application = EnsureApplication();
  const SystemRunClock clock;
  BodyFacts body;  // not looked at with --camera none
  if (withCamera) {
    std::string error;
    const std::shared_ptr<CameraSdk> sdk = CreateCameraSdk(choice, error);
    if (!sdk) {
      err << "tevra-cli preflight: " << error << '\n';
      return ExitUsage;
    }
    SaveTarget = 1;
    uint32_t status = CamOk;
    const std::unique_ptr<TAppMaster> master = OpenCamera(nullptr, sdk, status);
    body = ReadBodyFacts(master.get(), status, clock.LocalJD());
  }
  const std::vector<CheckLine> lines =
      Preflight(file.rows, settings, body, SystemComputerState(DocumentsFolder));

  const std::string heading = "Check before the night: " + *path + ", eclipse " +
                              std::to_string(*file.eclipseIndex) + ", table times in " + ZoneRowText(row) +
                              (zone ? "" : " (the computer's)");
  out << heading << '\n';
  for (const CheckLine& line : lines) {
    out << CheckLineText(line) << '\n';
  }
  std::string error;
  const std::string written = WritePreflightFile(DocumentsFolder, clock.LocalJD(), heading, lines, error);
  if (written.empty()) {
    err << "tevra-cli preflight: " << error << '\n';
  } else {
    out << "written\t" << written << '\n';
  }
  return PreflightExitStatus(lines);
}

}  // namespace tevra::cli
