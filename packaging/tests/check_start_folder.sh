#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: check_start_folder.sh PROGRAM WORK_DIR
# Starts PROGRAM in a folder that holds a junk file in place of every library it
# needs, as a stick with someone else's files might, and requires its window to
# appear on a virtual X display: the program must load its libraries from the
# system, never from the folder it works on.
# Exit code 77 tells ctest that Xvfb or xwininfo is not installed.
set -eu
program=$1
work=$2
case $program in /*) ;; *) program=$(pwd)/$program ;; esac
deadline_s=60

for tool in Xvfb xwininfo readelf; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "$tool is missing (apt-get install xvfb x11-utils binutils)"
    exit 77
  }
done

rm -rf "$work"
mkdir -p "$work/stick"
for library in libQt6Core.so.6 $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
  echo "not a library" >"$work/stick/$library"
done

xvfb_pid=
program_pid=
stop() {
  for pid in $program_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT

past_deadline() {
  [ "$(date +%s)" -ge "$deadline" ]
}
deadline=$(($(date +%s) + deadline_s))

# The server picks a free display and writes its number to fd 3, so tests and
# builds side by side never race for one. Without -noreset it would reset whenever
# its last client leaves, as each xwininfo below does, and drop a program that is
# connecting just then.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 640x480x24 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
until grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; do
  if ! kill -0 "$xvfb_pid" 2>/dev/null || past_deadline; then
    cat "$work/xvfb.log"
    echo "Xvfb did not start"
    exit 1
  fi
  sleep 0.1
done
display=:$(cat "$work/display")

(cd "$work/stick" && DISPLAY=$display QT_QPA_PLATFORM=xcb exec "$program") \
  >"$work/program.log" 2>&1 &
program_pid=$!

# The window shows the title "Vantrel"; xwininfo also lists windows not yet mapped.
viewable_window() {
  for id in $(xwininfo -display "$display" -root -tree 2>/dev/null |
    sed -n 's/^ *\(0x[0-9a-f]*\) "Vantrel": .*/\1/p'); do
    xwininfo -display "$display" -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
      return 0
  done
  return 1
}

until viewable_window; do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    status=0
    wait "$program_pid" || status=$?
    program_pid=
    cat "$work/program.log"
    echo "the program ended with exit code $status before its window appeared"
    exit 1
  fi
  if past_deadline; then
    cat "$work/program.log"
    echo "no window after ${deadline_s} s"
    exit 1
  fi
  sleep 0.2
done
echo "the window appeared on $display with junk libraries in the start folder"
