#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills `tevra-cli table -o` and `tevra-cli run` with SIGKILL at random moments, as a power cut or
# a crash would stop them, and checks what they leave behind: the table file is always the old
# table or the new one, whole, and every line of every run log is whole. Then a start run is
# killed and started again, as after a crash on the night: taken together, its run logs show
# every entry taken, none twice.
# Usage: tools/kill-check.sh [BUILD_DIR] [KILLS] [RESTARTS]
#        (defaults: build, 200 kills of each command, 100 kills and restarts of the run)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
kills="${2:-200}"
restarts="${3:-100}"
cli="$build/tools/tevra-cli/tevra-cli"
[ -x "$cli" ] || cmake --build "$build" --target tevra-cli
cli="$(realpath "$cli")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" TZ=UTC LC_ALL=C
unset XDG_CONFIG_HOME XDG_DOCUMENTS_DIR TEVRA_CAMERA TEVRA_SIMULATOR
mkdir -p "$HOME"

# A random pause of 0 to $1 milliseconds.
pause() { sleep "$(printf '0.%03d' $((RANDOM % $1)))"; }

# The two tables written in turn: the longest eclipse and another one, both at 15 s.
"$cli" table 26 --interval 15 >"$work/old.txt"
"$cli" table 34 --interval 15 >"$work/new.txt"
cp "$work/old.txt" "$work/table.txt"
start=$(date +%s%N)
"$cli" table 34 --interval 15 -o "$work/check.txt"
cmp -s "$work/check.txt" "$work/new.txt" || { echo "kill-check: table -o does not write what table prints"; exit 1; }
ms=$(( ($(date +%s%N) - start) / 1000000 + 5 ))
window=$(( ms > 999 ? 999 : ms ))

failures=0
early=0
leftovers=0
for ((i = 0; i < kills; i++)); do
  entry=$(( i % 2 == 0 ? 34 : 26 ))
  "$cli" table "$entry" --interval 15 -o "$work/table.txt" &
  pid=$!
  pause "$window"
  if kill -9 "$pid" 2>/dev/null; then
    early=$((early + 1))
  fi
  wait "$pid" 2>/dev/null || true
  if ! cmp -s "$work/table.txt" "$work/old.txt" && ! cmp -s "$work/table.txt" "$work/new.txt"; then
    failures=$((failures + 1))
    echo "kill-check: after kill $((i + 1)) the table is neither the old nor the new one ($(wc -c <"$work/table.txt") bytes)"
  fi
  # A temporary file left behind shows a kill in the middle of the writing; a later save removes
  # such files once they are old, here they are counted and removed at once.
  for leftover in "$work"/.table.txt.*.tevra-tmp; do
    [ -e "$leftover" ] || continue
    leftovers=$((leftovers + 1))
    rm -f "$leftover"
  done
done
echo "kill-check: tevra-cli table -o killed $kills times within ${window} ms of its start ($early times still there to be killed," \
  "$leftovers in the middle of writing): the table was the old or the new one $((kills - failures)) times," \
  "something else $failures times"

