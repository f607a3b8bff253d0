#!/usr/bin/env bash
# CPU where users listen: every player with its window on one private Xvfb, playing into one
# private PulseAudio server with a null sink, in turn per format (mp3, wav, mid); beside them
# Audacious headless on the same server and the program on SDL's dummy driver (no server at all).
# CPU time of all threads (schedstat) from FROM to TO seconds after launch, scaled to a minute, and
# peak RSS (VmHWM) at TO. The program runs three ways: with its own choice of output (zuvelo), with
# SDL's pulse driver named (zuvelo-sdl) and on SDL's dummy driver. Prints the table, the cost of the
# server's path (server minus dummy) and, with --threads, each of the program's threads' CPU.
#
# Usage: bench/app/server_cpu.sh [--from 15] [--to 55] [--formats "mp3 wav mid"] [--before PROGRAM]
#                                [--threads] [--only "zuvelo before zuvelo-dummy"]
# Goal: the program's mp3 and wav on the server at most its dummy figure + 0.03 s a minute.
# Audacious and qmmp are measured where installed (apt-get install audacious qmmp); missing, skipped.
# --only measures just the players named (of zuvelo, zuvelo-sdl, before, audacious, qmmp,
# audacious-H, zuvelo-dummy).
source "$(dirname "$0")/../common.sh"
from=15 to=55 formats="mp3 wav mid" before="" threads="" only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --from) from=$2; shift 2 ;;
    --to) to=$2; shift 2 ;;
    --formats) formats=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --threads) threads=1; shift ;;
    --only) only=$2; shift 2 ;;
    *) sed -n '2,15p' "$0" >&2; exit 2 ;;
  esac
done
need_packages ffmpeg xvfb pulseaudio pulseaudio-utils
build_targets zuvelo
work=$scratch/server
mkdir -p "$work"
files=$scratch/files
make_fixtures "$files" $((to + 10))

# One private X server and one private sound server for every player.
start_xvfb "$work"
pulse=$work/pulse
rm -rf "$pulse" && mkdir -p "$pulse"
start_pulse "$pulse"

# Audacious with only its PulseAudio output enabled (common.sh).
aud=$work/audacious
qmmp_home=$work/qmmp
qmmp_config() {
  rm -rf "$qmmp_home" && mkdir -p "$qmmp_home/.qmmp" "$qmmp_home/.config/qmmp"
  printf '[Output]\ncurrent_plugin=pulseaudio\n' | tee "$qmmp_home/.qmmp/qmmprc" > "$qmmp_home/.config/qmmp/qmmprc"
}

# Runs a player ("$@") in the background; prints its CPU seconds a minute between FROM and TO and
# its VmHWM at TO in MB (and, with --threads, each thread's CPU seconds a minute on stderr).
measure() {
  "$@" > "$work/player.log" 2>&1 &
  local pid=$! a b hwm
  sleep "$from"; a=$(cpu_ns "$pid")
  [ -n "$threads" ] && for t in /proc/"$pid"/task/*; do echo "$t $(cat "$t/comm") $(cut -d' ' -f1 "$t/schedstat")"; done > "$work/threads.a"
  sleep $((to - from)); b=$(cpu_ns "$pid")
  hwm=$(awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' /proc/"$pid"/status)
  if [ -n "$threads" ]; then
    for t in /proc/"$pid"/task/*; do echo "$t $(cat "$t/comm") $(cut -d' ' -f1 "$t/schedstat")"; done |
      awk -v s=$((to - from)) 'NR == FNR { a[$1] = $3; next } { printf "    %-16s %.3f\n", $2, ($3 - a[$1]) / 1e9 * 60 / s }' \
        "$work/threads.a" - | sort -k2 -gr | head -n 8 >&2
  fi
  kill -TERM "$pid" 2> /dev/null; wait "$pid" 2> /dev/null || true
  echo "$(per_minute $((b - a)) 1e9 $((to - from))) $hwm"
}

run() {
  local player=$1 file=$2 folder
  case $player in
    zuvelo|before|zuvelo-sdl|zuvelo-dummy)
      folder=$work/$player
      make_program_folder "$folder" 1,0 "$([ "$player" = before ] && echo "$before")"
      mkdir -p "$folder/music"
      cp "$file" "$folder/music/"
      # The program's own choice of output, SDL's pulse driver, SDL's dummy driver.
      local driver=${player#zuvelo}
      driver=${driver#-}
      [ "$driver" = sdl ] && driver=pulseaudio
      [ "$player" = before ] && driver=""
      SDL_AUDIODRIVER=$driver measure "$folder/zuvelo" ;;
    audacious) audacious_config "$aud" pulse_audio.so && measure "${aud_env[@]}" audacious "$file" ;;
    audacious-H) audacious_config "$aud" pulse_audio.so && measure "${aud_env[@]}" audacious -H "$file" ;;
    qmmp) qmmp_config && measure env HOME="$qmmp_home" XDG_CONFIG_HOME="$qmmp_home/.config" qmmp "$file" ;;
  esac
}

players=(zuvelo zuvelo-sdl)
[ -n "$before" ] && players+=(before)
command -v audacious > /dev/null && players+=(audacious) || echo "skipped audacious: not installed" >&2
command -v qmmp > /dev/null && players+=(qmmp) || echo "skipped qmmp: not installed" >&2
command -v audacious > /dev/null && players+=(audacious-H)
players+=(zuvelo-dummy)
[ -n "$only" ] && read -r -a players <<< "$only"

echo "CPU seconds per minute of audio from $from s to $to s of playback, peak RSS at $to s; windows on" \
  "Xvfb, sound into a private PulseAudio null sink ($(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)," \
  "$(date -u '+%Y-%m-%d %H:%M UTC'))"
declare -A cpu=() rss=()
for fmt in $formats; do
  for p in "${players[@]}"; do
    if [ "$fmt" = mid ] && [ "$p" = qmmp ]; then continue; fi
    [ -n "$threads" ] && echo "  $p $fmt:" >&2
    read -r cpu[$p.$fmt] rss[$p.$fmt] < <(run "$p" "$files/bench.$fmt")
  done
done
printf '%-14s' player
for fmt in $formats; do printf ' %8s' "$fmt"; done
printf ' %9s\n' "RSS(${formats%% *})"
for p in "${players[@]}"; do
  printf '%-14s' "$p"
  for fmt in $formats; do printf ' %8s' "${cpu[$p.$fmt]:--}"; done
  printf ' %9s\n' "${rss[$p.${formats%% *}]:--}"
done
for fmt in $formats; do
  for p in zuvelo zuvelo-sdl before; do
    [ -n "${cpu[$p.$fmt]:-}" ] || continue
    echo "server's path, $fmt: $p - zuvelo-dummy = $(awk -v a="${cpu[$p.$fmt]}" -v b="${cpu[zuvelo-dummy.$fmt]}" 'BEGIN { printf "%.3f", a - b }') s a minute"
  done
done
