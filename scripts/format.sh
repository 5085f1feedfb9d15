#!/usr/bin/env bash
# Formats the sources with the pinned style, or with --check fails on any difference.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/' || true)
[ -z "$files" ] && exit 0
if [ "${1:-}" = "--check" ]; then
  echo "$files" | xargs clang-format --dry-run --Werror
else
  echo "$files" | xargs clang-format -i
fi
