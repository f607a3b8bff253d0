#!/usr/bin/env bash
# How soon after a monitor tick a track change is visible to the desktop's media clients: the time
# from the tick's open of the next track's file (the first openat of that file, seen by strace) to
# the line `playerctl --follow metadata` prints for it, on a private session bus. Short tones play
# in order, so every change is one the monitor made by itself. Prints each change and the median.
#
# Usage: bench/app/mpris_latency.sh [CHANGES]       (default 20)
source "$(dirname "$0")/../common.sh"
changes=${1:-20}
need_packages ffmpeg strace playerctl dbus-daemon
build_targets zuvelo

fresh_work "$scratch/mpris"
program=$work/program
make_program_folder "$program" "1,0"
mkdir -p "$program/music"
for i in $(seq -w 1 $((changes + 2))); do tone "$program/music/t$i.wav" 440 0.4; done

start_bus "$work"
export DBUS_SESSION_BUS_ADDRESS=$bus_address

QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$program/zuvelo" > "$work/program.log" 2>&1 &
pid=$!
children+=("$pid")
for _ in $(seq 1 100); do playerctl -l 2>/dev/null | grep -qx zuvelo && break; sleep 0.05; done
strace -f -qq -ttt -e trace=openat -o "$work/strace.log" -p "$pid" &
children+=("$!")
stdbuf -oL playerctl -p zuvelo --follow metadata --format '{{xesam:title}}' 2>/dev/null |
  while read -r title; do echo "$EPOCHREALTIME $title"; done > "$work/follow.log" &
children+=("$!")
for _ in $(seq 1 600); do [ "$(wc -l < "$work/follow.log")" -gt $((changes + 1)) ] && break; sleep 0.1; done
stop_children

# The first line is the track playing when playerctl started; the others are changes.
awk -v changes="$changes" '
  FNR == NR {
    if (match($0, /"[^"]*\/music\/[^"]*"/)) {
      name = substr($0, RSTART, RLENGTH); sub(/.*\//, "", name); sub(/"$/, "", name)
      if (!(name in opened)) opened[name] = $2
    }
    next
  }
  FNR > 1 && n < changes && ($2 in opened) { printf "%s %.1f\n", $2, ($1 - opened[$2]) * 1000; n++ }
' "$work/strace.log" "$work/follow.log" > "$work/latency.txt"
cat "$work/latency.txt"
mapfile -t ms < <(awk '{ print $2 }' "$work/latency.txt")
echo "changes: ${#ms[@]}; milliseconds from the tick's open to playerctl's line: median $(median "${ms[@]}")," \
  "min $(printf '%s\n' "${ms[@]}" | sort -g | head -1), max $(printf '%s\n' "${ms[@]}" | sort -g | tail -1)"
