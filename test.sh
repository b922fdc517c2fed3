#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest. Exits non-zero on any
# failure. Extra arguments go to ctest (for example: ./test.sh -L platform).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${QUILLON_BUILD_DIR:-build}" --output-on-failure -j "${QUILLON_JOBS:-$(nproc)}" "$@"
