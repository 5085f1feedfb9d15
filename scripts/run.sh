#!/usr/bin/env bash
# Builds and starts the main window on the built-in simulated device.
# Without a display it runs the command-line load against it instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/release/src/strelvane ]; then
  exec build/release/src/strelvane --demo "$@"
else
  exec build/release/src/strelvane-cli --demo load "$@"
fi
