#!/usr/bin/env bash
# Idle cost of a library where nothing plays: the program with 1,000 bad tracks (4 KB of random
# bytes each, named .mp3) after its first pass over them, against the program with an empty library
# and with one good 10-minute mp3 playing, side by side on Qt's offscreen platform and SDL's dummy
# driver. CPU time from /proc/PID/stat over SECONDS, scaled to a minute; the first pass (one
# monitor tick a track, about 100 s, when measured; now a few seconds) is reported apart.
#
# Usage: bench/app/bad_idle.sh [SECONDS]       (default 60)
source "$(dirname "$0")/../common.sh"
seconds=${1:-60}
need_packages ffmpeg
[ -x "$build/app/zuvelo" ] || build_targets zuvelo

fresh_work "$scratch/bad_idle"
make_program_folder "$work/bad" "1,0"
mkdir -p "$work/bad/music"
for i in $(seq -w 1 1000); do head -c 4096 /dev/urandom > "$work/bad/music/bad$i.mp3"; done
make_program_folder "$work/empty" "1,0"
make_program_folder "$work/good" "1,0"
mkdir -p "$work/good/music"
tone "$work/good/music/long.mp3" 440 600 -c:a libmp3lame -b:a 128k

for name in bad empty good; do
  SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen "$work/$name/zuvelo" > "$work/$name.log" 2>&1 &
  children+=($!)
done

# The first pass, with a margin for a busy machine (it took 1,000 ticks when first measured).
round=115
sleep "$round"
round_bad=$(per_minute "$(cpu_ticks "${children[0]}")" "$hz" "$round")
for i in 0 1 2; do before[i]=$(cpu_ticks "${children[i]}"); done
sleep "$seconds"
for i in 0 1 2; do figure[i]=$(per_minute $(($(cpu_ticks "${children[i]}") - before[i])) "$hz" "$seconds"); done

printf '%-48s %10s\n' "CPU seconds a minute (from /proc/PID/stat)" ""
printf '%-48s %10s\n' "1,000 bad tracks, first pass (${round} s from start)" "$round_bad"
printf '%-48s %10s\n' "1,000 bad tracks, afterwards" "${figure[0]}"
printf '%-48s %10s\n' "empty library" "${figure[1]}"
printf '%-48s %10s\n' "one good mp3 playing" "${figure[2]}"
printf '%-48s %10s\n' "bad afterwards / empty library" "$(ratio "${figure[0]}" "${figure[1]}")"
printf '%-48s %10s\n' "bad afterwards / one track playing" "$(ratio "${figure[0]}" "${figure[2]}")"
