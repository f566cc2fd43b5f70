#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a configured build folder and checks it: its files against
# tools/package-files.txt, its copyright file, lintian (an error fails, warnings are shown), its
# dependencies (computed from the binaries, and installable here), and the programs unpacked into
# BUILD_DIR/package/root, which tools/smoke-test.sh then starts.
# Usage: tools/package.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="$build/package"
fail() {
  echo "package: $*" >&2
  exit 1
}

cmake --build "$build"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$build/cpack.log" 2>&1 || {
  cat "$build/cpack.log" >&2
  fail "cpack failed"
}
debs=("$out"/tevra_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one tevra_*.deb in $out"
deb="${debs[0]}"
version=$(dpkg-deb --field "$deb" Version)
depends=$(dpkg-deb --field "$deb" Depends)
echo "package: $deb"

# The files, as the package lists them (folders left out).
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e '/\/$/d' | sort)
if ! diff -u tools/package-files.txt - <<<"$files"; then
  fail "the package's files differ from tools/package-files.txt (above: - expected, + packaged)"
fi
echo "package: files as listed in tools/package-files.txt ($(wc -l <<<"$files"))"

# The copyright file in the machine-readable format, and no error from lintian.
copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/tevra/copyright) ||
  fail "the package has no /usr/share/doc/tevra/copyright"
[ "$(head -n 1 <<<"$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "/usr/share/doc/tevra/copyright is not in the machine-readable format"
command -v lintian >/dev/null || fail "lintian is missing (tools/install-deps.sh --test)"
lintian_status=0
lintian --fail-on error "$deb" >"$build/lintian.log" 2>&1 || lintian_status=$?
cat "$build/lintian.log"
[ "$lintian_status" -eq 0 ] || fail "lintian found errors in the package (E: above)"
echo "package: lintian finds no error ($(grep -c '^W: ' "$build/lintian.log" || true) warnings)"

# Dependencies: the libraries the binaries link, found by dpkg-shlibdeps, and what the program
# loads without linking. No development package, and all of them to be had here.
echo "Depends: $depends"
names=$(sed -e 's/([^)]*)//g' -e 's/[|,]/\n/g' <<<"$depends" | tr -d ' ')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libgphoto2-6 libswe2.0 \
  qt6-qpa-plugins fonts-liberation swe-basic-data; do
  grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed"
done
if grep -q -- '-dev$' <<<"$names"; then
  fail "Depends names a development package"
fi
apt-get install --simulate --no-install-recommends "./$deb" >"$build/apt-simulate.log" 2>&1 || {
  cat "$build/apt-simulate.log" >&2
  fail "apt cannot install the package's dependencies"
}
echo "package: apt can install it"

# The unpacked programs run from their scratch folder.
root="$out/root"
dpkg-deb -x "$deb" "$root"
cli="$root/usr/bin/tevra-cli"
cli_version=$("$cli" --version)
[ "$(head -n 1 <<<"$cli_version")" = "tevra-cli $version" ] || fail "the unpacked tevra-cli --version does not say $version"
grep -q "(GPL-3.0-or-later)" <<<"$cli_version" || fail "the unpacked tevra-cli --version does not name its licence"
contacts=$("$cli" contacts 1)
echo "$contacts"
grep -q $'^Label_Datum\t2001-01-09$' <<<"$contacts" || fail "tevra-cli contacts 1 does not show 2001-01-09"
[ "$(grep -c $'^P1\t\|^U1\t\|^U2\t\|^Mx\t\|^U3\t\|^U4\t\|^P4\t' <<<"$contacts")" -eq 7 ] ||
  fail "tevra-cli contacts 1 does not show the seven contacts"
"$cli" about "$root/usr/bin/tevra" | grep -q $'^FileVersion *\t'"$version"'$' ||
  fail "the packaged tevra lost its version record"
zcat "$root/usr/share/man/man1/tevra-cli.1.gz" | groff -man -ww -z 2>&1 | { ! grep .; } ||
  fail "the packaged manual page does not render cleanly"
echo "package: unpacked into $root; tevra-cli runs from there"
