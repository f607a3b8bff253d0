#!/usr/bin/env bash
# Writes the benchmark's audio files into a folder: one piece of music-like sound (a few detuned,
# slowly modulated sines with a little noise, so that the encoders have real work to do) as
# bench.wav, bench.mp3, bench.mp2 and bench.wma, plus a piano bench.mid of the same length.
# Usage: make_fixtures.sh FOLDER [SECONDS]   (SECONDS defaults to 30)
# Files that already exist with the same length are kept, so repeated runs are quick.
set -euo pipefail

dir=${1:?usage: $0 FOLDER [SECONDS]}
seconds=${2:-30}
mkdir -p "$dir"
stamp="$dir/.seconds"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$seconds" ] &&
   [ -s "$dir/bench.wav" ] && [ -s "$dir/bench.mp3" ] && [ -s "$dir/bench.mp2" ] &&
   [ -s "$dir/bench.wma" ] && [ -s "$dir/bench.mid" ]; then
  exit 0
fi

# Left and right differ slightly so that stereo decoding is not a copy of one channel.
left='0.25*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.5*t))+0.15*sin(2*PI*277.2*t)+0.1*sin(2*PI*329.6*t+2*sin(2*PI*3*t))+0.05*(random(0)-0.5)'
right='0.25*sin(2*PI*220.5*t)+0.15*sin(2*PI*277.2*t)*(0.6+0.4*cos(2*PI*0.25*t))+0.1*sin(2*PI*440*t)+0.05*(random(1)-0.5)'
ff=(ffmpeg -hide_banner -loglevel error -nostdin -y)

"${ff[@]}" -f lavfi -i "aevalsrc=exprs='$left|$right':s=44100:d=$seconds" -c:a pcm_s16le "$dir/bench.wav"
"${ff[@]}" -i "$dir/bench.wav" -c:a libmp3lame -b:a 192k "$dir/bench.mp3"
"${ff[@]}" -i "$dir/bench.wav" -c:a mp2 -b:a 192k "$dir/bench.mp2"
"${ff[@]}" -i "$dir/bench.wav" -c:a wmav2 -b:a 128k -f asf "$dir/bench.wma"

# A type-0 MIDI file: piano, a note and its fifth every half second at the default tempo (120 beats a
# minute, 480 ticks a beat) for SECONDS. Written byte by byte: ffmpeg cannot make one.
track=''
for i in $(seq 0 $((seconds * 2 - 1))); do
  note=$(printf '%02x' $((60 + (i * 5) % 24)))
  fifth=$(printf '%02x' $((67 + (i * 5) % 24)))
  # delta 0, note on (velocity 100) twice; delta 480 ticks (0x83 0x60), note off twice.
  track+="\\x00\\x90\\x$note\\x64\\x00\\x90\\x$fifth\\x64\\x83\\x60\\x80\\x$note\\x00\\x00\\x80\\x$fifth\\x00"
done
track="\\x00\\xc0\\x00${track}\\x00\\xff\\x2f\\x00"
length=$(printf "$track" | wc -c)
{
  printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0'
  printf 'MTrk'
  printf "\\x$(printf '%02x' $((length >> 24 & 255)))\\x$(printf '%02x' $((length >> 16 & 255)))"
  printf "\\x$(printf '%02x' $((length >> 8 & 255)))\\x$(printf '%02x' $((length & 255)))"
  printf "$track"
} > "$dir/bench.mid"

echo "$seconds" > "$stamp"
