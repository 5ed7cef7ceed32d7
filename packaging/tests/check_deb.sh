#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_deb.sh CPACK BUILD_DIR WORK_DIR VERSION
# Builds the Debian package into WORK_DIR and checks its file list and control fields.
# Exit code 77 tells ctest that Debian's packaging tools are not installed.
set -eu
cpack=$1
build=$2
work=$3
version=$4

deb=$(sh "$(dirname "$0")/make_deb.sh" "$cpack" "$build" "$work" "$version") || exit $?

fail=0
problem() {
  echo "$*"
  fail=1
}

dpkg-deb --contents "$deb" >"$work/contents"
# mode, owner and path of every file; dpkg-deb prints "./usr/..." paths
awk '$1 !~ /^d/ { print $1, $2, $6 }' "$work/contents" | LC_ALL=C sort -k3 >"$work/actual"
LC_ALL=C sort -k3 >"$work/expected" <<'LIST'
-rwxr-xr-x root/root ./usr/bin/vantrel
-rw-r--r-- root/root ./usr/share/applications/io.github.vantrel.Vantrel.desktop
-rw-r--r-- root/root ./usr/share/bash-completion/completions/vantrel
-rw-r--r-- root/root ./usr/share/icons/hicolor/16x16/apps/vantrel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/vantrel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/vantrel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/256x256/apps/vantrel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/vantrel.svg
-rw-r--r-- root/root ./usr/share/metainfo/io.github.vantrel.Vantrel.metainfo.xml
-rw-r--r-- root/root ./usr/share/doc/vantrel/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/vantrel/copyright
-rw-r--r-- root/root ./usr/share/kio/servicemenus/io.github.vantrel.Vantrel.servicemenu.desktop
-rw-r--r-- root/root ./usr/share/man/man1/vantrel.1.gz
LIST
if ! diff -u "$work/expected" "$work/actual"; then
  problem "package files differ from the list above (- missing or wrong, + unexpected)"
fi

field() {
  dpkg-deb --field "$deb" "$1"
}
[ "$(field Package)" = vantrel ] || problem "Package is '$(field Package)', expected vantrel"
[ "$(field Version)" = "$version" ] || problem "Version is '$(field Version)', expected $version"
[ "$(field Section)" = utils ] || problem "Section is '$(field Section)', expected utils"
[ -n "$(field Maintainer)" ] || problem "Maintainer is empty"
[ -n "$(field Description)" ] || problem "Description is empty"
# debian/changelog is kept by hand; its newest entry must be this version.
newest=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/vantrel/changelog.gz |
  gzip -dc | sed -n '1s/^vantrel (\([^)]*\)).*/\1/p')
[ "$newest" = "$version" ] || problem "the newest changelog entry is '$newest', expected $version"

# Package names only: drop version constraints and split alternatives.
depends=$(field Depends | tr ',|' '\n' | sed 's/(.*)//; s/:any//; s/[[:space:]]//g' | sed '/^$/d')
echo "Depends: $(echo "$depends" | tr '\n' ' ')"
for needed in libc6 libqt6core6 libqt6gui6 libqt6widgets6; do
  echo "$depends" | grep -qx "$needed" || problem "Depends lacks $needed"
done
# Build-time packages pull in compilers and headers for users who only want to run it.
for dev in $(echo "$depends" | grep -E -- '-dev$|^qt6-base-dev' || true); do
  problem "Depends names the build-time package $dev"
done
exit $fail
