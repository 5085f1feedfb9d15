#!/usr/bin/env bash
# Builds from scratch and runs the whole test suite (what CI runs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== format check"
scripts/format.sh --check

echo "== build (warnings are errors)"
scripts/build.sh build/ci -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRELVANE_WERROR=ON
echo "== tests"
(cd build/ci && ctest -j"$jobs" --output-on-failure)

echo "== fuzz (libFuzzer, short fixed time per parser)"
scripts/fuzz.sh
