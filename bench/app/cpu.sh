#!/usr/bin/env bash
# CPU seconds per minute of audio while playing, whole programs one at a time, in turn per format
# (mp3, wav, wma, mp2, mid): the real program, Audacious, mpv and ffplay, each on a dummy or null
# output; the CPU time of all threads (schedstat) from FROM to TO seconds after the launch, scaled
# to a minute. Prints the table and Zuvelo's ratio to Audacious (goal: at most 1.00).
#
# Usage: bench/app/cpu.sh [--from 20] [--to 80] [--before PROGRAM] [--formats "mp3 wav wma mp2 mid"]
#   --before  a second build of the program (e.g. of an earlier commit), measured as "before"
#
# The reference players are not installed by this script; a missing one is skipped. On Debian:
#   sudo apt-get install audacious mpv ffmpeg fluid-soundfont-gm
source "$(dirname "$0")/../common.sh"
from=20 to=80 before="" formats="mp3 wav wma mp2 mid"
while [ $# -gt 0 ]; do
  case "$1" in
    --from) from=$2; shift 2 ;;
    --to) to=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --formats) formats=$2; shift 2 ;;
    *) sed -n '2,11p' "$0" >&2; exit 2 ;;
  esac
done
work=$scratch/cpu

build_targets zuvelo
files=$scratch/files
make_fixtures "$files" $((to + 10))

# Audacious with only its SDL output enabled, its MIDI plugin on FluidR3 (common.sh).
aud=$work/audacious
# Runs a player ("$@") in the background and prints its CPU seconds a minute between FROM and TO.
measure() {
  "$@" > /dev/null 2>&1 &
  local pid=$! a b
  sleep "$from"; a=$(cpu_ns "$pid")
  sleep $((to - from)); b=$(cpu_ns "$pid")
  kill -TERM "$pid" 2> /dev/null; wait "$pid" 2> /dev/null || true
  per_minute $((b - a)) 1e9 $((to - from))
}

run() {
  local player=$1 file=$2 folder
  case $player in
    zuvelo|before)
      folder=$work/$player
      make_program_folder "$folder" 1,0 "$([ "$player" = before ] && echo "$before")"
      mkdir -p "$folder/music"
      cp "$file" "$folder/music/"
      QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy measure "$folder/zuvelo" ;;
    audacious)
      audacious_config "$aud" sdlout.so
      SDL_AUDIODRIVER=dummy measure "${aud_env[@]}" audacious -H "$file" ;;
    mpv) measure mpv --no-config --no-video --ao=null --really-quiet "$file" ;;
    ffplay) SDL_AUDIODRIVER=dummy measure ffplay -nodisp -autoexit -loglevel error "$file" ;;
  esac
}

players=(zuvelo)
[ -n "$before" ] && players+=(before)
for p in audacious mpv ffplay; do
  if command -v "$p" > /dev/null; then players+=("$p"); else echo "skipped $p: not installed" >&2; fi
done

echo "CPU seconds per minute of audio, sampled from $from s to $to s of playback ($(nproc) cores," \
  "load $(cut -d' ' -f1 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC'))"
printf '%-6s' format
for p in "${players[@]}"; do printf ' %9s' "$p"; done
printf ' %9s\n' zuv/aud
for fmt in $formats; do
  printf '%-6s' "$fmt"
  declare -A v=()
  for p in "${players[@]}"; do
    if [ "$fmt" = mid ] && { [ "$p" = mpv ] || [ "$p" = ffplay ]; }; then printf ' %9s' -; continue; fi
    v[$p]=$(run "$p" "$files/bench.$fmt")
    printf ' %9s' "${v[$p]}"
  done
  printf ' %9s\n' "$([ -n "${v[audacious]:-}" ] && ratio "${v[zuvelo]}" "${v[audacious]}" || echo -)"
  unset v
done
