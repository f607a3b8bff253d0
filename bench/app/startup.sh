#!/usr/bin/env bash
# Start-up with a large library: from launch to the first audio, for the program with 50,000 tracks
# in 1,000 music folders beside it, against mpv given the same folder, in the same run, both through
# SDL's disk driver (zuvelo_app_probe watches its file). One untimed run of each warms the file
# cache; then the two alternate, RUNS times each, and the medians are compared.
#
# Usage: bench/app/startup.sh [RUNS]       (default 5)
# Goal: under 0.6 s, and below mpv's (ratio under 1).
source "$(dirname "$0")/../common.sh"
runs=${1:-5}

need_packages ffmpeg mpv
build_targets zuvelo zuvelo_app_probe
library=$scratch/library
make_big_library "$library"
audio=$scratch/startup.raw

zuvelo_run() { probe_program "$library/zuvelo"; }
mpv_run() {
  "$probe" --sound "$audio" --log "$scratch/mpv.log" --env SDL_AUDIODRIVER=disk \
    --env "SDL_DISKAUDIOFILE=$audio" -- mpv --no-config --no-video --ao=sdl "$library"
}

zuvelo_run > /dev/null
mpv_run > /dev/null
ours=() theirs=()
for r in $(seq 1 "$runs"); do
  out=$(zuvelo_run) || { echo "the program did not play; see $scratch/zuvelo.log" >&2; exit 1; }
  ours+=("$(probe_value "$out" first_sound_ms)")
  out=$(mpv_run) || { echo "mpv did not play; see $scratch/mpv.log" >&2; exit 1; }
  theirs+=("$(probe_value "$out" first_sound_ms)")
  echo "run $r: program ${ours[-1]} ms, mpv ${theirs[-1]} ms"
done
zuvelo_ms=$(median "${ours[@]}")
mpv_ms=$(median "${theirs[@]}")
echo
printf '%-28s %10s\n' "launch to first audio" median_ms
printf '%-28s %10s\n' "program, 50,000 tracks" "$zuvelo_ms"
printf '%-28s %10s\n' "mpv, same folder" "$mpv_ms"
printf '%-28s %10s\n' "program / mpv" "$(ratio "$zuvelo_ms" "$mpv_ms")"
printf '%-28s %10s\n' "program / goal 600 ms" "$(ratio "$zuvelo_ms" 600)"
