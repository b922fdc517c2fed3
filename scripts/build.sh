#!/usr/bin/env bash
# Configures (once) and builds the whole project into build/ (or $QUILLON_BUILD_DIR), with
# $QUILLON_JOBS parallel jobs (default: one per core).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${QUILLON_BUILD_DIR:-build}
# Paths relative to the checkout let ccache reuse objects across clones and worktrees.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
# The libraries build with precompiled headers; ccache caches such compiles only with these.
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}" ${QUILLON_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" -j "${QUILLON_JOBS:-$(nproc)}"
