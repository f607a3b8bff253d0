#!/usr/bin/env bash
# Soak: the real player through thousands of track changes of very short tracks (0.2 s tones in
# every format, tiny MIDI files), with a timer pressing its buttons, picking menu items and moving
# its controls between them, while another process keeps one core busy. Reports resident memory
# and open descriptors after the first changes and at the end, and the sound output's underruns.
#
# Usage: bench/soak/soak.sh [CHANGES] [BASELINE]      (2000 and 100 by default; about 10 minutes)
# Works in /tmp/zuvelo-bench-app/soak, writes the sound to /dev/null through SDL's disk driver
# (which plays in real time), on Qt's offscreen platform.
source "$(dirname "$0")/../common.sh"
changes=${1:-2000}
baseline=${2:-100}
need_packages ffmpeg
build_targets zuvelo_soak_player

# The library: five tones a format, a fifth of a second each, and ten tiny MIDI files.
fresh_work "$scratch/soak"
mkdir -p "$work/Tones" "$work/More tones" "$work/Midi"
for i in 1 2 3 4 5; do
  f=$((300 + 110 * i))
  tone "$work/Tones/tone$i.wav" $f 0.2
  tone "$work/Tones/tone$i.mp3" $f 0.2 -c:a libmp3lame -b:a 128k
  tone "$work/More tones/tone$i.mp2" $f 0.2 -c:a mp2 -b:a 192k -f mp2
  tone "$work/More tones/tone$i.wma" $f 0.2 -c:a wmav2 -b:a 64k -f asf
  # One note of a fifth of a second (192 ticks at 480 a quarter, 120 a minute).
  key=$(printf '\\x%02x' $((60 + 2 * i)))
  for ext in mid midi; do midi_file "$work/Midi/note$i.$ext" "\\x00\\x90${key}\\x64\\x81\\x40\\x80${key}\\x00"; done
done
printf '1,1\r\n' > "$work/muini.dat"
echo "library: $(find "$work" -type f -name 'tone*' -o -type f -name 'note*' | wc -l) tracks in $work"

# One core kept busy for the whole run.
bash -c 'while :; do :; done' &
children+=($!)

start=$(date +%s)
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
  "$build/bench/soak/zuvelo_soak_player" "$work" "$changes" "$baseline" 1 | tee "$work/figures.txt"
status=${PIPESTATUS[0]}
echo "wall time: $(( $(date +%s) - start )) s; settings written at the end: $(tr -d '\r' < "$work/muini.dat")"
exit "$status"
