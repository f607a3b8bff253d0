#!/usr/bin/env bash
# Peak resident memory: the program playing an mp3 with 50,000 tracks in its table, held 5 s after
# its first audio, against ffplay and mpv playing the same 5-second mp3 to its end, in the same run;
# also the program with only that one track and, with ZUVELO_BENCH_BEFORE=PATH, an earlier build;
# and the program with its window playing a one-track folder of a wav or a MIDI file (files that
# need not load FFmpeg, once they have decoders of their own), the earlier build too.
# On a private Xvfb: the program with its window, Audacious with its window (where installed) playing
# the mp3 through its SDL output into the disk driver, and the floor, a bare Qt window
# (zuvelo_idle_window), each held 5 s. The *-server rows run the program and Audacious as a desktop
# user does, with their windows, playing into a private PulseAudio server (null sink), held 8 s
# from launch: the program then loads libpulse but not SDL, Audacious its PulseAudio output.
# The ratio is of ru_maxrss (the whole life of the process, mostly shared libraries' pages); the
# table also shows VmHWM and the largest RssAnon seen, the memory that is the process's own.
# bench/README.md ("Peak memory") has the details.
#
# Usage: bench/app/memory.sh [RUNS]        (default 3; the median of each is reported)
# Goal: at most Audacious's with its window; the program within 5 MB of the bare window.
source "$(dirname "$0")/../common.sh"
runs=${1:-3}

need_packages ffmpeg mpv xvfb pulseaudio
build_targets zuvelo zuvelo_app_probe zuvelo_idle_window
mkdir -p "$scratch"
start_xvfb "$scratch"
mkdir -p "$scratch/pulse"
start_pulse "$scratch/pulse"
audacious_config "$scratch/audacious-pulse" pulse_audio.so
aud_pulse_env=("${aud_env[@]}")
audacious_config "$scratch/audacious" sdlout.so
library=$scratch/library
make_big_library "$library"
song=$library.mp3
audio=$scratch/memory.raw
single=$scratch/single
make_program_folder "$single" "1,0"
mkdir -p "$single/music"
cp "$song" "$single/music/"
make_fixtures "$scratch/memory-files" 5
for kind in wav mid; do
  make_program_folder "$scratch/one-$kind" "1,0"
  mkdir -p "$scratch/one-$kind/music"
  cp "$scratch/memory-files/bench.$kind" "$scratch/one-$kind/music/"
  [ -n "${ZUVELO_BENCH_BEFORE:-}" ] && cp "$ZUVELO_BENCH_BEFORE" "$scratch/one-$kind/zuvelo-before"
done

run() {
  case "$1" in
    program) probe_program "$library/zuvelo" --hold 5 ;;
    program-before) cp "$ZUVELO_BENCH_BEFORE" "$library/zuvelo-before" && probe_program "$library/zuvelo-before" --hold 5 ;;
    program-1-track) probe_program "$single/zuvelo" --hold 5 ;;
    program-window) probe_program "$library/zuvelo" --hold 5 --env QT_QPA_PLATFORM=xcb ;;
    program-window-before) probe_program "$library/zuvelo-before" --hold 5 --env QT_QPA_PLATFORM=xcb ;;
    window-wav | window-mid) probe_program "$scratch/one-${1#window-}/zuvelo" --hold 5 --env QT_QPA_PLATFORM=xcb ;;
    window-*-before) local kind=${1#window-} && probe_program "$scratch/one-${kind%-before}/zuvelo-before" --hold 5 \
      --env QT_QPA_PLATFORM=xcb ;;
    audacious-window)
      "$probe" --sound "$audio" --hold 5 --log "$scratch/audacious.log" --env SDL_AUDIODRIVER=disk \
        --env "SDL_DISKAUDIOFILE=$audio" -- "${aud_env[@]}" audacious "$song" ;;
    program-server*)
      printf '1,0\r\n' > "$library/muini.dat"
      "$probe" --hold 8 --log "$scratch/zuvelo.log" --env QT_QPA_PLATFORM=xcb -- "$library/zuvelo${1#program-server}" ;;
    audacious-server) "$probe" --hold 8 --log "$scratch/audacious.log" -- "${aud_pulse_env[@]}" audacious "$song" ;;
    bare-window) "$probe" --hold 5 -- "$build/bench/app/zuvelo_idle_window" ;;
    ffplay)
      "$probe" --until-exit --log "$scratch/ffplay.log" --env SDL_AUDIODRIVER=disk \
        --env "SDL_DISKAUDIOFILE=$audio" -- ffplay -nodisp -autoexit "$song" ;;
    mpv)
      "$probe" --until-exit --log "$scratch/mpv.log" -- mpv --no-config --no-video --ao=null "$song" ;;
  esac
}

players=(program ffplay mpv program-1-track program-window window-wav window-mid bare-window)
players+=(program-server)
command -v audacious > /dev/null && players+=(audacious-window audacious-server)
[ -n "${ZUVELO_BENCH_BEFORE:-}" ] && players+=(program-before program-window-before window-wav-before window-mid-before program-server-before)
declare -A rss hwm anon
for r in $(seq 1 "$runs"); do
  for p in "${players[@]}"; do
    out=$(run "$p") || { echo "$p failed; see its log in $scratch" >&2; exit 1; }
    rss[$p]+=" $(probe_value "$out" maxrss_kb)"
    hwm[$p]+=" $(probe_value "$out" vmhwm_kb)"
    anon[$p]+=" $(probe_value "$out" rss_anon_kb)"
  done
done
echo
peer=ffplay
[ -n "${rss[audacious-window]:-}" ] && peer=audacious-window
printf '%-18s %10s %10s %12s %16s\n' "" maxrss_MB vmhwm_MB rss_anon_MB "maxrss / $peer"
peer_kb=$(median ${rss[$peer]})
for p in "${players[@]}"; do
  kb=$(median ${rss[$p]})
  awk -v p="$p" -v a="$kb" -v b="$(median ${hwm[$p]})" -v c="$(median ${anon[$p]})" -v r="$(ratio "$kb" "$peer_kb")" \
    'BEGIN { printf "%-18s %10.1f %10.1f %12.1f %16s\n", p, a / 1024, b / 1024, c / 1024, r }'
done
