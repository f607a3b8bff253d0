#!/usr/bin/env bash
# Idle cost: CPU seconds a minute of the program paused by a real click on its "| |" button, its
# window shown on Xvfb, with the desktop's media service off (no session bus) and on (a private
# one), against a bare Qt window with a 100 ms timer that sets its title (zuvelo_idle_window), one
# after the other on the same server. Sound goes to SDL's dummy driver, whose thread keeps asking
# for samples while paused, as a real device would. CPU time of every thread from /proc/PID/stat
# (10 ms ticks) and from the threads' schedstat (ns) over SECONDS, scaled to a minute.
# bench/README.md ("Idle") has the details.
#
# Usage: bench/app/idle.sh [SECONDS]       (default 30)
# Goal: under 0.15 s a minute.
source "$(dirname "$0")/../common.sh"
seconds=${1:-30}

if [ -z "${ZUVELO_IDLE_INNER:-}" ]; then
  need_packages ffmpeg xvfb xauth xdotool dbus-daemon
  build_targets zuvelo zuvelo_idle_window
  ZUVELO_IDLE_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$seconds"
fi

fresh_work "$scratch/idle"
program=$work/program
make_program_folder "$program" "1,0"
mkdir -p "$program/music"
tone "$program/music/long.mp3" 440 600 -c:a libmp3lame -b:a 128k

# Prints "<ticks-based s/min> <schedstat-based s/min>" for pid over the measurement.
measure() {
  local ticks ns
  ticks=$(cpu_ticks "$1") ns=$(cpu_ns "$1")
  sleep "$seconds"
  echo "$(per_minute $(($(cpu_ticks "$1") - ticks)) "$hz" "$seconds") $(per_minute $(($(cpu_ns "$1") - ns)) 1e9 "$seconds")"
}

# The reference window.
"$build/bench/app/zuvelo_idle_window" > "$work/reference.log" 2>&1 &
children+=($!)
sleep 3
read -r ref_ticks ref_ns < <(measure "${children[0]}")
stop_children

# The program, paused by a click, with the desktop's media service off ($1 = off: no session bus
# at all, so the service is never registered) or on ($1 = on: a private session bus of this script's).
# Leaves "<ticks-based s/min> <schedstat-based s/min>" in result.
measure_program() {
  bus_address=unix:path=$work/no-bus
  [ "$1" = off ] || start_bus "$work"
  printf '1,0\r\n' > "$program/muini.dat"
  DBUS_SESSION_BUS_ADDRESS=$bus_address SDL_AUDIODRIVER=dummy "$program/zuvelo" > "$work/program-$1.log" 2>&1 &
  local pid=$! window y
  children+=("$pid")
  window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '^Zuvelo' | head -n 1)
  caption() { xdotool getwindowname "$window"; }
  for _ in $(seq 1 50); do [ "$(caption)" = Zuveloplaying ] && break; sleep 0.1; done
  [ "$(caption)" = Zuveloplaying ] || { echo "the track did not start: caption '$(caption)'" >&2; exit 1; }
  for y in $(seq 40 3 100); do
    xdotool mousemove --window "$window" 376 "$y" click 1
    sleep 0.3
    [ "$(caption)" = Zuvelopaused ] && break
  done
  [ "$(caption)" = Zuvelopaused ] || { echo "could not pause: caption '$(caption)'" >&2; exit 1; }
  echo "service $1: paused by a click at client x 376, window y $y"
  # Out of the way, so that no hover effect repaints the button during the measurement.
  xdotool mousemove 1000 700
  sleep 3
  result=$(measure "$pid")
  [ "$(caption)" = Zuvelopaused ] || { echo "no longer paused at the end: caption '$(caption)'" >&2; exit 1; }
  if [ "$1" = on ] && grep -q "media keys are unavailable" "$work/program-on.log"; then
    echo "the service did not start" >&2; exit 1
  fi
  stop_children
}
measure_program off
read -r our_ticks our_ns <<< "$result"
measure_program on
read -r on_ticks on_ns <<< "$result"

echo
printf '%-32s %14s %18s\n' "CPU seconds a minute" "from stat" "from schedstat"
printf '%-32s %14s %18s\n' "program, paused, window shown" "$our_ticks" "$our_ns"
printf '%-32s %14s %18s\n' "  the same, media service on" "$on_ticks" "$on_ns"
printf '%-32s %14s %18s\n' "  service on / off" "$(ratio "$on_ticks" "$our_ticks")" "$(ratio "$on_ns" "$our_ns")"
printf '%-32s %14s %18s\n' "bare Qt window, 100 ms timer" "$ref_ticks" "$ref_ns"
printf '%-32s %14s %18s\n' "program / bare window" "$(ratio "$our_ticks" "$ref_ticks")" "$(ratio "$our_ns" "$ref_ns")"
printf '%-32s %14s %18s\n' "program / goal 0.15 s" "$(ratio "$our_ticks" 0.15)" "$(ratio "$our_ns" 0.15)"
