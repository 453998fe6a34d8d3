#!/usr/bin/env bash
# Runs a command on a fresh virtual X display:  tools/on-xvfb.sh 800x600x24 command args...
# Xvfb picks a free display number itself (-displayfd), so any number of these may start at
# once; xvfb-run's own search for a number races when tests run in parallel.
# With VX_WINDOW_MANAGER=openbox the display gets that window manager, which frames windows
# as a desktop does; the command starts once it manages the screen. With VX_FRAMEBUFFER_DIR
# set, Xvfb keeps the screen in a file there (Xvfb_screen0, XWD format) that can be read
# without asking the X server.
set -euo pipefail
screen=${1:?usage: on-xvfb.sh WIDTHxHEIGHTxDEPTH command...}
shift
wm=${VX_WINDOW_MANAGER:-}
case "$wm" in
'') ;;
openbox) command -v openbox >/dev/null || { echo "on-xvfb: openbox missing" >&2; exit 77; } ;;
*) echo "on-xvfb: unknown window manager $wm" >&2; exit 2 ;;
esac
work=$(mktemp -d)
framebuffer=()
[ -z "${VX_FRAMEBUFFER_DIR:-}" ] || framebuffer=(-fbdir "$VX_FRAMEBUFFER_DIR")
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "$screen" "${framebuffer[@]}" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
manager=
stop() {
    for pid in $manager $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
number=
read -r number <"$work/display" || true
[ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
if [ -n "$wm" ]; then
    openbox --sm-disable --startup "touch $work/managing" >/dev/null 2>&1 &
    manager=$!
    until [ -e "$work/managing" ]; do
        kill -0 "$manager" 2>/dev/null || { echo "openbox did not start" >&2; exit 1; }
        sleep 0.05
    done
fi
"$@"
