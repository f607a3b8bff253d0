#!/usr/bin/env bash
# CPU seconds (user + system) that each player spends per minute of audio, side by side in one run:
# Zuvelo's media layer (through mciplay), Audacious, ffplay and mpv, each playing the same file to its
# end on a silent output, for wav, mp3, mp2 and wma. Prints one table; the last column is Zuvelo's
# figure as a ratio of Audacious's, the reference measured in the same run (goal: at most 1.00).
#
# Usage: bench/mci/cpu_per_minute.sh [--seconds N] [--repeat N] [--players LIST] [--mciplay PATH]
#                                    [--work DIR]
#   --seconds  length of the test files (default 30); figures are scaled to one minute
#   --repeat   runs per player and format; the median is reported (default 1)
#   --players  which players, blank-separated (default "zuvelo audacious ffplay mpv")
#   --mciplay  the mciplay binary (default: built into build/bench from this checkout)
#   --work     folder for the files and the players' private settings (default /tmp/zuvelo-bench)
#
# Installs audacious, mpv and ffmpeg from Debian when they are missing (as root or via sudo).
# Run it on an otherwise quiet machine: every player shares the CPU with whatever else is running.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

seconds=30
repeat=1
mciplay=""
work=/tmp/zuvelo-bench
players=(zuvelo audacious ffplay mpv)
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --players) read -r -a players <<< "$2"; shift 2 ;;
    --mciplay) mciplay="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    *) sed -n '2,18p' "$0" >&2; exit 2 ;;
  esac
done

# The other players come from Debian; they are needed only here, not to build or test Zuvelo.
need=()
for p in audacious mpv ffmpeg; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${need[*]}" >&2
  "${sudo[@]}" apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${need[@]}" >&2
fi

if [ -z "$mciplay" ]; then
  build="$root/build/bench"
  if cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUVELO_BUILD_TESTS=OFF >&2 &&
     cmake --build "$build" --target mciplay -j 2 >&2; then
    mciplay=$(find "$build" -type f -name mciplay -perm -u+x | head -n 1)
  else
    echo "mciplay could not be built; the Zuvelo column stays empty" >&2
  fi
fi

files="$work/files"
"$root/bench/mci/make_fixtures.sh" "$files" "$seconds"

# Audacious keeps its settings, plugin registry and playlists under the XDG folders: give it
# private ones so that the user's own set-up neither affects nor is affected by the benchmark.
aud="$work/audacious"
export_aud=(env XDG_CONFIG_HOME="$aud/config" XDG_DATA_HOME="$aud/data" XDG_CACHE_HOME="$aud/cache")
registry="$aud/config/audacious/plugin-registry"
if [ ! -f "$registry" ] || ! grep -q 'sdlout.so' "$registry"; then
  rm -rf "$aud"
  mkdir -p "$aud/config" "$aud/data" "$aud/cache"
  # The first run writes the plugin registry. It may hang on a machine without sound (its
  # default outputs fail), hence the short timeout on a one-second file.
  ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "sine=d=1" "$aud/first.wav"
  SDL_AUDIODRIVER=dummy timeout 10 "${export_aud[@]}" audacious -H -q "$aud/first.wav" \
    >/dev/null 2>&1 || true
fi
# In the registry each plugin is a block that starts with its kind and path ("output
# /usr/lib/.../Output/alsa.so") and holds an "enabled 0|1" line: enable the SDL output, and only it.
awk '/^[a-z]+ \//{ inout = ($1 == "output"); sdl = ($2 ~ /\/sdlout\.so$/) }
     /^enabled / && inout { print "enabled " (sdl ? 1 : 0); next }
     { print }' "$registry" > "$registry.new"
mv "$registry.new" "$registry"
grep -q 'sdlout.so' "$registry" || { echo "Audacious has no SDL output plugin" >&2; exit 1; }

# Runs one player on one file; prints "cpu_seconds wall_seconds": user + system time of the whole
# process tree (bash's `times` in a subshell reports its waited-for children, to the millisecond),
# and the elapsed time.
measure() {
  local limit=$((seconds * 3 + 30)) start end
  start=$(date +%s.%N)
  (
    timeout "$limit" "$@" >/dev/null 2>&1 || true
    # Not in a pipeline: that would run `times` in a new process with no children of its own.
    times
  ) > "$work/times.out"
  end=$(date +%s.%N)
  # "0m1.234s 0m0.056s": minutes and seconds of user, then system time.
  sed -n -e 2p "$work/times.out" | sed -e 's/m/ /g' -e 's/s//g' |
    awk -v s="$start" -v e="$end" '{ printf "%.3f %.2f\n", $1 * 60 + $2 + $3 * 60 + $4, e - s }'
}

run_player() {
  local player=$1 file=$2
  case "$player" in
    zuvelo)
      [ -n "$mciplay" ] && [ -x "$mciplay" ] || return 1
      SDL_AUDIODRIVER=dummy measure "$mciplay" "$file" ;;
    audacious)
      # A fresh playlist each time, so that only this file plays and nothing is resumed.
      rm -rf "$aud/config/audacious/playlists" "$aud/config/audacious/playlist-state"
      SDL_AUDIODRIVER=dummy measure "${export_aud[@]}" audacious -H -q "$file" ;;
    ffplay)
      SDL_AUDIODRIVER=dummy measure ffplay -nodisp -autoexit -loglevel error "$file" ;;
    mpv)
      measure mpv --no-config --no-video --ao=null --really-quiet "$file" ;;
  esac
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "CPU seconds per minute of audio ($seconds s files scaled to 60 s, median of $repeat;"
echo "$(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'); '!' marks a run that ended early)"
printf '%-6s' format
for p in "${players[@]}"; do printf ' %10s' "$p"; done
printf ' %16s\n' 'zuvelo/audacious'
for fmt in wav mp3 mp2 wma; do
  printf '%-6s' "$fmt"
  declare -A perminute=()
  for p in "${players[@]}"; do
    cpus=() short=""
    for _ in $(seq "$repeat"); do
      if ! result=$(run_player "$p" "$files/bench.$fmt") || [ -z "$result" ]; then
        cpus=(); break
      fi
      read -r cpu wall <<< "$result"
      cpus+=("$cpu")
      # A player that stops well before the end has not done the work being measured.
      awk -v w="$wall" -v s="$seconds" 'BEGIN { exit !(w < 0.9 * s) }' && short='!'
    done
    if [ ${#cpus[@]} -eq 0 ]; then
      printf ' %10s' 'n/a'
      continue
    fi
    value=$(printf '%s\n' "${cpus[@]}" | median | awk -v s="$seconds" '{ printf "%.3f", $1 * 60 / s }')
    perminute[$p]=$value
    printf ' %10s' "$value$short"
  done
  if [ -n "${perminute[zuvelo]:-}" ] && [ -n "${perminute[audacious]:-}" ]; then
    awk -v z="${perminute[zuvelo]}" -v a="${perminute[audacious]}" 'BEGIN { printf " %16.2f\n", z / a }'
  else
    printf ' %16s\n' 'n/a'
  fi
  unset perminute
done
