#!/usr/bin/env bash
# The silence between tracks in the real program: 21 half-second tones of distinct pitches in one
# music folder, played in order through SDL's disk driver. zuvelo_gap_analysis finds the gap before
# each of the first 20 changes in the recording, and in the reference, the same tracks decoded by
# the ffmpeg command line and laid end to end, where it must find 0 ms.
#
# Usage: bench/app/gap.sh [--kind mixed|wav|mp3] [--program PATH] [--work DIR] [--server]
#   --kind     all wav, all mp3, or wav and mp3 by turns (default)
#   --program  another build of the program to measure (default: built into $build)
#   --work     default /tmp/zuvelo-bench-app/gap
#   --server   the program's own output into a private PulseAudio null sink, recorded from its monitor
# Goal: median gap 0 ms, max under 5 ms.
source "$(dirname "$0")/../common.sh"
work=$scratch/gap kind=mixed executable="" server=""
while [ $# -gt 0 ]; do
  case "$1" in
    --kind) kind=$2; shift 2 ;;
    --program) executable=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --server) server=1; shift ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
done

need_packages ffmpeg
build_targets zuvelo zuvelo_gap_analysis
analyse=$build/bench/app/zuvelo_gap_analysis

fresh_work "$work"
program=$work/program
make_program_folder "$program" "1,0" "$executable"
mkdir -p "$program/Tones"
for i in $(seq 0 20); do
  hz=$((300 + 150 * i))
  if [ "$kind" = wav ] || { [ "$kind" = mixed ] && [ $((i % 2)) -eq 0 ]; }; then
    tone "$(printf '%s/Tones/t%02d.wav' "$program" "$i")" "$hz" 0.5
  else
    tone "$(printf '%s/Tones/t%02d.mp3' "$program" "$i")" "$hz" 0.5 -c:a libmp3lame -b:a 128k
  fi
done

# The reference: every track decoded to the output's format and laid end to end, in name order (the
# order of the scan; the zero-padded numbers sort the same byte by byte).
for f in $(LC_ALL=C ls "$program/Tones"); do
  "${ff[@]}" -i "$program/Tones/$f" -f f32le -ar 48000 -ac 2 - >> "$work/reference.raw"
done

# The program, until 20 changes have been recorded (21 tracks at about 0.6 s each).
recording=$work/recording.raw
driver=disk
if [ -n "$server" ]; then
  start_pulse "$work"
  parec --raw --format=float32le --rate=48000 --channels=2 -d bench.monitor > "$recording" &
  children+=($!)
  driver=""
fi
SDL_AUDIODRIVER=$driver SDL_DISKAUDIOFILE=$recording QT_QPA_PLATFORM=offscreen "$program/zuvelo" \
  > "$work/program.log" 2>&1 &
pid=$!
for _ in $(seq 1 120); do
  sleep 0.5
  [ -f "$recording" ] && "$analyse" "$recording" 20 > /dev/null && break || true
done
kill -TERM "$pid"
wait "$pid" || echo "the program ended with status $?; its log: $work/program.log" >&2

echo "== program (${driver:-its own output into a sound server}) =="
"$analyse" "$recording" 20 | tee "$work/program.txt" || echo "fewer than 20 changes recorded" >&2
echo "== reference: the same tracks concatenated with no gap =="
"$analyse" "$work/reference.raw" 20 | tee "$work/reference.txt" || echo "fewer than 20 changes found in the reference" >&2

echo
printf '%-22s %10s %10s %10s\n' "" median_ms max_ms mean_ms
for row in program reference; do # the summary's median, max and mean, in that order
  tail -n 1 "$work/$row.txt" | awk -v row="$row" '{ printf "%-22s", row
    for (i = 1; i < NF; ++i) if ($i ~ /_gap_ms$/) printf " %10s", $(i + 1); print "" }'
done
