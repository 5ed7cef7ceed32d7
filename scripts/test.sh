#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and runs every test: a normal build with warnings as errors, the
# proofs on FAT and exFAT sticks 30 times over on a machine kept busy, the stick
# proofs on the kernel's own drivers in a virtual machine, then the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# The FUSE drivers answer from caches that a fast or a slow machine meets at other
# moments; these proofs once passed only at one machine's speed.
echo "== stick proofs 30 times, with stress-ng --cpu $jobs beside them"
stress-ng --cpu "$jobs" --timeout 1800s >/dev/null 2>&1 &
stress=$!
trap 'kill "$stress" 2>/dev/null || true' EXIT
ctest --test-dir build --output-on-failure -j "$jobs" -R 'FatCaseClash|FatShuffle' \
  -E Thousand --repeat until-fail:30
kill "$stress"
wait "$stress" 2>/dev/null || true
trap - EXIT

echo "== stick proofs on the kernel's vfat and exFAT, in a virtual machine"
kernel_started=$SECONDS
bash tests/kernel/run.sh build
echo "kernel stick proofs took $((SECONDS - kernel_started)) s"

echo "== build with AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON \
  -DVANTREL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
# The thousand-file rows spend their minute in the FUSE driver; the build above ran them.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -E Thousand

if [ -f scripts/fuzz.sh ]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh
fi
echo "All tests passed."
