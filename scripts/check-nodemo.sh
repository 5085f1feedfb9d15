#!/usr/bin/env bash
# Checks a build configured with -DSTRELVANE_DEMO=OFF: both programs exist,
# hold nothing of the simulated device, and refuse --demo in words.
set -euo pipefail
dir=$1
fail() { echo "check-nodemo: $*" >&2; exit 1; }
for prog in strelvane strelvane-cli; do
  [ -x "$dir/src/$prog" ] || fail "$prog was not built"
  if nm -C "$dir/src/$prog" | grep -q " sim::"; then
    fail "$prog links the simulated device"
  fi
done
[ ! -e "$dir/sim/dtusim" ] || fail "dtusim was built without demo mode or tests"
set +e
out=$(QT_QPA_PLATFORM=offscreen "$dir/src/strelvane" --demo 2>&1); rc=$?
cli=$("$dir/src/strelvane-cli" load --demo --lang en 2>&1); crc=$?
set -e
[ "$rc" -ne 0 ] && grep -q "no demo mode" <<<"$out" || fail "strelvane --demo: exit $rc, \"$out\""
[ "$crc" -ne 0 ] && grep -q "no demo mode" <<<"$cli" || fail "strelvane-cli load --demo: exit $crc, \"$cli\""
echo "check-nodemo: both programs build and run without demo mode"
