#!/usr/bin/env bash
# Plays a short four-player match of the built game on a virtual X display, the way a player
# would with the keyboard, and saves what the screen shows at each step as PNG files:
#   01-title            the title dialog at start-up
#   02-setup            the main window before a match (scrolling title picture)
#   03-round-1          the round screen of round 1 after F9
#   04-running          the maze after ENTER
#   05-walked           every player one cell away from his corner
#   06-bombs            four bombs ticking, the players out of their way
#   07-flames           the bombs going off
#   08-burnt            burning wood and scorched floor after the flames
#   09-round-2          the round screen with the ranking after three players blew themselves up
#   10-paused           the paused game in the window
#   11-paused-full      the paused game in full screen
#   12-running-full     the running game in full screen
#   13-escaped          the round screen of the next round after ESC, back in the window
# The window is centred with its frame and comes back where it was after each of five round
# trips to full screen (four while paused before 11, the fifth through 11 and 12).
#
#   tools/playtest.sh [OUT_DIR] [RUN_DIR]
# OUT_DIR defaults to build/release/playtest, RUN_DIR (the game's run folder) to
# build/release/run. The game runs from a copy of RUN_DIR, so the real settings file is left
# alone. With VX_WINDOW_MANAGER=openbox the match is played under that window manager.
# Exits 0 when every step was seen and every screenshot shows a picture, 1 when the game
# crashed, hung, showed a blank screen or misplaced its window, 77 when Xvfb, xdotool,
# xwininfo, xprop, ImageMagick or the window manager is missing.
set -euo pipefail

readonly SCREEN_W=1024 SCREEN_H=768
readonly TAP_SECONDS=0.12   # a short key press spanning a few frames
readonly STEP_SECONDS=0.45  # one cell at walking speed (100 px/s) takes 0.32 s

