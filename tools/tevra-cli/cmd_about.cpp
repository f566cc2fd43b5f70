// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/version_info.h"
#include "tools/tevra-cli/cli.h"

#include <filesystem>
#include <system_error>

namespace tevra::cli {

int RunAbout(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("about");
  if (args.size() > 1) {
    return UsageError(self, "unexpected argument '" + args[1] + "'", err);
  }
  std::string path;
  if (args.empty()) {
    std::error_code ec;
    path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec) {
      err << "tevra-cli about: cannot find this program's file: " << ec.message() << "\n";
      return ExitFailure;
    }
  } else {
    path = args.front();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      return UsageError(self, "'" + path + "' is not a readable file", err);
    }
  }
  for (const auto& [label, value] : VersionRows(ReadVersionInfo(path))) {
    out << label << '\t' << value << '\n';
  }
  return ExitOk;
}

}  // namespace tevra::cli
