#!/usr/bin/env bash
# Runs the graphics tests' windowed demo form on a virtual X display and grabs the screen.
#   tools/screenshot.sh <test_graphics binary> <output.png> [window|fullscreen] [SCREEN] [PICTURE]
# SCREEN is the display's WIDTHxHEIGHTxDEPTH (default 800x600x24), PICTURE the demo's
# WIDTHxHEIGHT (default 320x240). The demo grabs the screen itself once its window has shown
# enough frames.
set -euo pipefail
binary=$1
output=$2
mode=${3:-window}
screen=${4:-800x600x24}
picture=${5:-320x240}
command -v Xvfb >/dev/null && command -v import >/dev/null || { echo "Xvfb or import missing" >&2; exit 77; }
rm -f "$output"
# The X platform's own libraries (D-Bus) keep allocations to the end under the sanitizers;
# the demo's leaks are checked by the offscreen tests instead.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
VX_SCREENSHOT="$output" VX_SCREENSHOT_MODE="$mode" VX_SCREENSHOT_SIZE="$picture" QT_QPA_PLATFORM=xcb \
  "$(dirname "$0")/on-xvfb.sh" "$screen" \
  "$binary" --gtest_also_run_disabled_tests --gtest_filter='ScreenshotDemo.DISABLED_ShowsFramesAndGrabsTheScreen'
test -s "$output"
