#!/usr/bin/env bash
# Builds from scratch and runs the whole test suite (what CI runs):
# the format check, then every test in an AddressSanitizer+UndefinedBehaviorSanitizer
# build (warnings are errors), again in a ThreadSanitizer build and in a plain
# Release build, then the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== format check"
scripts/format.sh --check

echo "== address+undefined build"
scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DSTRELVANE_SANITIZE=address -DSTRELVANE_WERROR=ON
echo "== tests (address+undefined)"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -j"$jobs" --output-on-failure)

echo "== thread build"
scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DSTRELVANE_SANITIZE=thread -DSTRELVANE_WERROR=ON
echo "== tests (thread)"
(cd build/tsan && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/../../tests/tsan.supp" \
  ctest -j"$jobs" --output-on-failure)

# The memory-growth bounds hold only without a sanitizer's shadow memory, and
# timing-sensitive paths run at full speed only here: a plain optimised build
# runs the whole suite once more. Warnings are errors in the sanitized builds;
# GCC 12 at -O3 reports false -Wrestrict warnings inside std::string, so not here.
echo "== plain build (release)"
scripts/build.sh build/plain -DCMAKE_BUILD_TYPE=Release
echo "== tests (release)"
(cd build/plain && ctest -j"$jobs" --output-on-failure)

# The window and the command line must build without demo mode, which is the
# only part that needs POSIX pseudo-terminals (the Windows build has none).
echo "== window and command line without demo mode"
scripts/build.sh build/nodemo -DCMAKE_BUILD_TYPE=Release -DSTRELVANE_DEMO=OFF -DSTRELVANE_TESTS=OFF
scripts/check-nodemo.sh build/nodemo

echo "== fuzzing"
scripts/fuzz.sh
