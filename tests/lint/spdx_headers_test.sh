#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tools/spdx-headers.sh on a scratch folder: --check names every source file without the licence
# line and fails; the script then adds it (after a "#!" line, keeping the file's mode, leaving data
# files alone), after which --check passes and another run changes nothing.
# Usage: spdx_headers_test.sh SCRIPT SCRATCH_FOLDER
set -euo pipefail
script=$1
scratch=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/sub"
cd "$scratch"
printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint a;\n' >has.cpp
printf 'int b;\n' >sub/lacks.h
printf 'project(x)\n' >sub/CMakeLists.txt
printf '#!/bin/sh\necho run\n' >run
chmod 755 run
printf 'a,b\n' >table.txt

status=0
listed=$("$script" --check . 2>/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "--check exited with $status on files without the line"
[ "$(sort <<<"$listed")" = "spdx: run has no SPDX-License-Identifier line
spdx: sub/CMakeLists.txt has no SPDX-License-Identifier line
spdx: sub/lacks.h has no SPDX-License-Identifier line" ] || fail "--check listed: $listed"

"$script" . >/dev/null
[ "$(cat run)" = $'#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later\necho run' ] || fail "run: $(cat run)"
[ -x run ] || fail "run lost its mode"
[ "$(cat sub/lacks.h)" = $'// SPDX-License-Identifier: GPL-3.0-or-later\nint b;' ] || fail "lacks.h: $(cat sub/lacks.h)"
[ "$(head -n 1 sub/CMakeLists.txt)" = "# SPDX-License-Identifier: GPL-3.0-or-later" ] || fail "CMakeLists.txt"
[ "$(cat table.txt)" = "a,b" ] || fail "the data file was changed"
[ "$(grep -c SPDX has.cpp)" -eq 1 ] || fail "has.cpp got a second line"

"$script" --check . >/dev/null || fail "--check fails after the script ran"
[ "$("$script" .)" = "spdx: added the line to 0 of 4 source files" ] || fail "a second run changed files"
echo "spdx-headers: check and add behave"
