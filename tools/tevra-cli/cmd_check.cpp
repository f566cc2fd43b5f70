// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_table.h"
#include "run/plan_check.h"
#include "timing/text_util.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

#include <algorithm>

namespace tevra::cli {
namespace {

// The loader's doubts and the plan check's findings, by file line. A time the loader already
// named as unreadable is not named twice, and a run of rows with the Moon below the horizon is
// named once.
std::vector<TableProblem> Warnings(const ExposureFile& file, const std::vector<PlanFinding>& findings) {
  std::vector<TableProblem> warnings = file.warnings;
  for (size_t i = 0; i < findings.size(); ++i) {
    const PlanFinding& finding = findings[i];
    const size_t line = file.rowLines[finding.row];
    if (finding.kind == PlanFindingKind::MoonBelowHorizon) {
      size_t last = i;
      for (size_t j = i + 1; j < findings.size() && findings[j].row <= findings[last].row + 1; ++j) {
        if (findings[j].kind == PlanFindingKind::MoonBelowHorizon) {
          last = j;
        }
      }
      if (last != i) {
        warnings.push_back({line, "rows " + std::to_string(finding.row + 1) + " to " +
                                      std::to_string(findings[last].row + 1) +
                                      ": the Moon is below the horizon at the site"});
        // The run's other findings in between stay named.
        for (size_t j = i + 1; j < last; ++j) {
          if (findings[j].kind != PlanFindingKind::MoonBelowHorizon) {
            warnings.push_back({file.rowLines[findings[j].row], DescribeFinding(findings[j])});
          }
        }
        i = last;
        continue;
      }
    }
    const bool named = std::any_of(file.warnings.begin(), file.warnings.end(),
                                   [line](const TableProblem& warning) { return warning.line == line; });
    if (finding.kind != PlanFindingKind::UnreadableTime || !named) {
      warnings.push_back({line, DescribeFinding(finding)});
    }
  }
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const TableProblem& a, const TableProblem& b) { return a.line < b.line; });
  return warnings;
}

}  // namespace

int RunCheck(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("check");
  std::optional<std::string> path;
  int64_t zone = ComputerZoneRow();
  PlanSettings settings;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--simulated") {
      settings.camera = SimulatedCameraTimes();
    } else if (arg == "--zone") {
      std::string note;
      if (const std::string problem = TakeZoneOption(args, i, zone, note); !problem.empty()) {
        return UsageError(self, problem, err);
      }
      if (!note.empty()) {
        err << "tevra-cli " << self.name << ": " << note << '\n';
      }
    } else if (arg == "--site") {
      if (const std::string problem = TakeSiteOption(args, i, settings.site); !problem.empty()) {
        return UsageError(self, problem, err);
      }
    } else if (arg.starts_with("-")) {
      return UsageError(self, "unknown option '" + arg + "'", err);
    } else if (path) {
      return UsageError(self, "expected one file name", err);
    } else {
      path = arg;
    }
  }
  if (!path) {
    return UsageError(self, "no file given", err);
  }
  const ExposureFile file = LoadExposureTable(*path);
  if (!file.fileError.empty()) {
    err << "tevra-cli check: " << Escaped(file.fileError) << "\n";
    return ExitFailure;
  }
  if (file.problems.empty()) {
    // Loaded as the window loads it; lines loaded with a doubt and rows the night cannot serve as
    // planned are named, but the file is sound.
    settings.zoneOffsetHours = TimeZoneTable()[static_cast<size_t>(zone)].Offset;
    settings.eclipseIndex = file.eclipseIndex;
    for (const TableProblem& warning : Warnings(file, CheckPlan(file.rows, settings))) {
      err << "warning: " << Escaped(DescribeProblem(*path, warning)) << "\n";
    }
    out << "eclipse\t" << *file.eclipseIndex << "\nrows\t" << file.rows.size() << "\n";
    return ExitOk;
  }
  // Both lists are in file order; print them merged by line.
  auto problem = file.problems.begin();
  auto warning = file.warnings.begin();
  while (problem != file.problems.end() || warning != file.warnings.end()) {
    const bool takeProblem =
        warning == file.warnings.end() || (problem != file.problems.end() && problem->line < warning->line);
    // A label's control characters would reach the terminal: they are printed escaped.
    out << Escaped(DescribeProblem(*path, takeProblem ? *problem++ : *warning++)) << "\n";
  }
  return ExitFailure;
}

}  // namespace tevra::cli
