#!/usr/bin/env bash
# Installs what is missing, builds, and starts NightjarPro from the program
# directory build/run (created on first use from resources/programdir;
# files already there, such as the user's settings, are kept). The simulator
# plug-in built with the program is copied into its Plugins folder each time.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build"
progdir="$root/build/run"
mkdir -p "$progdir"
cp -rn "$root/resources/programdir/." "$progdir/" 2>/dev/null || true
# The sky chart's catalogues, converted from the cached Debian data files.
for f in Catalog.dat SAC72.dat Conlines.dat; do
  if [ ! -f "$progdir/$f" ]; then
    "$root/build/skydata/nj-skydata" "$progdir" \
      || echo "run: the sky chart has no catalogues (nj-skydata failed; see scripts/install-deps.sh)" >&2
    break
  fi
done
# The hand pad's spoken prompts, rendered once when espeak-ng is there.
bash "$root/scripts/voice.sh" "$progdir/Sounds"
mkdir -p "$progdir/Plugins"
cp -f "$root"/build/Plugins/NJ_*.so "$progdir/Plugins/"
cd "$progdir"
# The simulated Alpaca telescope (127.0.0.1:11111/0, discovery on 32227) runs
# while the program does, for the ASCOM interface; NJ_NO_ALPACA_SIM=1 skips it.
if [ -z "${NJ_NO_ALPACA_SIM:-}" ]; then
  "$root/build/src/nj-alpaca-sim" 11111 32227 &
  sim=$!
  trap 'kill "$sim" 2>/dev/null || true' EXIT
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting under a virtual X server (xvfb-run)"
  xvfb-run -a "$root/build/src/nightjarpro" "$@"
else
  "$root/build/src/nightjarpro" "$@"
fi
