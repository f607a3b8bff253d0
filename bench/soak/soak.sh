#!/usr/bin/env bash
# Soak: the real player through thousands of track changes of very short tracks (0.2 s tones in
# every format, tiny MIDI files), with a timer pressing its buttons, picking menu items and moving
# its controls between them, while another process keeps one core busy. Reports resident memory
# and open descriptors after the first changes and at the end, and the sound output's underruns.
#
# Usage: bench/soak/soak.sh [CHANGES] [BASELINE]      (2000 and 100 by default; about 10 minutes)
# Builds into build/soak (release), works in a temporary folder, writes the sound to /dev/null
# through SDL's disk driver (which plays in real time), on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/../.."
changes=${1:-2000}
baseline=${2:-100}

build=${ZUVELO_SOAK_BUILD:-build/soak} # another build folder may be named
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUVELO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target zuvelo_soak_player >/dev/null

work=$(mktemp -d /tmp/zuvelo-soak-XXXXXX)
hog=""
cleanup() {
  [ -n "$hog" ] && kill "$hog" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The library: five tones a format, a fifth of a second each, and ten tiny MIDI files.
mkdir -p "$work/Tones" "$work/More tones" "$work/Midi"
ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)
for i in 1 2 3 4 5; do
  f=$((300 + 110 * i))
  src=(-f lavfi -i "sine=frequency=$f:duration=0.2")
  "${ff[@]}" "${src[@]}" -ar 44100 -ac 2 "$work/Tones/tone$i.wav"
  "${ff[@]}" "${src[@]}" -ar 44100 -ac 2 -c:a libmp3lame -b:a 128k "$work/Tones/tone$i.mp3"
  "${ff[@]}" "${src[@]}" -ar 44100 -ac 2 -c:a mp2 -b:a 192k -f mp2 "$work/More tones/tone$i.mp2"
  "${ff[@]}" "${src[@]}" -ar 44100 -ac 2 -c:a wmav2 -b:a 64k -f asf "$work/More tones/tone$i.wma"
  # One note of a fifth of a second (192 ticks at 480 a quarter, 120 a minute): a type-0 file.
  key=$(printf '\\x%02x' $((60 + 2 * i)))
  for ext in mid midi; do
    printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00\x0d' > "$work/Midi/note$i.$ext"
    printf "\\x00\\x90${key}\\x64\\x81\\x40\\x80${key}\\x00\\x00\\xff\\x2f\\x00" >> "$work/Midi/note$i.$ext"
  done
done
printf '1,1\r\n' > "$work/muini.dat"
echo "library: $(find "$work" -type f -name 'tone*' -o -type f -name 'note*' | wc -l) tracks in $work"

# One core kept busy for the whole run.
bash -c 'while :; do :; done' &
hog=$!

start=$(date +%s)
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
  "$build/bench/soak/zuvelo_soak_player" "$work" "$changes" "$baseline" 1 | tee "$work/figures.txt"
status=${PIPESTATUS[0]}
echo "wall time: $(( $(date +%s) - start )) s; settings written at the end: $(tr -d '\r' < "$work/muini.dat")"
exit "$status"
