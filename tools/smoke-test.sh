#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the installed program on a virtual screen with a session bus and the accessibility bus of
# its own, and walks it through its windows as a user would (tests/smoke/smoke_test.py).
# Usage: tools/smoke-test.sh PREFIX      (the folder holding bin/tevra, e.g. build/package/root/usr)
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(realpath "$1")
[ -x "$prefix/bin/tevra" ] || { echo "smoke-test: no $prefix/bin/tevra" >&2; exit 1; }
scratch=$(mktemp -d)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The screen takes the first free display number and names it once it accepts connections, so
# that runs side by side cannot take the same one. It does not reset when its last client leaves:
# a program connecting during a reset would be refused.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$scratch/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$scratch/display" ] || { echo "smoke-test: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$scratch/display")"

# The program runs from a copy of the installed tree: it must find its files wherever the tree
# lands, and what it writes beside itself (pictures, where it may write there) stays in the scratch.
cp -a "$prefix" "$scratch/install"

# Debian's own Python carries pyatspi, whatever python3 comes first on the PATH. The buses' notes
# on their file limit, their activations and the screen going away at the end are left out.
dbus-run-session -- /usr/bin/python3 tests/smoke/smoke_test.py "$scratch/install" "$scratch" 2> >(
  grep -v -e 'dbus-daemon\[' -e '^SpiRegistry daemon is running' -e '^X connection to .* broken' \
    -e '^XIO: ' -e '^ *after [0-9]* requests' >&2)
