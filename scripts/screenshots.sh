#!/usr/bin/env bash
# Builds the screenshot program and renders every screen and control gallery in each state into
# build/screenshots/ (screen-state.png), on a virtual X display. An argument keeps only the
# screens whose name contains it.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${QUILLON_BUILD_DIR:-build}
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}" ${QUILLON_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" --target quillonx-screenshots -j "${QUILLON_JOBS:-4}"
OUT="$BUILD_DIR/screenshots"
rm -rf "$OUT"
mkdir -p "$OUT"
if ! command -v xvfb-run >/dev/null; then
  echo "screenshots: xvfb-run is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
xvfb-run -a -s "-screen 0 1600x1200x24" env QT_QPA_PLATFORM=xcb "$BUILD_DIR/bin/quillonx-screenshots" "$OUT" "${1:-}"
