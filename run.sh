#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quillon X with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
BIN="${QUILLON_BUILD_DIR:-build}/bin/quillonx"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display found; starting under a virtual X server (xvfb-run)" >&2
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$BIN" "$@"
fi
exec "$BIN" "$@"
