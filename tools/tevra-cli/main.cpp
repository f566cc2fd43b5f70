// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include <iostream>

int main(int argc, char* argv[]) {
  const tevra::cli::Args args(argv + 1, argv + argc);
  return tevra::cli::RunCli(args, std::cout, std::cerr);
}
