#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs in the virtual machine, chrooted into the host's root: the stick proofs with
# sticks that the kernel's vfat and exfat drivers mount. Each run adds its counts
# to /tmp/out/passed and /tmp/out/failed for the host to add up.
set -uo pipefail
out=/tmp/out
build=$VANTREL_BUILD
export TMPDIR=/tmp HOME=/tmp QT_QPA_PLATFORM=offscreen VANTREL_STICK_DRIVER=kernel
modprobe -a loop vfat exfat nls_utf8 nls_ascii nls_cp437 nls_iso8859-1 dm_mod || exit 1

# tests LABEL BINARY FILTER [VAR=VALUE...]: one test binary, counted.
tests() {
  local label=$1 binary=$2 filter=$3 log="$out/$1.log"
  shift 3
  local started=$SECONDS
  env "$@" "$build/tests/$binary" --gtest_filter="$filter" >"$log" 2>&1
  local passed failed skipped
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log")
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log")
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below.*/\1/p' "$log")
  [ -n "$passed" ] || failed=$((${failed:-0} + 1)) # crashed or hung up
  echo "${passed:-0}" >>"$out/passed"
  # A stick proof that skips proves nothing; the suites and the window skip, row by
  # row with the reason, what a stick cannot hold (links, bytes that are not UTF-8).
  if [ "${SKIPS_EXPECTED:-0}" = 1 ]; then
    echo "${failed:-0}" >>"$out/failed"
    echo "${skipped:-0}" >>"$out/skipped"
  else
    echo "$((${failed:-0} + ${skipped:-0}))" >>"$out/failed"
  fi
  echo "$label: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped" \
    "($((SECONDS - started)) s)"
  if [ -n "$failed" ] || [ -n "$skipped" ] || [ -z "$passed" ]; then
    grep -E '^\[  (FAILED|SKIPPED) |Failure|Skipped|Expected|Which is|Value of' "$log" | head -40
  fi
}


# stick TYPE FAT_BITS NAME: a 256 MiB stick mounted at /tmp/NAME as a desktop would,
# but without "flush", which makes creating a file cost a tenth of a second.
stick() {
  local image=/tmp/$3.img
  truncate -s 256M "$image"
  if [ "$1" = vfat ]; then
    mkfs.vfat -F "$2" "$image" >/dev/null
    options=shortname=mixed,utf8,showexec
  else
    mkfs.exfat "$image" >/dev/null
    options=iocharset=utf8,errors=remount-ro
  fi
  mkdir -p "/tmp/$3"
  mount -t "$1" -o "loop,uid=0,gid=0,$options" "$image" "/tmp/$3"
}

phase_proofs() {
  local proofs="Spellings/FatCaseClashTest.*:Filters/FatShuffleTest.*:Faults/BadStickTest.*"
  local order="Formats/FatOrderAfterRunTest.*:KillPoints/FatOrderAfterKillTest.*"
  local slow="NONE"
  # The thousand-file rows and the tightest second run take minutes under TCG.
  [ "$VANTREL_KERNEL_FULL" = 1 ] || slow="*Thousand*:*ASecondRun*"
  tests vfat32-exfat proof/proof_tests "$proofs-$slow" VANTREL_STICK_FAT=32
  tests vfat16 proof/proof_tests "$proofs-$slow:*/Exfat*" VANTREL_STICK_FAT=16
  tests order-vfat32-exfat proof/proof_slow_tests "$order-$slow" VANTREL_STICK_FAT=32
  tests order-vfat16 proof/proof_slow_tests "$order-$slow:*/Exfat*" VANTREL_STICK_FAT=16
}

# The unit suites with their temporary folders on a stick: what they assume of a
# file system that a stick does not give shows here.
phase_suites() {
  # The concurrent writers take a quarter of an hour a row on a stick.
  local sticks="Spellings/*:Filters/*:Formats/*:KillPoints/*:Faults/*:*ConcurrentWriters*"
  for kind in "vfat 32" "exfat 0"; do
    set -- $kind
    stick "$1" "$2" "suites-$1" || return
    for binary in runtime_tests engine_tests proof/proof_tests; do
      SKIPS_EXPECTED=1 tests "$1-${binary#proof/}" "$binary" "*-$sticks" TMPDIR="/tmp/suites-$1"
    done
    umount "/tmp/suites-$1"
  done
}

