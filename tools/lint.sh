#!/usr/bin/env bash
# Checks the code against .clang-format (every tracked unit) and .clang-tidy (the sources of
# the five layers, with the release build's compile commands). Exits non-zero on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
bash tools/build.sh release >/dev/null
log=build/release/clang-tidy.log
run-clang-tidy -p build/release -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option \
  "^$PWD/(platform|graphics|sound|toolkit|game)/" >"$log" 2>&1 || true
if grep -E 'warning:|error:' "$log" | grep -v 'warnings generated'; then
  echo "clang-tidy findings: see $log" >&2
  exit 1
fi
echo "clang-tidy: no findings"
