// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: tevra-cli's command line. The input is split into arguments at NUL bytes;
// commands that write files, wait in real time or open a camera are left out.
#include "tools/tevra-cli/cli.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tevra::cli::Args args;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  args.push_back(current);
  const auto unsafe = [](const std::string& arg) {
    return arg == "camera" || arg == "run" || arg == "check" || arg.starts_with("-o") ||
           arg.starts_with("--output");
  };
  if (std::any_of(args.begin(), args.end(), unsafe)) {
    return 0;
  }
  std::ostringstream out;
  std::ostringstream err;
  const int status = tevra::cli::RunCli(args, out, err);
  if (status < 0 || status > 2) {
    __builtin_trap();
  }
  return 0;
}
