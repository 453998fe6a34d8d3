#!/usr/bin/env bash
# Measures what showing the game costs, on a virtual X display: the game's CPU share (user +
# system time of its process) and its frame intervals, in a match in a window, in full screen,
# and paused in full screen and in a window. Several builds are measured in turns, mode by
# mode, so that they meet the same load:
#
#   tools/present-cost.sh [-s SCREEN] [-d SECONDS] [-r] RUN_DIR... -- MODE...
#
# RUN_DIR is a run folder (build/release/run), MODE a display mode WIDTHxHEIGHTxBPP set in
# the settings of a copy of it; SCREEN the display (default 1920x1200x24), SECONDS each
# stretch measured (default 6); -r measures the running match only (no pause). Game frames
# are timed at the frame thread's waits for the vertical blank, shown frames at the images
# put to the X server (both through a preloaded library built here); the p99 is the
# interval that 99 % of frames stay within. Each run also reports the mode it measured: the
# window's geometry in the window stretch and the mode the game stores when it is closed
# from its menu. A mode other than the one asked for is reported as a mismatch and makes the
# script exit 1.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
screen=1920x1200x24 seconds=6 stages=all
while getopts s:d:r option; do
    case $option in
    s) screen=$OPTARG ;;
    d) seconds=$OPTARG ;;
    r) stages=run ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
