#!/usr/bin/env bash
# Changes rounds as fast as a player can, with the music on a real sound server, and checks
# that the game never stops: the built game plays on a virtual X display with SDL's
# PulseAudio driver on a private server (tools/sound-server.sh); after F9, Escape (a new
# round, a new track) and Return follow each other every 150 ms for SECONDS seconds while
# the window is grabbed about twelve times a second. Each key changes the picture when the
# game takes it; how long the picture stays as it was after a key is how long the game kept
# the player waiting. Then F12 must end the game at once.
#
# Every wait is judged by what was seen, not by when the answer was first seen: a wait lasts
# at least until the start of the last look that still found the old state. A busy machine
# that looks seldom sees shorter waits, never longer ones, while a game that stops for
# seconds is still seen stopped.
#
#   tools/quick-rounds.sh [RUN_DIR] [SECONDS]
# RUN_DIR (the game's run folder) defaults to build/release/run, SECONDS to 30. Prints the
# longest wait seen for a key's answer, the longest still picture seen (which also counts a
# maze in which nothing happens to move) and how long the game was seen running after F12.
# Exits 0 when neither the main window after the title nor any key's answer was seen to wait
# MAX_WAIT_SECONDS and the game was not seen running MAX_EXIT_SECONDS after F12, 1 when it
# was (or when the game crashed), 77 when Xvfb, xdotool, xwd or pulseaudio is missing.
set -euo pipefail

readonly SCREEN_W=1024 SCREEN_H=768
readonly KEY_SECONDS=0.15
readonly GRAB_PAUSE_SECONDS=0.05
readonly MAX_WAIT_SECONDS=1.0
readonly MAX_EXIT_SECONDS=2.0

here=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != --inside ]; then
    run=$(realpath -m "${1:-$here/build/release/run}")
    seconds=${2:-30}
    for tool in Xvfb xdotool xwd pulseaudio; do
        command -v "$tool" >/dev/null || { echo "quick-rounds: $tool missing" >&2; exit 77; }
    done
    [ -x "$run/vortamix" ] || { echo "quick-rounds: no game in $run" >&2; exit 1; }
    work=$(mktemp -d /tmp/vx-rounds-XXXXXX)
    trap 'bash "$here/tools/sound-server.sh" stop "$work/sound" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    cp -a "$run/." "$work/game/"
    printf '[Sound]\nMusicEnabled=1\nSFXEnabled=1\n[Options]\nPlayer1=1\nPlayer2=1\nMonsters=3\n' \
        >"$work/game/vortamix.ini"
    server_env=$(bash "$here/tools/sound-server.sh" start "$work/sound") || {
        echo "quick-rounds: the sound server did not start" >&2
        exit 77
    }
    # The X platform's own libraries keep allocations to the end under the sanitizers.
    env $server_env SDL_AUDIODRIVER=pulseaudio QT_QPA_PLATFORM=xcb \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "$here/tools/on-xvfb.sh" "${SCREEN_W}x${SCREEN_H}x24" bash "$0" --inside "$work" "$seconds"
    exit
fi

work=$2
seconds=$3
log=$work/game.log
grabs=$work/grabs
keys=$work/keys
game=

fail() {
    echo "quick-rounds: $*" >&2
    [ ! -s "$log" ] || { echo "--- game output ---" >&2; tail -n 30 "$log" >&2; }
    exit 1
}
source "$here/tools/game-driver.sh"
trap stop_game EXIT

# Grabs the game's window until told to stop, one line per grab: when it started and ended
# (the picture was read in between) and a digest of it. The pause between grabs leaves the
# machine to the game.
record_window() {
    local window start digest
    window=$(main_window)
    while [ ! -e "$grabs.stop" ]; do
        start=$EPOCHREALTIME
        digest=$(xwd -id "$window" -silent 2>/dev/null | md5sum | cut -c1-16)
        echo "$start $EPOCHREALTIME $digest" >>"$grabs"
        sleep "$GRAB_PAUSE_SECONDS"
    done
}
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

cd "$work/game"
./vortamix >"$log" 2>&1 &
game=$!
wait_for 20 "title dialog" has_game_window
# Closing the title at once switches the music from the title to a playlist entry while
# the device is still young: the close a sound server makes wait the longest.
xdotool mousemove --window "$(game_window)" 100 100 click 1
clicked=$EPOCHREALTIME
missing=$clicked
until looked=$EPOCHREALTIME && caption_is "Vortamix - Setup"; do
    missing=$looked
    kill -0 "$game" 2>/dev/null || fail "the game ended while waiting for the main window"
    before "$(seconds_between "$clicked" "$EPOCHREALTIME")" 15 || fail "no main window 15s after the title"
    sleep 0.05
done
shown=$(seconds_between "$clicked" "$missing")
xdotool windowfocus --sync "$(main_window)"
xdotool key F9
wait_for 10 "running match after F9" caption_is "Vortamix - Game"

record_window &
recorder=$!
start=$(now)
changes=0
while before "$(elapsed_since "$start")" "$seconds"; do
    for key in Escape Return; do
        xdotool key "$key"
        echo "$EPOCHREALTIME" >>"$keys"
        sleep "$KEY_SECONDS"
    done
    changes=$((changes + 1))
    kill -0 "$game" 2>/dev/null || fail "the game ended during the round changes"
done
xdotool key F12
asked=$EPOCHREALTIME
running=$asked
while looked=$EPOCHREALTIME && kill -0 "$game" 2>/dev/null; do
    running=$looked
    before "$(seconds_between "$asked" "$EPOCHREALTIME")" 30 || fail "the game did not close in 30 s after F12"
    sleep 0.02
done
took=$(seconds_between "$asked" "$running")
status=0
wait "$game" || status=$?
game=
touch "$grabs.stop"
wait "$recorder" || true
[ "$status" -eq 0 ] || fail "the game exited with status $status"

# Longest time the picture was seen still before F12: from the end of a grab to the start of
# the last one after it that shows the same picture.
still=$(awk -v until="$asked" '
    $1 > until { exit }
    $3 != digest { digest = $3; shown = $2 }
    $1 - shown > longest { longest = $1 - shown }
    END { printf "%.3f", longest }' "$grabs")
# Longest wait for a key's answer: the picture before the key is the one of the last grab
# that ended before it; the key waited at least until the start of the last grab after it
# that still shows that picture.
wait=$(awk -v until="$asked" '
    FNR == NR { if ($1 <= until) { start[n] = $1; end[n] = $2; digest[n++] = $3 }; next }
    {
        i = 0
        while (i < n && end[i] <= $1) i++
        if (i == 0) next
        before = digest[i - 1]
        while (i < n && start[i] < $1) i++
        for (last = $1; i < n && digest[i] == before; i++) last = start[i]
        if (last - $1 > longest) longest = last - $1
    }
    END { printf "%.3f", longest }' "$grabs" "$keys")
grabs_taken=$(awk -v until="$asked" '$1 <= until' "$grabs" | wc -l)
echo "quick-rounds: main window missing ${shown}s after the title; $changes Escape-Return pairs in" \
    "${seconds}s, $grabs_taken grabs; longest wait seen for a key's answer ${wait}s; longest still" \
    "picture seen ${still}s; game seen running ${took}s after F12"
before "$shown" "$MAX_WAIT_SECONDS" || fail "the main window was still missing ${shown}s after the title"
before "$wait" "$MAX_WAIT_SECONDS" || fail "a key was still unanswered ${wait}s after it"
before "$took" "$MAX_EXIT_SECONDS" || fail "the game was still running ${took}s after F12"
