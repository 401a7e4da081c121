#!/usr/bin/env bash
# Installs the Debian packages NightjarPro needs to build, run and test.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-multimedia-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libv4l-dev
  xvfb xauth fonts-dejavu-core
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
