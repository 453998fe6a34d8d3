#!/usr/bin/env bash
# A private PulseAudio sound server with one null sink, for tests that need a real sound
# server on a machine without a sound card (CI). Its monitor is the default source, so what
# is played into the sink can be captured back.
#
#   tools/sound-server.sh start DIR   start a server whose runtime, state and socket live in
#                                     DIR; prints the environment a client needs, as
#                                     NAME=value lines (PULSE_SERVER, XDG_RUNTIME_DIR, ...)
#   tools/sound-server.sh stop DIR    stop the server started in DIR and wait for it to end
#   tools/sound-server.sh env DIR     print the environment lines again
#
# Each DIR holds its own server, so tests running side by side never hear each other.
# The server exits on its own once nobody has used it for a while, so a test that dies
# without stopping it leaves nothing behind for long. Exits 2 when the server cannot start.
set -euo pipefail

usage() { echo "usage: $0 start|stop|env DIR" >&2; exit 64; }
[ $# -eq 2 ] || usage
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
socket=$dir/native
pidfile=$dir/pulse.pid
idle_seconds=${VX_SOUND_SERVER_IDLE:-120}

print_env() {
  echo "PULSE_SERVER=unix:$socket"
  echo "XDG_RUNTIME_DIR=$dir"
  echo "PULSE_STATE_PATH=$dir/state"
  echo "PULSE_RUNTIME_PATH=$dir"
  echo "PULSE_SINK=vx_null"
  echo "PULSE_SOURCE=vx_null.monitor"
}

client_env() {
  env PULSE_SERVER="unix:$socket" XDG_RUNTIME_DIR="$dir" PULSE_STATE_PATH="$dir/state" \
    PULSE_RUNTIME_PATH="$dir" "$@"
}

running() { [ -S "$socket" ] && client_env pactl info >/dev/null 2>&1; }

start() {
  if running; then print_env; return 0; fi
  command -v pulseaudio >/dev/null || { echo "sound server: pulseaudio is not installed" >&2; exit 2; }
  mkdir -p "$dir/state"
  chmod 700 "$dir"
  rm -f "$socket" "$pidfile"
  # Only the modules named here: no hardware detection, no session bus, no saved volumes.
  cat > "$dir/server.pa" <<PA
load-module module-native-protocol-unix socket=$socket auth-anonymous=1
load-module module-null-sink sink_name=vx_null sink_properties=device.description=Null-Output
set-default-sink vx_null
set-default-source vx_null.monitor
PA
  # As root the daemon warns but runs in user mode when told not to switch to system mode.
  client_env pulseaudio --daemonize=yes --use-pid-file=no --system=false -n \
    --exit-idle-time="$idle_seconds" --disallow-module-loading=no --log-target=file:"$dir/server.log" \
    -F "$dir/server.pa" 2>>"$dir/server.log" || true
  for _ in $(seq 1 100); do
    if running; then
      pgrep -f -n -- "-F $dir/server.pa" > "$pidfile" || true
      print_env
      return 0
    fi
    sleep 0.05
  done
  echo "sound server: the daemon did not start; see $dir/server.log" >&2
  exit 2
}

stop() {
  local pid
  pid=$(cat "$pidfile" 2>/dev/null || pgrep -f -n -- "-F $dir/server.pa" || true)
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { rm -f "$pidfile"; return 0; }
    sleep 0.05
  done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$pidfile"
}

case $action in
  start) start ;;
  stop) stop ;;
  env) print_env ;;
  *) usage ;;
esac
