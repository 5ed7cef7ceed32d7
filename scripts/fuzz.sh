#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan, and runs
# each for a bounded time from its seed corpus in tests/fuzz_corpus/. A crash, a
# sanitizer report, a broken property or a hang (an input slower than the
# timeout) fails the script; the input is kept under build-fuzz/artifacts/.
#   FUZZ_SECONDS   time per target (default 20)
#   FUZZ_SEED      libFuzzer seed (default 1, so that CI runs are repeatable)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
build=build-fuzz
targets=(wildcard_fuzz number_fuzz name_drawing_fuzz)

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTREL_FUZZ=ON -DVANTREL_SANITIZE=ON -DVANTREL_WERROR=ON -DVANTREL_WINDOW=OFF \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

mkdir -p "$build/artifacts"
summary=()
status=0
for target in "${targets[@]}"; do
  seeds=tests/fuzz_corpus/$target
  # New inputs go to a scratch corpus, so the seeds in the tree stay as they are.
  work=$build/corpus/$target
  mkdir -p "$work"
  log=$build/$target.log
  echo "== $target for ${seconds}s"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$build/fuzz/$target" "$work" "$seeds" -max_total_time="$seconds" -timeout=5 \
       -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -seed="${FUZZ_SEED:-1}" \
       -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1; then
    runs=$(grep -Eo 'Done [0-9]+ runs' "$log" | tail -1 | grep -Eo '[0-9]+' || echo "?")
    summary+=("$target: $runs executions, no failure")
  else
    status=1
    summary+=("$target: FAILED (see $log)")
    tail -n 40 "$log"
  fi
done

echo "== fuzzing summary"
printf '  %s\n' "${summary[@]}"
exit $status
