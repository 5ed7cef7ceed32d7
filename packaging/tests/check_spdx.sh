#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_spdx.sh SOURCE_DIR
# Every source file, CMake file and script of the tree names its licence at the top:
# on its first line, or on its second after a "#!" line. Build folders (any folder
# with a CMakeCache.txt) and Git data are not part of the tree.
set -eu
source_dir=$1
identifier='SPDX-License-Identifier: GPL-3.0-or-later'

find "$source_dir" -type d \( -name .git -o -exec test -e '{}/CMakeCache.txt' ';' \) -prune \
  -o -type f \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.cmake' \
  -o -name '*.sh' -o -path '*/.ci/run' \) -print | LC_ALL=C sort | {
  fail=0
  count=0
  while IFS= read -r file; do
    count=$((count + 1))
    top=$(sed -n 1p "$file")
    case $top in '#!'*) top=$(sed -n 2p "$file") ;; esac
    case $top in
      *"$identifier"*) ;;
      *) echo "${file#"$source_dir"/} lacks '$identifier' at its top"; fail=1 ;;
    esac
  done
  echo "$count files checked"
  [ "$count" -gt 0 ] || fail=1
  exit $fail
}
