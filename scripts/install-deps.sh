#!/usr/bin/env bash
# Installs every Debian package Quillon X needs to build, run, test and benchmark.
# Only missing packages are installed, so a second run returns at once.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential g++ cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  # file types for "Open With" (Qt reads the desktop's MIME database)
  shared-mime-info
  # image codecs, metadata and colour
  libexiv2-dev liblcms2-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  libopenjp2-7-dev libheif-dev libraw-dev libwebp-dev zlib1g-dev
  libimage-exiftool-perl
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev libplist-utils imagemagick libvips-tools libjpeg-turbo-progs poppler-utils
  liblcms2-utils
  # fonts and a virtual display for widget tests and screenshots
  fonts-dejavu-core fontconfig xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (run as root to install): ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
