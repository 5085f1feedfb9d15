#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a
# fixed time; any crash, leak or sanitizer report fails the run.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 20, or $FUZZ_SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${FUZZ_SECONDS:-20}}
dir=build/fuzz
targets=(listing config_file schedule hex_text reply_engine port_url telnet inventory)

# Coverage and sanitizers for the library code under test as well.
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSTRELVANE_FUZZ=ON -DSTRELVANE_TESTS=OFF -DSTRELVANE_SANITIZE=address \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  echo "== fuzz $t (${seconds}s)"
  # The seeds stay read-only; new inputs go to the build directory's corpus.
  "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 -print_final_stats=0 \
    -artifact_prefix="$dir/crash-$t-" "$corpus" "fuzz/seeds/$t" 2>"$dir/fuzz-$t.log" ||
    { tail -n 60 "$dir/fuzz-$t.log"; echo "fuzz $t failed" >&2; exit 1; }
  grep -E '^(Done|#[0-9]+ +DONE)' "$dir/fuzz-$t.log" | tail -n 1 || true
done
