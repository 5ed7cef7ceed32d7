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
  echo "$((${failed:-0} + ${skipped:-0}))" >>"$out/failed"
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
  local proofs="Spellings/FatCaseClashTest.*:Filters/FatShuffleTest.*"
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
  local sticks="Spellings/*:Filters/*:Formats/*:KillPoints/*:*ConcurrentWriters*"
  for kind in "vfat 32" "exfat 0"; do
    set -- $kind
    stick "$1" "$2" "suites-$1" || return
    for binary in runtime_tests engine_tests proof/proof_tests; do
      tests "$1-${binary#proof/}" "$binary" "*-$sticks" TMPDIR="/tmp/suites-$1"
    done
    umount "/tmp/suites-$1"
  done
}

phases=${VANTREL_KERNEL_PHASES:-proofs}
[ "$VANTREL_KERNEL_FULL" = 1 ] && phases=${VANTREL_KERNEL_PHASES:-proofs suites}
for phase in $phases; do "phase_$phase"; done
dmesg >"$out/dmesg.log"
