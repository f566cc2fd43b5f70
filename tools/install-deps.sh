#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Tevra needs to build and run it, and with --test also those the
# tests, the linters and the fuzzers need; nothing when all are present. Works on Debian 12 and
# Ubuntu; uses sudo when not run as root.
# Usage: tools/install-deps.sh [--test]
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  # Qt TextToSpeech's CMake files look for QmlIntegration, which qt6-declarative-dev brings.
  qt6-multimedia-dev qt6-speech-dev qt6-declarative-dev
  fonts-liberation
  libswe-dev swe-basic-data swe-standard-data
  libgphoto2-dev
  cmark-gfm
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev
  clang-format clang-tidy
  clang libclang-rt-14-dev
  locales
  stellarium-data
  desktop-file-utils appstream groff-base lintian
  xvfb dbus at-spi2-core python3-pyatspi
)
testing=false
if [ "${1:-}" = "--test" ]; then
  testing=true
  PACKAGES+=("${TEST_PACKAGES[@]}")
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run the time routines under a German locale (decimal comma).
if $testing && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating the de_DE.UTF-8 locale"
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
