#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: make_deb.sh CPACK BUILD_DIR WORK_DIR VERSION
# Builds the Debian package into a fresh WORK_DIR and prints its path; all else goes
# to standard error. Exit code 77 tells ctest that Debian's packaging tools are missing.
set -eu
cpack=$1
build=$2
work=$3
version=$4

for tool in dpkg dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "$tool is missing (apt-get install dpkg-dev)" >&2
    exit 77
  }
done

rm -rf "$work"
mkdir -p "$work"
# -B keeps CPack's staging and output inside WORK_DIR, so builds side by side
# (plain and sanitizer) never share files.
if ! env -u DESTDIR "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" \
  >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
deb=$work/vantrel_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  cat "$work/cpack.log" >&2
  echo "expected $deb, found:" >&2
  ls "$work" >&2
  exit 1
fi
echo "$deb"
