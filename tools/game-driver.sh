# Shared by the scripts that drive the built game on a virtual X display: waiting for what the
# game shows, finding its windows and ending it. The sourcing script sets $game (the game's pid,
# empty before it starts) and defines fail().

# Ends a game left running by a failed step: politely first, then for good, since the
# sound library's signal handlers may swallow SIGTERM.
stop_game() {
    [ -n "$game" ] && kill -0 "$game" 2>/dev/null || return 0
    kill "$game" 2>/dev/null || true
    for _ in $(seq 20); do
        kill -0 "$game" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
}

now() { date +%s.%N; }
elapsed_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
before() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Waits up to $1 seconds for the command after $2 (a description) to succeed; fails at once
# when the game has ended in the meantime.
wait_for() {
    local limit=$1 what=$2 start
    shift 2
    start=$(now)
    until "$@"; do
        kill -0 "$game" 2>/dev/null || fail "the game ended while waiting for $what"
        before "$(elapsed_since "$start")" "$limit" || fail "no $what after ${limit}s"
        sleep 0.05
    done
}

game_window() { xdotool search --onlyvisible --pid "$game" 2>/dev/null | head -n 1; }
has_game_window() { [ -n "$(game_window)" ]; }
main_window() { xdotool search --onlyvisible --name '^Vortamix - ' 2>/dev/null | head -n 1; }
caption_is() { [ "$(xdotool getwindowname "$(main_window)" 2>/dev/null)" = "$1" ]; }
