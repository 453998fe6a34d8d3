#!/usr/bin/env bash
# Installs what is missing, builds one preset (release by default) and runs every test
# headless. Presets: release, debug, asan (AddressSanitizer + UBSan), tsan (ThreadSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
bash tools/build.sh "$preset"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
filter=()
# Under ThreadSanitizer only the tests that exercise threads, or the lifetime of objects
# that others watch, run: the rest gain nothing from it and Qt's uninstrumented internals
# would only add noise. Tests on a real X display
# stay out: Qt's X and D-Bus threads are uninstrumented and report races of their own.
if [ "$preset" = tsan ]; then
  filter=(-R 'Thread|Timer|Synchron|Concurren|Lifetime|Engine|Frame|Mixer|Events|Stream' -E 'Screenshot|Xvfb|RealDisplay')
fi
ctest --test-dir "build/$preset" --output-on-failure --parallel "$(nproc)" --timeout 600 "${filter[@]}"