if [ "${1:-}" != --inside ]; then
    here=$(cd "$(dirname "$0")/.." && pwd)
    out=$(realpath -m "${1:-$here/build/release/playtest}")
    run=$(realpath -m "${2:-$here/build/release/run}")
    for tool in Xvfb xdotool xwininfo xprop import convert; do
        command -v "$tool" >/dev/null || { echo "playtest: $tool missing" >&2; exit 77; }
    done
    [ -x "$run/vortamix" ] || { echo "playtest: no game in $run" >&2; exit 1; }
    copy=$(mktemp -d "${TMPDIR:-/tmp}/vortamix-playtest.XXXXXX")
    trap 'rm -rf "$copy"' EXIT
    cp -a "$run/." "$copy/"
    # Four players, as the options dialog would store them; the rest of the file stays as it
    # is (a run folder the game has been played from already has an Options section).
    awk '
        function players() { for (p = 1; p <= 4; ++p) print "Player" p "=1"; done = 1 }
        /^\[/ { options = tolower($0) ~ /^\[options\]/; print; if (options && !done) players(); next }
        options && tolower($0) ~ /^player[1-4][ \t]*=/ { next }
        { print }
        END { if (!done) { print ""; print "[Options]"; players() } }
    ' "$run/vortamix.ini" >"$copy/vortamix.ini" 2>/dev/null ||
        printf '[Options]\nPlayer1=1\nPlayer2=1\nPlayer3=1\nPlayer4=1\n' >"$copy/vortamix.ini"
    rm -rf "$out"
    mkdir -p "$out" "$copy/framebuffer"
    status=0
    # The X platform's own libraries keep allocations to the end under the sanitizers.
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy VX_FRAMEBUFFER_DIR="$copy/framebuffer" \
        "$(dirname "$0")/on-xvfb.sh" "${SCREEN_W}x${SCREEN_H}x24" \
        bash "$0" --inside "$out" "$copy" || status=$?
    exit "$status"
fi

out=$2
copy=$3
log=$out/game.log
game=
# Where a placement check last saw the window; a failure tells it.
placement=

fail() {
    echo "playtest: $*${placement:+ ($placement)}" >&2
    if [ -s "$log" ]; then
        echo "--- game output ---" >&2
        tail -n 40 "$log" >&2
    fi
    exit 1
}

source "$(dirname "$0")/game-driver.sh"
trap stop_game EXIT

window_width() { xdotool getwindowgeometry --shell "$(main_window)" | sed -n 's/^WIDTH=//p'; }
is_full_screen() { [ "$(window_width)" = "$SCREEN_W" ]; }
is_windowed() { [ "$(window_width)" != "$SCREEN_W" ]; }

# The main window's client area on the screen: x y width height.
client_area() {
    xwininfo -id "$(main_window)" | awk '
        /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}
# The frame the window manager drew round it: left right top bottom (none without one).
frame_extents() {
    local extents
    extents=$(xprop -id "$(main_window)" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,)
    echo "${extents:-0 0 0 0}"
}
centred_with_frame() {
    local x y w h l r t b
    read -r x y w h < <(client_area)
    read -r l r t b < <(frame_extents)
    placement="client area at $x,$y ${w}x$h, frame $l $r $t $b"
    local dx=$((2 * (x - l) + l + w + r - SCREEN_W)) dy=$((2 * (y - t) + t + h + b - SCREEN_H))
    [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ]
}
at_home() {
    local area
    area=$(client_area)
    placement="client area at $area"
    [ "$area" = "$home" ]
}

grab() { import -window root "$1"; }
colour_count() { convert "$1" -format '%k' info:; }
shows_picture() { local f=$out/probe.png; grab "$f"; [ "$(colour_count "$f")" -gt 16 ]; }

# Share of the screen in the light grey of the round screen (0xDFDFDF).
round_screen_share() {
    convert "$1" -fuzz 2% -fill black +opaque '#DFDFDF' -fill white -opaque '#DFDFDF' \
        -format '%[fx:mean]' info:
}
round_screen_shown() { local f=$out/probe.png; grab "$f"; before 0.05 "$(round_screen_share "$f")"; }
round_screen_gone() { ! round_screen_shown; }

# Checks the grab kept as $1.png and tells what it shows; $2 adds a note.
shot_kept() {
    local colours
    colours=$(colour_count "$out/$1.png")
    [ "$colours" -gt 16 ] || fail "$1.png is blank ($colours colours)"
    kill -0 "$game" 2>/dev/null || fail "the game ended before $1.png"
    echo "playtest: $1.png ($colours colours)${2:+, $2}"
}
shot() { grab "$out/$1.png"; shot_kept "$@"; }

# Bright yellow and orange pixels of flames and sparks in a grab: red above 240, green above
# 153, blue below 128. Counted on one thread at the lowest priority, so that counting never
# keeps the flame recorder from its next grab.
fire_pixels() {
    nice -n 19 convert -limit thread 1 "$1" -channel R -threshold 94.12% -channel G -threshold 60% \
        -channel B -threshold 50.1% -negate +channel -fill black +opaque white \
        -format '%[fx:round(mean*w*h)]' info:
}

focus_game() {
    local w
    w=$(main_window)
    xdotool mousemove --window "$w" 320 300
    xdotool windowfocus --sync "$w"
}

press() { xdotool key "$@"; }
# Holds the keys for a short tap, so that each press spans a few frames.
tap() { xdotool keydown "$@" sleep "$TAP_SECONDS" keyup "$@"; }
step() { tap "$@"; sleep "$STEP_SECONDS"; }

# Player keys: 1 arrows + Insert, 2 W A S D + left Shift, 3 I J K L + Space, 4 keypad 8 4 5 6 + keypad 0.
readonly BOMB_KEYS=(Insert Shift_L space KP_0)

cd "$copy"
./vortamix >"$log" 2>&1 &
game=$!

wait_for 20 "title dialog" has_game_window
wait_for 10 "picture on the title" shows_picture
shot 01-title

xdotool mousemove --window "$(game_window)" 100 100 click 1
wait_for 15 "main window after the title" caption_is "Vortamix - Setup"
wait_for 10 "picture in the main window" shows_picture
wait_for 5 "window centred with its frame" centred_with_frame
# Where a placement check last saw the window; a failure tells it.
placement=
home=$(client_area)
shot 02-setup "window at $home, frame $(frame_extents)"

focus_game
press F9
wait_for 10 "running match after F9" caption_is "Vortamix - Game"
wait_for 10 "round 1 screen" round_screen_shown
shot 03-round-1

press Return
wait_for 5 "maze after ENTER" round_screen_gone
shot 04-running

# Each player one cell out of his corner: 1 right from (0,0), 2 up from (0,14),
# 3 left from (19,14), 4 left from (19,0). Corner cells are always floor.
step Right w j KP_4
shot 05-walked

# The fuse runs 3.5 s from the frame that saw the keys; the flames burn for 0.4 s. A busy
# machine can delay both but not bring them forward, so the screen is recorded from shortly
# before the flames are due until they have burnt out, and flames that come too early fail.
# The recorder starts with the bombs and keeps its own time, so slow steps before the flames
# cannot make it late; it copies Xvfb's framebuffer file, asking nothing of the X server, so
# a busy server cannot hold a grab back; it stops FLAMES_UNTIL seconds after the bombs were
# laid: flames later than that are a game that froze for seconds. Of the grabs, the one with
# the most fire is kept as the flames, the first after it with under a quarter of that fire
# as their end.
readonly FLAMES_FROM_US=3000000 FLAMES_UNTIL=9
frames=$out/frames
mkdir -p "$frames"
framebuffer=$VX_FRAMEBUFFER_DIR/Xvfb_screen0
record_screen() {
    local n=0 start until_us=$((laid_us + FLAMES_UNTIL * 1000000))
    while [ "${EPOCHREALTIME/./}" -lt $((laid_us + FLAMES_FROM_US)) ]; do sleep 0.02; done
    while [ ! -e "$frames/stop" ] && [ "${EPOCHREALTIME/./}" -lt "$until_us" ]; do
        start=${EPOCHREALTIME/./}
        cp "$framebuffer" "$frames/grab" || break
        echo "$n $start ${EPOCHREALTIME/./}" >>"$frames/times"
        mv "$frames/grab" "$frames/$n.xwd"
        n=$((n + 1))
        sleep 0.05
    done
    touch "$frames/done"
}

# Four bombs at once, then each player walks round the corner of his start zone out of
# the flames' reach (power 1): back into the corner, then along the other side.
laid_us=${EPOCHREALTIME/./}
tap "${BOMB_KEYS[@]}"
record_screen &
recorder=$!
trap 'kill "$recorder" 2>/dev/null || true; stop_game' EXIT
step Left s l KP_6
step Down d i KP_5
shot 06-bombs
# The sparks of the fuses; a slow shot may come after the flames, the first grab is before them.
ticking=$(fire_pixels "$out/06-bombs.png")
burning=0 went_off= n=0
while :; do
    until [ -e "$frames/$n.xwd" ]; do
        if [ -e "$frames/done" ] && [ ! -e "$frames/$n.xwd" ]; then
            [ ! -e "$frames/peak.xwd" ] || convert "$frames/peak.xwd" "$out/07-most-fire.png"
            fail "the flames ${went_off:+did not burn out}${went_off:-did not come} within ${FLAMES_UNTIL}s" \
                "of laying the bombs (at most $burning fire pixels, $ticking before; 07-most-fire.png)"
        fi
        kill -0 "$game" 2>/dev/null || fail "the game ended while the bombs were going off"
        sleep 0.02
    done
    fire=$(fire_pixels "$frames/$n.xwd")
    [ "$n" -gt 0 ] || [ "$fire" -ge "$ticking" ] || ticking=$fire
    if [ "$fire" -gt "$burning" ]; then
        mv "$frames/$n.xwd" "$frames/peak.xwd"
        burning=$fire
    elif [ -n "$went_off" ] && [ $((4 * fire)) -lt "$burning" ]; then
        break
    else
        rm "$frames/$n.xwd"
    fi
    if [ -z "$went_off" ] && [ "$burning" -gt $((4 * ticking)) ] && [ "$burning" -gt 300 ]; then
        # The grab's end: the screen it holds was read before then.
        went_off=$(awk -v n="$n" -v laid="$laid_us" '$1 == n { printf "%.2f", ($3 - laid) / 1e6 }' \
            "$frames/times")
        before 3.4 "$went_off" || fail "the bombs went off ${went_off}s after they were laid"
    fi
    n=$((n + 1))
done
touch "$frames/stop"
wait "$recorder"
trap stop_game EXIT
convert "$frames/peak.xwd" "$out/07-flames.png"
shot_kept 07-flames "first seen ${went_off}s after laying"
convert "$frames/$n.xwd" "$out/08-burnt.png"
shot_kept 08-burnt
rm -rf "$frames"

# Players 2, 3 and 4 lay a bomb where they stand and wait for it: player 1 wins the round.
tap Shift_L space KP_0
wait_for 15 "round 2 screen after the round ended" round_screen_shown
sleep 0.3
shot 09-round-2

press Return
wait_for 5 "maze after ENTER" round_screen_gone
press Pause
wait_for 5 "paused game" caption_is "Vortamix - Paused"
sleep 0.3
shot 10-paused

for trip in 1 2 3 4; do
    focus_game
    press alt+Return
    wait_for 10 "full screen on round trip $trip" is_full_screen
    focus_game
    press alt+Return
    wait_for 10 "window after round trip $trip" is_windowed
    wait_for 10 "window back at $home after round trip $trip" at_home
    placement=
done

focus_game
press alt+Return
wait_for 10 "full screen" is_full_screen
wait_for 5 "picture in full screen" shows_picture
sleep 0.3
shot 11-paused-full

focus_game
press Pause
wait_for 5 "running game" caption_is "Vortamix - Game"
sleep 0.5
shot 12-running-full

focus_game
press alt+Return
wait_for 10 "window after full screen" is_windowed
wait_for 10 "window back at $home after round trip 5" at_home
focus_game
press Escape
wait_for 10 "round 3 screen after ESC" round_screen_shown
shot 13-escaped "window at $(client_area)"

press F12
start=$(now)
while kill -0 "$game" 2>/dev/null; do
    before "$(elapsed_since "$start")" 10 || fail "the game did not close after F12"
    sleep 0.05
done
status=0
wait "$game" || status=$?
game=
[ "$status" -eq 0 ] || fail "the game exited with status $status"
grep -q '^Player4=1' "$copy/vortamix.ini" || fail "the settings were not written back at close"
rm -f "$out/probe.png"
echo "playtest: match played, screenshots in $out"
