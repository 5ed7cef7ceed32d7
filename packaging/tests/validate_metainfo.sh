#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: validate_metainfo.sh FILE.metainfo.xml VERSION
# Exit code 77 tells ctest the validator is not installed (Debian: appstream).
set -eu
metainfo=$1
version=$2
command -v appstreamcli >/dev/null 2>&1 || {
  echo "appstreamcli is missing (apt-get install appstream)"
  exit 77
}
# --no-net: the screenshot URL is checked for its form only, as the test machines may
# be offline. Errors and warnings fail; infos and pedantic hints do not.
appstreamcli validate --no-net --explain "$metainfo"

fail=0
expect() {
  grep -qF "$1" "$metainfo" || { echo "$metainfo lacks: $1"; fail=1; }
}
expect "<release version=\"$version\""
expect '<launchable type="desktop-id">io.github.vantrel.Vantrel.desktop</launchable>'
expect '<screenshot type="default">'
expect '<project_license>GPL-3.0-or-later</project_license>'
grep -q '<image>https://[^<]*\.png</image>' "$metainfo" || {
  echo "$metainfo lacks a screenshot image URL"
  fail=1
}
exit $fail
