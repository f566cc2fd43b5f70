#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file the project's licence line, "SPDX-License-Identifier: GPL-3.0-or-later",
# as a comment on its first line (on its second after a "#!" line). With --check it changes nothing,
# lists the files without the line and exits with 1 when there is one.
# Source files: C++ (*.cpp, *.h and their *.in templates), scripts (*.sh, *.py, any file opening
# with "#!"), CMake (CMakeLists.txt, *.cmake) and style sheets (*.css). Data files (tables, corpora,
# pictures, the desktop's files, the manual page) are left alone, and a file that already names a
# licence in an SPDX line keeps it. Generators write the line themselves.
# Usage: tools/spdx-headers.sh [--check] [FOLDER]     (default: the project's root)
set -euo pipefail
readonly Identifier="SPDX-License-Identifier: GPL-3.0-or-later"

check=false
if [ "${1:-}" = "--check" ]; then
  check=true
  shift
fi
root=$(cd "${1:-$(dirname "$0")/..}" && pwd -P)
cd "$root"

# The files of a git work tree are those git knows or would add (not the ignored build folders);
# any other folder is taken whole.
listFiles() {
  if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
    git ls-files -z --cached --others --exclude-standard
  else
    find . -path ./.git -prune -o -type f -printf '%P\0'
  fi
}

# The comment that carries the line in FILE, empty when FILE is not a source file.
commentOf() {
  case "$1" in
    *.cpp | *.h | *.cpp.in | *.h.in) echo "// $Identifier" ;;
    *.css) echo "/* $Identifier */" ;;
    *.sh | *.py | *.cmake | *.cmake.in | CMakeLists.txt | */CMakeLists.txt) echo "# $Identifier" ;;
    *) if [ "$(head -c 2 "$1")" = "#!" ]; then echo "# $Identifier"; fi ;;
  esac
}

missing=0
checked=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue # deleted but not yet committed
  comment=$(commentOf "$file")
  [ -n "$comment" ] || continue
  checked=$((checked + 1))
  if head -n 2 "$file" | grep -qE '^(#|//|/\*) SPDX-License-Identifier: '; then
    continue
  fi
  missing=$((missing + 1))
  if $check; then
    echo "spdx: $file has no SPDX-License-Identifier line"
    continue
  fi
  # Written beside the file and renamed over it, with the file's mode.
  updated=$(mktemp "$file.XXXXXX")
  awk -v line="$comment" 'NR == 1 && /^#!/ { print; print line; next }
                          NR == 1 { print line }
                          { print }
                          END { if (NR == 0) print line }' "$file" >"$updated"
  chmod --reference="$file" "$updated"
  mv "$updated" "$file"
done < <(listFiles)

if $check; then
  if [ "$missing" -gt 0 ]; then
    echo "spdx: $missing of $checked source files lack the line (tools/spdx-headers.sh adds it)" >&2
    exit 1
  fi
  echo "spdx: every source file has its SPDX line ($checked files)"
else
  echo "spdx: added the line to $missing of $checked source files"
fi
