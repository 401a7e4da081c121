#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. the whole program and its tests (build/), then each benchmark once;
#   2. platform and kernels tests under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/);
#   3. the threaded kernels tests under ThreadSanitizer (build-tsan/);
#   4. every fuzz target of fuzz/ for a short time (build-fuzz/, scripts/fuzz.sh).
# Any failure, including a sanitizer finding, exits non-zero.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${NJ_JOBS:-$(nproc)}"
export QT_QPA_PLATFORM=offscreen

bash "$root/scripts/install-deps.sh"

passed=0
failed=0
# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
  local dir="$1"; shift
  local log
  log="$(mktemp)"
  local rc=0
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log" || rc=1
  local line total nfail
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)"
  if [ -n "$line" ]; then
    nfail="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")"
    total="$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")"
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
  fi
  rm -f "$log"
  if [ "$rc" -ne 0 ]; then
    echo "$passed passed, $((failed > 0 ? failed : 1)) failed"
    exit 1
  fi
}

echo "== build"
bash "$root/scripts/build.sh" "$root/build"
echo "== tests"
run_ctest "$root/build" --timeout 300

echo "== benchmarks (one short pass each, so they cannot rot)"
for b in "$root"/build/bench/bench_*; do
  [ -x "$b" ] || continue
  "$b" --benchmark_min_time=0.01 >/dev/null
  echo "ran $(basename "$b")"
done

echo "== address and undefined-behaviour sanitizers"
bash "$root/scripts/build.sh" "$root/build-asan" -DNJ_SANITIZE=address -DNJ_LOW_LAYERS_ONLY=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_ctest "$root/build-asan" --timeout 600

echo "== thread sanitizer"
bash "$root/scripts/build.sh" "$root/build-tsan" -DNJ_SANITIZE=thread -DNJ_LOW_LAYERS_ONLY=ON
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
run_ctest "$root/build-tsan" --timeout 600 -R 'Thread|Pool'

echo "== fuzz targets"
bash "$root/scripts/fuzz.sh"

echo "$passed passed, $failed failed"
