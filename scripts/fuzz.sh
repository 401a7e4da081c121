#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (build-fuzz/) and runs each one
# for a fixed time from its seed corpus. Any finding (a broken property, a
# crash, a sanitizer report, a time-out) fails the run; the input is saved in
# build-fuzz/findings/.
#   NJ_FUZZ_SECONDS   seconds per target (default 15)
#   NJ_FUZZ_ONLY      run only the targets whose name contains this text
#   NJ_FUZZ_JOBS      targets run at once (default: the number of cores)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build-fuzz"
seconds="${NJ_FUZZ_SECONDS:-15}"
only="${NJ_FUZZ_ONLY:-}"

if [ ! -f "$dir/build.ninja" ]; then
  # -O1 and line tables only: the fuzz build compiles the program layer too,
  # and this keeps it short while reports still name files and lines.
  CC=clang-14 CXX=clang++-14 bash "$root/scripts/build.sh" "$dir" -DNJ_FUZZ=ON \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG"
else
  bash "$root/scripts/build.sh" "$dir"
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
# Targets with windows run offscreen with a private runtime folder.
export QT_QPA_PLATFORM=offscreen
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
mkdir -p "$dir/findings"
# Each target is one process on one core: as many run at once as there are cores.
parallel="${NJ_FUZZ_JOBS:-$(nproc)}"

# Runs one target; its log and its exit status go to files of its own.
run_target() {
  local name="$1"
  local work="$dir/corpus/$name"
  mkdir -p "$work"
  local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0
              -artifact_prefix="$dir/findings/$name-")
  [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  local seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  local rc=0
  "$dir/fuzz/fuzz_$name" "${args[@]}" "$work" "${seeds[@]}" >"$dir/fuzz_$name.log" 2>&1 || rc=$?
  echo "$rc" >"$dir/fuzz_$name.status"
}

names=()
for src in "$root"/fuzz/fuzz_*.cpp; do
  name="$(basename "$src" .cpp)"
  name="${name#fuzz_}"
  [ -z "$only" ] || [[ "$name" == *"$only"* ]] || continue
  names+=("$name")
  rm -f "$dir/fuzz_$name.status"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  echo "== fuzz $name (${seconds} s)"
  run_target "$name" &
done
wait || true

failed=0
for name in "${names[@]}"; do
  if [ "$(cat "$dir/fuzz_$name.status" 2>/dev/null || echo 1)" != 0 ]; then
    tail -n 40 "$dir/fuzz_$name.log"
    echo "fuzz $name: finding saved under $dir/findings/"
    failed=1
  else
    echo "$name: $(grep -E '^Done [0-9]+ runs' "$dir/fuzz_$name.log" || true)"
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "fuzz: ${#names[@]} targets ran without a finding"
