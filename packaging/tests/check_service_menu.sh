#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_service_menu.sh FILE.desktop
# desktop-file-validate does not know the service-menu format of KDE's file manager,
# so this checks the keys it reads: an entry on folders that starts Vantrel on the
# folder, with an English and a German caption.
set -eu
menu=$1

# Prints the value of KEY in the group [GROUP].
value() {
  awk -v group="[$1]" -v key="$2" '
    /^\[/ { inside = ($0 == group); next }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$menu"
}

fail=0
expect() {
  actual=$(value "$1" "$2")
  [ "$actual" = "$3" ] || { echo "[$1] $2 is '$actual', expected '$3'"; fail=1; }
}
expect 'Desktop Entry' Type Service
case ";$(value 'Desktop Entry' MimeType)" in
  *';inode/directory;'*) ;;
  *) echo "[Desktop Entry] MimeType lacks inode/directory;"; fail=1 ;;
esac
actions=$(value 'Desktop Entry' Actions | tr ';' ' ')
[ -n "$actions" ] || { echo "[Desktop Entry] names no Actions"; fail=1; }
for action in $actions; do
  grep -qxF "[Desktop Action $action]" "$menu" || {
    echo "action $action has no [Desktop Action $action] group"
    fail=1
    continue
  }
  [ -n "$(value "Desktop Action $action" Name)" ] || { echo "action $action has no Name"; fail=1; }
  expect "Desktop Action $action" 'Name[de]' 'Mit Vantrel mischen'
  expect "Desktop Action $action" Exec 'vantrel %f'
  expect "Desktop Action $action" Icon vantrel
done
exit $fail
