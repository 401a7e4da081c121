#!/usr/bin/env bash
# Configures and builds one build folder.
#   scripts/build.sh [DIR] [extra cmake arguments...]
# DIR defaults to build/. Ninja and ccache are used; a second run only rebuilds what changed.
# NJ_JOBS sets the number of compilers run at once (default: one per core).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
else
  cmake "$dir" "$@" >/dev/null
fi
# Qt's generated window headers can go stale in an existing folder when many
# layouts change at once (a merge): regenerate them all when any layout is
# newer than the last generation. ccache makes the rebuild cheap.
stamp="$dir/src/program_autogen/timestamp"
if [ -f "$stamp" ] && [ -n "$(find "$root/src" -name '*.ui' -newer "$stamp" -print -quit)" ]; then
  rm -rf "$dir/src/program_autogen"
fi
cmake --build "$dir" -j "${NJ_JOBS:-$(nproc)}"
