#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_library_paths.sh DIR [FORBIDDEN_DIR]
# Checks the library search paths (RUNPATH and RPATH) of every program under DIR.
# The loader reads an empty or relative entry against the current folder, and Vantrel
# runs in folders full of other people's files: a libc.so.6 placed there would run as
# the user. An entry under FORBIDDEN_DIR (the build folder, for an install) ties the
# program to files that go away.
# Exit code 77 tells ctest that readelf is not installed.
set -eu
dir=$1
forbidden=${2:-}

command -v readelf >/dev/null 2>&1 || {
  echo "readelf is missing (apt-get install binutils)"
  exit 77
}

fail=0
problem() {
  echo "$*"
  fail=1
}

# Prints every unsafe entry of the search path $2, of kind $1 (RUNPATH or RPATH).
unsafe_entries() {
  printf '%s\n' "$2" | tr ':' '\n' | while IFS= read -r entry; do
    case $entry in
      '') echo "  $1 has an empty entry, read as the current folder" ;;
      '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
      /*)
        if [ -n "$forbidden" ]; then
          case $entry/ in "$forbidden"/*) echo "  $1 has $entry, which lies in $forbidden" ;; esac
        fi
        ;;
      *) echo "  $1 has the relative entry $entry, read against the current folder" ;;
    esac
  done
}

list=$(mktemp)
trap 'rm -f "$list"' EXIT
find "$dir" -type f -perm -u+x >"$list"
programs=0
while IFS= read -r file; do
  # Scripts, and files removed since find listed them, are no ELF files.
  dynamic=$(readelf -d "$file" 2>/dev/null) || continue
  programs=$((programs + 1))
  paths=$(printf '%s\n' "$dynamic" | sed -n 's/.*(\(R[UN]*PATH\)).*\[\(.*\)\]$/\1 \2/p')
  [ -n "$paths" ] || continue
  while read -r kind value; do
    echo "$file: $kind [$value]"
    unsafe=$(unsafe_entries "$kind" "$value" | sort -u)
    [ -z "$unsafe" ] || problem "$unsafe"
  done <<EOF
$paths
EOF
done <"$list"
echo "$programs programs under $dir"
[ "$programs" -gt 0 ] || problem "expected at least one program under $dir"
exit $fail
