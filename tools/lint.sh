#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every source file carries its licence line (tools/spdx-headers.sh --check), checks
# formatting (clang-format) and, with --tidy, runs clang-tidy on every source of the project.
# Usage: tools/lint.sh [--tidy BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/spdx-headers.sh --check
# Generated sources are left as the generator writes them.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^timing/catalogue_data.cpp$')
clang-format --dry-run -Werror "${sources[@]}"
echo "lint: clang-format clean (${#sources[@]} files)"
if [ "${1:-}" = "--tidy" ]; then
  build="${2:-build}"
  mapfile -t units < <(git ls-files '*.cpp')
  # clang-tidy's own progress goes to stderr; findings go to stdout and fail the run.
  printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
  echo "lint: clang-tidy clean (${#units[@]} files)"
fi
