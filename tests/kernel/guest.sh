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

# proofs LABEL BINARY FILTER [VAR=VALUE...]: one test binary, counted.
proofs() {
  local label=$1 binary=$2 filter=$3 log="$out/$1.log"
  shift 3
  local started=$SECONDS
  env "$@" "$build/tests/proof/$binary" --gtest_filter="$filter" >"$log" 2>&1
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

stick_proofs="Spellings/FatCaseClashTest.*:Filters/FatShuffleTest.*"
order_proofs="Formats/FatOrderAfterRunTest.*:KillPoints/FatOrderAfterKillTest.*"
slow="NONE"
# The thousand-file rows and the tightest second run take minutes under TCG.
[ "$VANTREL_KERNEL_FULL" = 1 ] || slow="*Thousand*:*ASecondRun*"
lsmod >"$out/lsmod.log"
proofs vfat32-exfat proof_tests "$stick_proofs-$slow" VANTREL_STICK_FAT=32
proofs vfat16 proof_tests "$stick_proofs-$slow:*/Exfat*" VANTREL_STICK_FAT=16
proofs order-vfat32-exfat proof_slow_tests "$order_proofs-$slow" VANTREL_STICK_FAT=32
proofs order-vfat16 proof_slow_tests "$order_proofs-$slow:*/Exfat*" VANTREL_STICK_FAT=16
dmesg >"$out/dmesg.log"
