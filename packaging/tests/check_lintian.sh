#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_lintian.sh CPACK BUILD_DIR WORK_DIR VERSION
# Builds the Debian package and runs Debian's lintian on it: any error or warning
# fails. Exit code 77 tells ctest that lintian or the packaging tools are missing.
set -eu
command -v lintian >/dev/null 2>&1 || {
  echo "lintian is missing (apt-get install lintian)"
  exit 77
}
deb=$(sh "$(dirname "$0")/make_deb.sh" "$@") || exit $?
# Infos are shown, for the log, but do not fail.
lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no error, no warning"
