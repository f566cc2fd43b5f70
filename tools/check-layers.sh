#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file includes a file from a folder above its own. The folders stand in layers, each
# including only from its own layer and those below:
#   0 timing grid   1 state   2 camera exposure   3 run   4 windows   5 shell   6 tools
# Usage: tools/check-layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
declare -A layer=([timing]=0 [grid]=0 [state]=1 [camera]=2 [exposure]=2 [run]=3 [windows]=4 [shell]=5 [tools]=6)
up=0
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest%%:*}
  target=$(sed -E 's/^[^"]*"([^/"]+)\/.*/\1/' <<<"${rest#*:}")
  own=${file%%/*}
  if [ -n "${layer[$target]:-}" ] && [ "${layer[$target]}" -gt "${layer[$own]}" ]; then
    echo "$file:$line: includes from $target/, a layer above $own/" >&2
    up=$((up + 1))
  fi
done < <(git ls-files -- "${!layer[@]}" | grep -E '\.(h|cpp|in)$' | xargs grep -nE '^\s*#\s*include\s+"[^/"]+/' || true)
if [ "$up" -gt 0 ]; then
  echo "check-layers: $up include(s) go up" >&2
  exit 1
fi
echo "check-layers: every include goes down or stays in its layer"
