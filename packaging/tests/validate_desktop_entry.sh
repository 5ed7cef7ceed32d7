#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: validate_desktop_entry.sh FILE.desktop
# Exit code 77 tells ctest the validator is not installed (Debian: desktop-file-utils).
set -eu
desktop=$1
command -v desktop-file-validate >/dev/null 2>&1 || {
  echo "desktop-file-validate is missing (apt-get install desktop-file-utils)"
  exit 77
}
# The validator exits 0 on mere hints, so any output at all counts as a finding.
report=$(desktop-file-validate "$desktop" 2>&1) || { echo "$report"; exit 1; }
if [ -n "$report" ]; then
  echo "$report"
  exit 1
fi

fail=0
expect() {
  grep -qx "$1" "$desktop" || { echo "missing line in $desktop: $1"; fail=1; }
}
# Menus, launchers and the icon theme look these values up verbatim.
expect 'Type=Application'
expect 'Name=Vantrel'
expect 'Exec=vantrel %f'
expect 'Icon=vantrel'
expect 'Categories=Utility;FileTools;'
expect 'Comment=.*'
expect 'Comment\[de\]=.*'
# A MimeType of inode/directory makes some desktops open every folder with Vantrel
# instead of the file manager; the right-click entry comes from the service menu.
if grep -q '^MimeType=' "$desktop"; then
  echo "$desktop must not declare a MimeType"
  fail=1
fi
exit $fail
