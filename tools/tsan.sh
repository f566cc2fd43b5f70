#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the camera, run and window tests with ThreadSanitizer and runs them: the camera backend's
# thread and the user-interface thread must share nothing unguarded. Reports that lie wholly in
# Qt's or libgphoto2's own code, which is not built with the sanitizer, are suppressed by
# tools/tsan.supp; any report in the program's own code fails the run.
# Usage: tools/tsan.sh [BUILD_DIR]   (default build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-tsan}"
tests=(camera/tevra_camera_session_tests camera/tevra_camera_window_tests camera/tevra_gphoto2_tests
       run/tevra_run_tests run/tevra_run_page_tests run/tevra_announcement_tests shell/tevra_shell_tests)
# Warnings are not errors here: the instrumentation makes GCC see uninitialised values where there
# are none (-Wmaybe-uninitialized); the normal build keeps every warning an error.
cmake -S . -B "$build" -G Ninja -DTEVRA_WERROR=OFF -DTEVRA_TSAN=ON >/dev/null
cmake --build "$build" --target "${tests[@]##*/}"
export TSAN_OPTIONS="suppressions=$PWD/tools/tsan.supp halt_on_error=1 second_deadlock_stack=1"
export QT_QPA_PLATFORM=offscreen
status=0
for test in "${tests[@]}"; do
  if "$build/tests/$test" --gtest_brief=1 >"$build/tsan-${test##*/}.log" 2>&1; then
    echo "tsan: ${test##*/} clean ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$build/tsan-${test##*/}.log"))"
  else
    status=1
    echo "tsan: ${test##*/} FAILED:"
    grep -E -A30 'WARNING: ThreadSanitizer|FAILED|ThreadSanitizer:' "$build/tsan-${test##*/}.log" | head -60
  fi
done
exit "$status"