runs=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do runs+=("$(realpath "$1")"); shift; done
[ $# -gt 1 ] && [ ${#runs[@]} -gt 0 ] || { echo "usage: $0 [-s SCREEN] [-d SECONDS] [-r] RUN_DIR... -- MODE..." >&2; exit 2; }
shift
for tool in Xvfb xdotool cc python3; do
    command -v "$tool" >/dev/null || { echo "present-cost: $tool missing" >&2; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/vortamix-cost.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Times every image put to the X server and every wait of the frame thread for the vertical
# blank (the only sleeps that are not whole milliseconds).
cat >"$work/trace.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
typedef struct { unsigned int sequence; } cookie;
static void note(const char* kind) {
    static int out = -1;
    if (out < 0) out = open(getenv("VX_FRAME_TRACE"), O_WRONLY | O_CREAT | O_APPEND, 0644);
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    char line[64];
    int n = snprintf(line, sizeof line, "%lld %s %ld\n", (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000, kind,
                     (long)syscall(SYS_gettid));
    if (write(out, line, (size_t)n) < 0) return;
}
cookie xcb_shm_put_image(void* c, uint32_t d, uint32_t g, uint16_t tw, uint16_t th, uint16_t sx, uint16_t sy,
                         uint16_t sw, uint16_t sh, int16_t dx, int16_t dy, uint8_t depth, uint8_t f, uint8_t e,
                         uint32_t seg, uint32_t off) {
    static cookie (*real)(void*, uint32_t, uint32_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
                          int16_t, int16_t, uint8_t, uint8_t, uint8_t, uint32_t, uint32_t);
    if (!real) *(void**)&real = dlsym(dlopen("libxcb-shm.so.0", RTLD_LAZY), "xcb_shm_put_image");
    note("shown");
    return real(c, d, g, tw, th, sx, sy, sw, sh, dx, dy, depth, f, e, seg, off);
}
int nanosleep(const struct timespec* want, struct timespec* left) {
    static int (*real)(const struct timespec*, struct timespec*);
    if (!real) *(void**)&real = dlsym(RTLD_NEXT, "nanosleep");
    int result = real(want, left);
    if (want->tv_nsec % 1000000 != 0) note("blank");
    return result;
}
EOF
cc -O2 -shared -fPIC -o "$work/trace.so" "$work/trace.c" -ldl

# Reads and sets keys of a settings file as the game does: names match without case and the
# first section of a name wins; a missing key goes after its section's last line, a missing
# section at the end of the file.
#   ini.py get FILE SECTION KEY...          prints the values ("-" for a missing key)
#   ini.py set FILE SECTION KEY=VALUE...
cat >"$work/ini.py" <<'EOF'
import os, sys
action, path, section, items = sys.argv[1], sys.argv[2], sys.argv[3].lower(), sys.argv[4:]
lines = open(path).read().splitlines() if os.path.exists(path) else []
def name(line):
    line = line.strip()
    return line[1:-1].strip().lower() if line.startswith("[") and line.endswith("]") else None
start = next((i for i, line in enumerate(lines) if name(line) == section), None)
if start is None:
    lines += ["", "[" + sys.argv[3] + "]"]
    start = len(lines) - 1
end = next((i for i in range(start + 1, len(lines)) if name(lines[i]) is not None), len(lines))
while end > start + 1 and not lines[end - 1].strip():
    end -= 1
def find(key):
    return next((i for i in range(start + 1, end) if lines[i].split("=", 1)[0].strip().lower() == key.lower()), None)
if action == "get":
    print(" ".join("-" if find(key) is None else lines[find(key)].split("=", 1)[1].strip() for key in items))
    sys.exit()
for key, value in (item.split("=", 1) for item in items):
    if find(key) is None:
        lines.insert(end, key + "=" + value)
        end += 1
    else:
        lines[find(key)] = key + "=" + value
open(path, "w").write("\n".join(lines) + "\n")
EOF

# One game in one mode on its own display: prints "stage start end cpu-ticks" lines.
play() {
    local copy=$1 trace=$2 game
    cd "$copy"
    VX_FRAME_TRACE=$trace LD_PRELOAD=$work/trace.so ./vortamix >/dev/null 2>&1 &
    game=$!
    trap 'kill $game 2>/dev/null || true' RETURN
    until xdotool search --onlyvisible --pid "$game" >/dev/null 2>&1; do sleep 0.1; done
    sleep 1
    xdotool mousemove --window "$(xdotool search --onlyvisible --pid "$game" | head -n 1)" 100 100 click 1
    caption() { xdotool getwindowname "$(xdotool search --onlyvisible --name '^Vortamix - ' | head -n 1)" 2>/dev/null; }
    wait_caption() { local n=0; until [ "$(caption)" = "$1" ]; do sleep 0.1; n=$((n + 1)); [ $n -lt 300 ] || return 1; done; }
    key() { xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Vortamix - ' | head -n 1)" key "$@"; }
    wait_caption "Vortamix - Setup"
    key F9
    wait_caption "Vortamix - Game"
    key Return
    stretch() {
        sleep 1.5
        local t0 c0
        t0=$(date +%s%6N) c0=$(awk '{print $14 + $15}' /proc/$game/stat)
        sleep "$seconds"
        echo "$1 $t0 $(date +%s%6N) $c0 $(awk '{print $14 + $15}' /proc/$game/stat)"
    }
    stretch window
    xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name '^Vortamix - ' | head -n 1)" |
        awk -F= '{ v[$1] = $2 } END { print "geometry", v["WIDTH"], v["HEIGHT"], v["X"], v["Y"] }'
    key alt+Return
    stretch full-screen
    if [ "$stages" = all ]; then
        key Pause
        wait_caption "Vortamix - Paused"
        stretch paused-full
        key alt+Return
        stretch paused-window
    else
        key alt+Return
    fi
    # Closed from its menu in the window, the game stores the mode it ran in.
    key F12
    local n=0
    while kill -0 "$game" 2>/dev/null; do
        sleep 0.1
        n=$((n + 1))
        [ $n -lt 100 ] || return 0
    done
    echo closed
}
export -f play
export work seconds stages

for mode in "$@"; do
    IFS=x read -r width height bpp <<<"$mode"
    for run in "${runs[@]}"; do
        copy=$work/copy
        rm -rf "$copy" "$work/trace"
        cp -a "$run/." "$copy/"
        # A run folder the game has run in holds its sections already: the keys are set in
        # them, since a section added again at the end would not be read.
        ini=$copy/vortamix.ini
        python3 "$work/ini.py" set "$ini" Sound MusicEnabled=0 SFXEnabled=0
        python3 "$work/ini.py" set "$ini" Options Player1=1 Player2=1 Player3=1 Player4=1
        python3 "$work/ini.py" set "$ini" Screen Width="$width" Height="$height" BPP="$bpp"
        load=$(cut -d' ' -f1 /proc/loadavg)
        QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$here/tools/on-xvfb.sh" "$screen" \
            bash -c 'play "$@"' play "$copy" "$work/trace" >"$work/stretches" || true
        stored=$(python3 "$work/ini.py" get "$ini" Screen Width Height BPP)
        python3 - "$work/stretches" "$work/trace" "$mode" "$run" "$load" "$(getconf CLK_TCK)" "$stored" <<'EOF' ||
import collections, os, sys
stretches, trace, mode, run, load, ticks, stored = sys.argv[1:]
shown, blanks = [], collections.defaultdict(list)
for line in open(trace) if os.path.exists(trace) else []:
    t, kind, thread = line.split()
    if kind == "shown":
        shown.append(int(t))
    else:
        blanks[thread].append(int(t))
# Images put within 3 ms of each other belong to one shown frame.
def frames(times, merge):
    out = []
    for t in times:
        if not merge or not out or t - out[-1] > 3000: out.append(t)
    gaps = sorted((b - a) / 1000 for a, b in zip(out, out[1:]))
    if not gaps: return "      -         -"
    return f"{len(gaps) / ((out[-1] - out[0]) / 1e6):6.1f} {gaps[min(len(gaps) - 1, int(len(gaps) * 0.99))]:6.1f} ms"
print(f"{mode} {run} (load {load})")
window, closed = None, False
for line in open(stretches):
    if line.startswith("geometry "):
        window = [int(v) for v in line.split()[1:]]
        continue
    if line.startswith("closed"):
        closed = True
        continue
    name, t0, t1, c0, c1 = line.split()
    t0, t1 = int(t0), int(t1)
    inside = lambda times: [t for t in times if t0 <= t <= t1]
    game = max((inside(v) for v in blanks.values()), key=len, default=[])
    cpu = (int(c1) - int(c0)) / int(ticks) / ((t1 - t0) / 1e6) * 100
    print(f"  {name:14s} cpu {cpu:5.1f} %   game fps/p99 {frames(game, False)}   shown fps/p99 {frames(inside(shown), True)}")
# The window is as wide as the picture and as tall as the picture and the menu bar.
width, height = (int(v) for v in mode.split("x")[:2])
seen = "no window seen" if window is None else "window {}x{}{:+d}{:+d}".format(*window)
kept = "x".join(stored.split()) if closed else "not stored (the game did not close)"
print(f"  measured       {seen}, stored mode {kept}")
if not (window and window[0] == width and 0 <= window[1] - height < 64 and closed and stored.split() == mode.split("x")):
    print(f"  MISMATCH: asked for {mode}")
    sys.exit(1)
EOF
            status=1
    done
done
exit "${status:-0}"
