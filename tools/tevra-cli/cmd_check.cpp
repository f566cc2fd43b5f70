#include "exposure/exposure_table.h"
#include "tools/tevra-cli/cli.h"

namespace tevra::cli {

int RunCheck(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("check");
  if (args.size() != 1 || args.front().starts_with("-")) {
    return UsageError(self, args.empty() ? "no file given" : "expected one file name", err);
  }
  const std::string& path = args.front();
  const ExposureFile file = LoadExposureTable(path);
  if (!file.fileError.empty()) {
    err << "tevra-cli check: " << file.fileError << "\n";
    return ExitFailure;
  }
  if (file.problems.empty()) {
    // Loaded as the window loads it; lines loaded with a doubt are named.
    for (const TableProblem& warning : file.warnings) {
      err << "warning: " << DescribeProblem(path, warning) << "\n";
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
    out << DescribeProblem(path, takeProblem ? *problem++ : *warning++) << "\n";
  }
  return ExitFailure;
}

}  // namespace tevra::cli
