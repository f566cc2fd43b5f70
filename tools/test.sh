#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything with warnings as errors and runs every test.
# Usage: tools/test.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --test
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DTEVRA_WERROR=ON "$@" >/dev/null
cmake --build "$build"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
