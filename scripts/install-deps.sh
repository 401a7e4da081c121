#!/usr/bin/env bash
# Installs the Debian packages NightjarPro needs to build, run and test.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev
  qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libv4l-dev
  libsqlite3-dev
  xvfb xauth fonts-dejavu-core espeak-ng
  # Sound: the program plays on the desktop's PulseAudio (or PipeWire-Pulse)
  # server through libpulse; pulseaudio and its tools (parec) give the tests a
  # server of their own.
  libpulse-dev pulseaudio pulseaudio-utils
  libxcb1-dev
  openbox xdotool x11-apps x11-utils imagemagick
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
else
  echo "install-deps: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Sources of the sky chart's catalogues: three files of two Debian data
# packages, fetched once (not installed) and extracted into the build's cache;
# the build converts them with nj-skydata.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${NJ_SKYDATA_CACHE:-$root/build/skydata-cache}"
fetch_sky_files() {   # package file...
  local package="$1"; shift
  local f need=0
  for f in "$@"; do [ -f "$cache/$f" ] || need=1; done
  [ "$need" -eq 0 ] && return 0
  local tmp
  tmp="$(mktemp -d)"
  chmod 755 "$tmp"
  if ! (cd "$tmp" && apt-get download "$package" >/dev/null 2>&1); then
    $SUDO apt-get update -qq || true
    if ! (cd "$tmp" && apt-get download "$package" >/dev/null 2>&1); then
      rm -rf "$tmp"
      echo "install-deps: cannot fetch the Debian package $package (apt-get download $package failed);" \
           "the sky chart needs it for its catalogues" >&2
      return 1
    fi
  fi
  mkdir -p "$cache"
  local paths=()
  for f in "$@"; do paths+=("./$f"); done
  if ! dpkg-deb --fsys-tarfile "$tmp"/*.deb | tar -x -C "$cache" "${paths[@]}"; then
    rm -rf "$tmp"
    echo "install-deps: the Debian package $package does not hold ${*}" >&2
    return 1
  fi
  rm -rf "$tmp"
  echo "install-deps: sky data from $package in $cache"
}
fetch_sky_files xplanet usr/share/xplanet/stars/BSC
fetch_sky_files kstars-data usr/share/kstars/OpenNGC.kscat usr/share/kstars/clines.dat
