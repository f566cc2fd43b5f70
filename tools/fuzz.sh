#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang's libFuzzer under ASan + UBSan and runs each for a bounded
# time on a copy of its seed corpus, printing how many inputs each one executed. A crash keeps
# its input in build-fuzz/crashes/TARGET/; add it to tests/fuzz/regressions/TARGET/ so that the
# test suite replays it from then on.
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build=build-fuzz
targets=(table parameter_file camera_ini date_str cli)
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DTEVRA_FUZZ=ON -DTEVRA_SANITIZE=ON >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz-}"
status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  crashes="$build/crashes/$target"
  mkdir -p "$work" "$crashes"
  cp -n tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  log="$build/fuzz-$target.log"
  if ! "$build/tests/fuzz/fuzz-$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" "$work" >"$log" 2>&1; then
    status=1
    echo "fuzz: $target FAILED; its input is in $crashes:"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -20
  fi
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  echo "fuzz: $target executed $executions inputs in ${seconds} s"
done
exit "$status"