# verdict LABEL CONDITION...: a check of a by-hand phase, counted like a test.
verdict() {
  local label=$1
  shift
  if "$@"; then
    echo 1 >>"$out/passed"
    echo "$label: passed"
  else
    echo 1 >>"$out/failed"
    echo "$label: FAILED"
  fi
}

# Every content of the 1000 songs on the stick at /tmp/pulled, counted over every
# file there, the holding folder's and what fsck saved as well: "distinct doubled".
count_songs() {
  find /tmp/pulled -type f -exec cat {} + | tr -d '\000' | grep '^Lied ' | sort | uniq -c |
    awk '{ n++; if ($1 > 1) d++ } END { print n + 0, d + 0 }'
}

# The stick pulled in the middle of a run: a device-mapper target over the image's
# loop device switches to "error" while a run of 1000 files is in its first pass,
# and again in its second. The run must end with an error naming what failed; after
# the stick is back, fsck -a and a mount, the next run brings the parked files home.
phase_pulled() {
  local pass hold
  for pass in out:256 back:752; do
    hold=${pass#*:} pass=${pass%:*}
    local image=/tmp/pulled.img log="$out/pulled-$pass"
    rm -f "$image" && truncate -s 64M "$image" && mkfs.vfat -F 32 "$image" >/dev/null
    local loop sectors
    loop=$(losetup -f --show "$image")
    sectors=$(blockdev --getsz "$loop")
    # No udev here to make the device's node.
    dmsetup create pulled --table "0 $sectors linear $loop 0" && dmsetup mknodes pulled
    mkdir -p /tmp/pulled /tmp/pulled-state
    # The songs are made before the mount with "flush", where each costs a tenth of a second.
    mount -t vfat -o shortname=mixed,utf8,showexec /dev/mapper/pulled /tmp/pulled || return
    mkdir /tmp/pulled/MUSIK
    for i in $(seq 1 1000); do printf 'Lied %d\n' "$i" >"/tmp/pulled/MUSIK/LIED$(printf %04d "$i").MP3"; done
    umount /tmp/pulled
    mount -t vfat -o shortname=mixed,utf8,showexec,flush /dev/mapper/pulled /tmp/pulled
    rm -f "$log.progress"
    XDG_STATE_HOME=/tmp/pulled-state "$build/tests/proof/shuffle_child" /tmp/pulled/MUSIK 9999 3 \
      "$hold" 3>"$log.progress" 2>"$log.error" &
    local child=$!
    until [ "$(tail -n 1 "$log.progress" 2>/dev/null)" = "$hold" ] || ! kill -0 "$child" 2>/dev/null; do
      sleep 0.2
    done
    dmsetup suspend pulled
    dmsetup load pulled --table "0 $sectors error"
    dmsetup resume pulled
    # A stick that is pulled takes the kernel's cached copy of its blocks with it.
    echo 3 >/proc/sys/vm/drop_caches
    kill -USR1 "$child"
    local waited=0
    while kill -0 "$child" 2>/dev/null && [ "$waited" -lt 600 ]; do sleep 1; waited=$((waited + 1)); done
    kill -0 "$child" 2>/dev/null && kill -9 "$child"
    local status=0
    wait "$child" || status=$?
    echo "pulled in the $pass pass at step $hold: exit $status after $waited s, the run said:"
    sed 's/^/  /' "$log.error"
    verdict "pulled-$pass-error-named" grep -q '^Grund: .*errno' "$log.error"
    verdict "pulled-$pass-no-hang" [ "$waited" -lt 600 -a "$status" -eq 1 ]
    umount /tmp/pulled 2>/dev/null || umount -l /tmp/pulled
    dmsetup suspend pulled
    dmsetup load pulled --table "0 $sectors linear $loop 0"
    dmsetup resume pulled
    echo "fsck.vfat -a:"
    fsck.vfat -a /dev/mapper/pulled 2>&1 | sed 's/^/  /'
    mount -t vfat -o shortname=mixed,utf8,showexec,flush /dev/mapper/pulled /tmp/pulled
    local held counts
    held=$(ls /tmp/pulled/MUSIK/Vantrel-Zwischenablage 2>/dev/null | wc -l)
    counts=$(count_songs)
    echo "after fsck: $(ls /tmp/pulled/MUSIK | wc -l) entries in MUSIK, $held parked;" \
      "contents distinct, doubled: $counts"
    XDG_STATE_HOME=/tmp/pulled-state "$build/tests/proof/shuffle_child" /tmp/pulled/MUSIK 9999 3 \
      100000 3>/dev/null 2>"$log.next"
    status=$?
    sed 's/^/  /' "$log.next"
    held=$(ls /tmp/pulled/MUSIK/Vantrel-Zwischenablage 2>/dev/null | wc -l)
    counts=$(count_songs)
    echo "after the next run (exit $status): $(ls /tmp/pulled/MUSIK | wc -l) entries in MUSIK," \
      "$held parked; contents distinct, doubled: $counts"
    verdict "pulled-$pass-next-run" [ "$status" -eq 0 -a "$held" -eq 0 ]
    verdict "pulled-$pass-every-content" [ "${counts% *}" -eq 1000 ]
    umount /tmp/pulled
    echo "fsck.vfat -n afterwards:"
    fsck.vfat -n /dev/mapper/pulled 2>&1 | sed 's/^/  /'
    dmsetup remove pulled
    losetup -d "$loop"
  done
}

# The window on a kernel vfat mount: Form1 opens folders there, runs, undoes, and
# brings home what a cut-short run left, through the real driver.
phase_window() {
  stick vfat 32 window || return
  SKIPS_EXPECTED=1 tests window-vfat32 window_tests 'Form1*:Cases/Form1*:Ranges/*:Ways/*' TMPDIR=/tmp/window
  # The program itself: on start it brings home what a cut-short run left; a run and
  # its undo from the terminal go through the same driver.
  local real=/tmp/window/real vantrel=$build/window/vantrel
  mkdir -p "$real/Vantrel-Zwischenablage"
  for i in 1 2 3; do echo "Lied $i" >"$real/LIED$i.MP3"; done
  mv "$real/LIED3.MP3" "$real/Vantrel-Zwischenablage/"
  export XDG_STATE_HOME=/tmp/window/state
  QT_QPA_PLATFORM=offscreen "$vantrel" "$real" >"$out/vantrel.log" 2>&1 &
  local window=$! waited=0
  while [ -e "$real/Vantrel-Zwischenablage" ] && [ "$waited" -lt 120 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  verdict "vantrel-start-brings-home" [ -e "$real/LIED3.MP3" -a ! -e "$real/Vantrel-Zwischenablage" ]
  kill "$window"
  wait "$window" 2>/dev/null
  "$vantrel" --shuffle --filter '*.MP3' --prefix Lied --range 99 "$real"
  verdict "vantrel-shuffle" [ $? -eq 0 -a ! -e "$real/LIED1.MP3" ]
  "$vantrel" --undo "$real"
  verdict "vantrel-undo" [ $? -eq 0 -a -e "$real/LIED1.MP3" -a -e "$real/LIED3.MP3" ]
  unset XDG_STATE_HOME
  umount /tmp/window
}

# The stick benchmark, per driver: two passes against one rename per file.
phase_bench() {
  local kind files
  for kind in "vfat 32" "exfat 0"; do
    set -- $kind
    stick "$1" "$2" "bench-$1" || return
    for files in 300 3000; do
      echo "bench $1 $files files:"
      "$build/bench/shuffle_bench" "/tmp/bench-$1" "$files" 2>&1 | sed 's/^/  /'
    done
    umount "/tmp/bench-$1"
  done
}

phases=${VANTREL_KERNEL_PHASES:-proofs}
[ "$VANTREL_KERNEL_FULL" = 1 ] && phases=${VANTREL_KERNEL_PHASES:-proofs suites pulled window bench}
for phase in $phases; do "phase_$phase"; done
dmesg >"$out/dmesg.log"
