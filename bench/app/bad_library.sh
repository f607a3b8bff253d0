#!/usr/bin/env bash
# Time to first sound in a library where only one track plays: BAD unplayable 1 KB files (random
# bytes named .mp3, .wav, .mid, .wma and .mp2 by turns) in folders of 50, and one good 5-second
# mp3 among them, for each play mode. From launch to the first audio in SDL's disk driver's file
# (zuvelo_app_probe), on Qt's offscreen platform. In the ordered modes the settings start right
# after the good track, so every bad one comes first; random mode starts wherever its draw falls,
# so it is run RUNS times. Then the good track is made bad too: from launch to the end of the
# first round over all of them, after which the monitor only retries one track every 5 s.
#
# Usage: bench/app/bad_library.sh [--bad N] [--runs R] [--program PATH]
#   --bad N         bad files (default 49999); the good one makes N + 1 tracks
#   --runs R        random-mode runs (default 3)
#   --program PATH  another build of the program (an earlier commit's), run the same way
# Goal: the good track heard, and with all bad the round over, within 60 s of launch in every mode.
source "$(dirname "$0")/../common.sh"
bad=49999 runs=3 program=
while [ $# -gt 0 ]; do
  case "$1" in
    --bad) bad=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    *) echo "usage: $0 [--bad N] [--runs R] [--program PATH]" >&2; exit 2 ;;
  esac
done
need_packages ffmpeg
build_targets zuvelo zuvelo_app_probe
program=${program:-$build/app/zuvelo}
audio=$scratch/bad_library.raw

# The library, kept between runs of the same size: folders f0000.. of 50 files t00..t49.
library=$scratch/bad_library
tracks=$((bad + 1))
if [ "$(cat "$library/.tracks" 2>/dev/null)" != "$tracks" ]; then
  rm -rf "$library"
  mkdir -p "$library"
  suffixes=(mp3 wav mid wma mp2)
  for ((f = 0; f * 50 < tracks; f++)); do
    dir=$library/$(printf 'f%04d' "$f")
    mkdir -p "$dir"
    n=$((tracks - f * 50 < 50 ? tracks - f * 50 : 50))
    head -c $((n * 1024)) /dev/urandom | split -b 1024 -a 2 -d --additional-suffix=".${suffixes[f % 5]}" - "$dir/t"
  done
  echo "$tracks" > "$library/.tracks"
fi
# The good track: the middle one, in place of a bad file of the same number.
goodNumber=$(((tracks + 1) / 2))
goodFolder=$(printf 'f%04d' $(((goodNumber - 1) / 50)))
goodName=$(printf 't%02d' $(((goodNumber - 1) % 50)))
[ -s "$scratch/good.mp3" ] || tone "$scratch/good.mp3" 440 5 -c:a libmp3lame -b:a 128k

# The program runs from the library's own folder with settings $1; prints first_sound_ms.
run_once() {
  cp "$program" "$library/zuvelo"
  printf '%s\r\n' "$1" > "$library/muini.dat"
  local out
  out=$("$probe" --sound "$audio" --log "$scratch/bad_library.log" --timeout 7200 \
    --env QT_QPA_PLATFORM=offscreen --env SDL_AUDIODRIVER=disk --env "SDL_DISKAUDIOFILE=$audio" -- "$library/zuvelo") ||
    { echo "the program did not play; see $scratch/bad_library.log" >&2; exit 1; }
  probe_value "$out" first_sound_ms
}

# With every track bad, the seconds from launch to the end of the first round, after which the
# monitor only retries one track every 5 s: the moment the last new "mci:" line (one a file that
# FFmpeg complains about, once a run) appeared, polled every quarter second; the files without
# such a line (.wma, .mid) lie among them, two folders in five, so the round counts as over after
# 30 s without a new line (100 files without one take 10 s at one a tick). Gives up after $1 s.
round_seconds() {
  cp "$program" "$library/zuvelo"
  printf '1,0\r\n' > "$library/muini.dat"
  local log=$scratch/bad_library_all.log
  QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$library/zuvelo" > "$log" 2>&1 &
  children+=("$!")
  local start now last=0 lines previous=0
  start=$(date +%s.%N)
  while sleep 0.25; do
    now=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { print n - s }')
    lines=$(grep -c '^mci: ' "$log" || true)
    [ "$lines" -gt "$previous" ] && last=$now
    previous=$lines
    awk -v n="$now" -v l="$last" -v t="$1" 'BEGIN { exit !(n - l > 30 || n > t) }' && break
  done
  stop_children
  echo "$last"
}

rm -f "$library/$goodFolder/$goodName".*
cp "$scratch/good.mp3" "$library/$goodFolder/$goodName.mp3"
echo "$bad bad tracks and one good, track $goodNumber of $tracks; program $program"
printf '%-40s %12s\n' "launch to first audio" ms
printf '%-40s %12s\n' "in order, from after the good one" "$(run_once "1,$goodNumber")"
printf '%-40s %12s\n' "reverse, from before the good one" "$(run_once "2,$goodNumber")"
for r in $(seq 1 "$runs"); do printf '%-40s %12s\n' "random, run $r" "$(run_once "0,0")"; done
printf '%-40s %12s\n' "mci: lines in the last run's log" "$(grep -c '^mci: ' "$scratch/bad_library.log" || true)"
rm "$library/$goodFolder/$goodName.mp3"
head -c 1024 /dev/urandom > "$library/$goodFolder/$goodName.mp3"
printf '%-40s %12s\n' "all bad, in order: the round over (s)" "$(round_seconds 7200)"
printf '%-40s %12s\n' "mci: lines in its log" "$(grep -c '^mci: ' "$scratch/bad_library_all.log" || true)"