# The run: a table whose rows all lie in the past, taken at once on the simulated body without
# processing time, so that the log grows by a line every few milliseconds until the kill.
cp "$work/old.txt" "$work/run-table.txt"
export TEVRA_SIMULATOR="processing-ms=0"
for ((i = 0; i < kills; i++)); do
  "$cli" run "$work/run-table.txt" --camera simulator --take-past --retake >/dev/null 2>&1 &
  pid=$!
  pause 999
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
logs=0
lines=0
broken=0
for log in "$HOME"/Documents/Tevra/run-*.csv; do
  [ -e "$log" ] || continue
  logs=$((logs + 1))
  lines=$((lines + $(wc -l <"$log")))
  # Every line ends with CR LF and has the header's nine fields (a quoted field may hold commas);
  # the file ends with a line end.
  if [ -s "$log" ] && [ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" != '\r\n' ]; then
    broken=$((broken + 1))
    echo "kill-check: $log ends in the middle of a line"
  elif ! awk '{ line = $0; gsub(/"([^"]|"")*"/, "q", line) }
              !/\r$/ || split(line, fields, ",") != 9 { bad = 1 } END { exit bad }' "$log"; then
    broken=$((broken + 1))
    echo "kill-check: $log has a broken line"
  fi
done
echo "kill-check: tevra-cli run killed $kills times: $logs run logs with $lines lines, $broken of them" \
  "with a broken line"
# A run killed before it opened its log leaves none.
[ "$logs" -gt 0 ] || { echo "kill-check: no run log was written"; exit 1; }

# Pictures per row, from the run logs given, as "ROW COUNT" lines: released ones (status 0), or with
# "all" every picture step, which a run that loses nothing writes once per marked column. A quoted
# text stands as "q" (a picture's text is quoted only when notes with commas follow it).
released() {
  local which="$1"
  shift
  awk -v all="$which" '{ line = $0; sub(/\r$/, "", line); gsub(/"([^"]|"")*"/, "q", line); n = split(line, f, ",") }
       n == 9 && f[3] == "Picture" && (all == "all" || (f[7] == "0" && f[9] ~ /^(Picture taken|Picture released|q)/)) {
         count[f[1]]++ }
       END { for (row in count) print row, count[row] }' "$@" | sort
}

# Rows with a picture logged as not taken: a failed release (the body busy with the long exposure
# before, a bulb time), an entry lost or skipped.
failed_rows() {
  awk '{ line = $0; sub(/\r$/, "", line); gsub(/"([^"]|"")*"/, "q", line); n = split(line, f, ",") }
       n == 9 && ((f[3] == "Picture" && f[7] != "0") || f[3] == "Lost" || f[3] == "Skipped") { print f[1] }' "$@" |
    sort -u
}

# Kill and restart: the same start run killed within a second of its start and started again
# $restarts times, then once to its end. Each start passes over what the logs of the runs before
# it show taken, so that together they must show each row's pictures exactly once, as a single
# run does.
restart_home="$work/restart"
mkdir -p "$restart_home/reference"
HOME="$restart_home/reference" "$cli" run "$work/run-table.txt" --camera simulator --take-past >/dev/null 2>&1 || true
released all "$restart_home/reference"/Documents/Tevra/run-*.csv >"$work/expected.txt"
export HOME="$restart_home/killed"
mkdir -p "$HOME"
early=0
for ((i = 0; i < restarts; i++)); do
  "$cli" run "$work/run-table.txt" --camera simulator --take-past >/dev/null 2>&1 &
  pid=$!
  pause 999
  if kill -9 "$pid" 2>/dev/null; then
    early=$((early + 1))
  fi
  wait "$pid" 2>/dev/null || true
done
"$cli" run "$work/run-table.txt" --camera simulator --take-past >"$work/last-run.txt" 2>&1 || true
released taken "$HOME"/Documents/Tevra/run-*.csv >"$work/taken.txt"
twice=$(join -a 1 -e 0 -o 0,1.2,2.2 "$work/expected.txt" "$work/taken.txt" | awk '$3 > $2' | wc -l)
failed_rows "$HOME"/Documents/Tevra/run-*.csv >"$work/failed.txt"
short="$(join -a 1 -e 0 -o 0,1.2,2.2 "$work/expected.txt" "$work/taken.txt" | awk '$3 < $2 { print $1 }')"
lost=$(printf '%s\n' $short | sed '/^$/d' | join -v 1 - "$work/failed.txt" | wc -l)
logged=$(printf '%s\n' $short | sed '/^$/d' | wc -l)
rows=$(wc -l <"$work/expected.txt")
pictures=$(awk '{ s += $2 } END { print s + 0 }' "$work/expected.txt")
passed=$(grep -c 'Taken before' "$work/last-run.txt" || true)
echo "kill-check: tevra-cli run killed and started again $restarts times ($early times killed while running):" \
  "$rows rows with $pictures pictures; rows with a picture taken twice $twice, rows not taken in full $logged," \
  "of them without a failure in the logs $lost;" \
  "the last start passed over $passed entries taken before"
[ "$failures" -eq 0 ] && [ "$broken" -eq 0 ] && [ "$twice" -eq 0 ] && [ "$lost" -eq 0 ] && [ "$rows" -gt 0 ]
