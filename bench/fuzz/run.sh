#!/usr/bin/env bash
# Runs a fuzz entry point for a while, on a corpus that lives outside the repository.
# Usage: bench/fuzz/run.sh NAME [SECONDS] [--work DIR]
#   NAME: media_file_fuzzer; SECONDS defaults to 600.
# Builds first (build.sh). The media fuzzer's corpus starts from tiny files that the ffmpeg command
# line makes and from the files of findings/; crashes land in WORK/NAME/artifacts (WORK defaults
# to /tmp/zuvelo-fuzz).
# One fuzzer at a time, single process: the machine is shared.
set -euo pipefail
cd "$(dirname "$0")/../.."
name=${1:?usage: $0 NAME [SECONDS] [--work DIR]}
shift
seconds=600
work=/tmp/zuvelo-fuzz
while [ $# -gt 0 ]; do
  case "$1" in
    --work) work="$2"; shift 2 ;;
    *) seconds="$1"; shift ;;
  esac
done

build=$(bench/fuzz/build.sh | tail -n 1)
corpus="$work/$name/corpus"
artifacts="$work/$name/artifacts"
mkdir -p "$corpus" "$artifacts"

if [ "$name" = media_file_fuzzer ] && [ -z "$(ls -A "$corpus")" ]; then
  ff=(ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "sine=f=440:d=0.1")
  "${ff[@]}" -ac 1 -ar 8000 "$corpus/seed.wav"
  "${ff[@]}" -ac 1 -ar 8000 -c:a adpcm_ms "$corpus/seed-adpcm.wav"
  "${ff[@]}" -ac 6 -ar 8000 "$corpus/seed-5.1.wav"
  find bench/fuzz/findings -type f ! -name '*.md' -exec cp {} "$corpus/" \; # what was found once stays
  "${ff[@]}" -ac 1 -ar 22050 -c:a libmp3lame -b:a 32k "$corpus/seed.mp3"
  "${ff[@]}" -ac 1 -ar 22050 -c:a mp2 -b:a 32k "$corpus/seed.mp2"
  "${ff[@]}" -ac 1 -ar 22050 -c:a wmav2 -b:a 32k -f asf "$corpus/seed.wma"
  # One note, a quarter second: a type-0 Standard MIDI File.
  printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00\x0d' > "$corpus/seed.mid"
  printf '\x00\x90\x3c\x64\x81\x70\x80\x3c\x00\x00\xff\x2f\x00' >> "$corpus/seed.mid"
fi

options=(-max_total_time="$seconds" -artifact_prefix="$artifacts/" -print_final_stats=1)
case "$name" in
  media_file_fuzzer) options+=(-max_len=65536 -timeout=20) ;;
esac
# Every media input is written to a file first; a memory-backed scratch folder keeps
# that from dominating every execution.
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
export SDL_AUDIODRIVER=dummy
TMPDIR="$scratch" "$build/$name" "${options[@]}" "$corpus" 2>&1 | tee "$work/$name/last-run.log" |
  grep -E '^(stat::|==[0-9]+==|SUMMARY|property broken|artifact_prefix|Test unit written)|Done [0-9]+ runs' || true
