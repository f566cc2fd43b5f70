// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/time_text.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

namespace tevra::cli {

int RunZones(const Args& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) {
    return UsageError(CommandNamed("zones"), "unexpected argument '" + args.front() + "'", err);
  }
  const auto& table = TimeZoneTable();
  for (size_t row = 0; row < table.size(); ++row) {
    out << row << '\t' << UnpaddedZoneName(table[row]) << '\t' << GeneralStr(table[row].Offset) << '\t'
        << table[row].Description << '\n';
  }
  return ExitOk;
}

}  // namespace tevra::cli
