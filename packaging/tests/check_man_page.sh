#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_man_page.sh PAGE PROGRAM
# The manual page formats without a warning, has the usual sections, and documents
# every option that PROGRAM --help lists. Exit code 77: man is not installed (man-db).
set -eu
page=$1
program=$2
command -v man >/dev/null 2>&1 || {
  echo "man is missing (apt-get install man-db)"
  exit 77
}

fail=0
# The same call lintian makes, so both see the same warnings.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "$warnings"
  fail=1
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do
  grep -qx "\.SH \"\{0,1\}$section\"\{0,1\}" "$page" || {
    echo "no section $section"
    fail=1
  }
done
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  escaped=$(echo "$option" | sed 's/-/\\\\-/g')
  grep -q -- "$escaped" "$page" || {
    echo "$option is not documented"
    fail=1
  }
done
exit $fail
