#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_install.sh CMAKE BUILD_DIR WORK_DIR VERSION
# Installs the build into a fresh prefix under WORK_DIR and checks that a desktop
# finds everything it needs there: program, menu entry, icons and AppStream data.
set -eu
cmake=$1
build=$2
work=$3
version=$4
prefix=$work/prefix

rm -rf "$work"
mkdir -p "$work"
# A DESTDIR inherited from the caller's shell would send the files elsewhere.
if ! env -u DESTDIR "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  exit 1
fi

fail=0
problem() {
  echo "$*"
  fail=1
}

LC_ALL=C sort >"$work/expected" <<'LIST'
bin/vantrel
share/applications/io.github.vantrel.Vantrel.desktop
share/bash-completion/completions/vantrel
share/icons/hicolor/16x16/apps/vantrel.png
share/icons/hicolor/256x256/apps/vantrel.png
share/icons/hicolor/32x32/apps/vantrel.png
share/icons/hicolor/48x48/apps/vantrel.png
share/icons/hicolor/scalable/apps/vantrel.svg
share/doc/vantrel/changelog.gz
share/doc/vantrel/copyright
share/kio/servicemenus/io.github.vantrel.Vantrel.servicemenu.desktop
share/man/man1/vantrel.1.gz
share/metainfo/io.github.vantrel.Vantrel.metainfo.xml
LIST
(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/actual"
# Extra files are faults too: a stray static library or header would end up in the package.
if ! diff -u "$work/expected" "$work/actual"; then
  problem "installed files differ from the list above (- missing, + unexpected)"
fi

[ -x "$prefix/bin/vantrel" ] || problem "bin/vantrel is not executable"
# An installed program loads no library from the build folder or the current one.
paths_status=0
sh "$(dirname "$0")/check_library_paths.sh" "$prefix" "$build" || paths_status=$?
[ "$paths_status" = 0 ] || [ "$paths_status" = 77 ] ||
  problem "installed programs have unsafe library search paths"
if command -v strings >/dev/null 2>&1 && [ -f "$prefix/bin/vantrel" ]; then
  # The program reports its version through Qt (setApplicationVersion); the text may
  # be stored as 8-bit or as UTF-16 (QStringLiteral).
  if ! { strings -a "$prefix/bin/vantrel"; strings -a -e l "$prefix/bin/vantrel"; } |
    grep -qxF "$version"; then
    problem "bin/vantrel does not carry the version text $version"
  fi
fi

# Theme lookups trust the folder name, so a PNG of the wrong size shows up blurred.
for size in 16 32 48 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/vantrel.png
  [ -f "$png" ] || continue
  # shellcheck disable=SC2046  # splitting the byte values into $1..$24 is the point
  set -- $(od -An -tu1 -N24 "$png")
  if [ "$#" -lt 24 ] || [ "$2 $3 $4" != "80 78 71" ]; then
    problem "$png is not a PNG file"
    continue
  fi
  shift 16
  width=$(($1 * 16777216 + $2 * 65536 + $3 * 256 + $4))
  height=$(($5 * 16777216 + $6 * 65536 + $7 * 256 + $8))
  if [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
    problem "$png is ${width}x${height}, expected ${size}x${size}"
  fi
done
svg=$prefix/share/icons/hicolor/scalable/apps/vantrel.svg
[ ! -f "$svg" ] || grep -q '<svg' "$svg" || problem "$svg is not an SVG file"

# The menu entry must point at files that this install actually provides.
desktop=$prefix/share/applications/io.github.vantrel.Vantrel.desktop
if [ -f "$desktop" ]; then
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  icon_name=$(sed -n 's/^Icon=//p' "$desktop")
  [ -x "$prefix/bin/$exec_name" ] || problem "Exec=$exec_name is not installed in bin/"
  for size in scalable 16x16 32x32 48x48 256x256; do
    ls "$prefix/share/icons/hicolor/$size/apps/$icon_name".* >/dev/null 2>&1 ||
      problem "Icon=$icon_name has no $size icon"
  done
fi

# The shell completion offers every option that --help lists.
completion=$prefix/share/bash-completion/completions/vantrel
if [ -f "$completion" ] && [ -x "$prefix/bin/vantrel" ]; then
  for option in $("$prefix/bin/vantrel" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    # shellcheck disable=SC2016  # expanded by the inner shell
    offered=$(bash -c '. "$1"; COMP_WORDS=(vantrel "$2"); COMP_CWORD=1; _vantrel
      printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$option")
    echo "$offered" | grep -qx -- "$option" || problem "the completion does not offer $option"
  done
fi

metainfo=$prefix/share/metainfo/io.github.vantrel.Vantrel.metainfo.xml
if [ -f "$metainfo" ]; then
  grep -qF "<release version=\"$version\"" "$metainfo" ||
    problem "installed metainfo does not name release $version"
  if command -v appstreamcli >/dev/null 2>&1; then
    # Checks the metainfo together with the desktop entry it launches.
    appstreamcli validate-tree --no-net "$prefix" || problem "appstreamcli validate-tree failed"
  fi
fi
exit $fail
