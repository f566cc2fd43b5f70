// SPDX-License-Identifier: GPL-3.0-or-later
// Runs tevra-cli in the test process and keeps what it printed.
#pragma once

#include "tools/tevra-cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace tevra::cli::test {

struct Output {
  int status;
  std::string out;
  std::string err;
};

inline Output RunTool(const Args& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

// The lines of a text, without their line feeds.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tevra::cli::test
