#!/usr/bin/env bash
# Runs a command on a fresh virtual X display:  tools/on-xvfb.sh 800x600x24 command args...
# Xvfb picks a free display number itself (-displayfd), so any number of these may start at
# once; xvfb-run's own search for a number races when tests run in parallel.
set -euo pipefail
screen=${1:?usage: on-xvfb.sh WIDTHxHEIGHTxDEPTH command...}
shift
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
number=
read -r number <"$fifo" || true
[ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$number" "$@"
