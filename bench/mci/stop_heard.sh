#!/usr/bin/env bash
# From a "pause", "stop" or "close" to the last sound a private PulseAudio server's null sink
# received (zuvelo_stop_heard_bench), for the layer's own choice of output and for SDL's pulse
# driver named by SDL_AUDIODRIVER. Usage: bench/mci/stop_heard.sh [RUNS]   (default 5)
# Goal: within 50 ms.
source "$(dirname "$0")/../common.sh"
runs=${1:-5}
need_packages ffmpeg pulseaudio pulseaudio-utils
build_targets zuvelo_stop_heard_bench
work=$scratch/stop-heard
fresh_work "$work"
tone "$work/tone.wav" 440 10
start_pulse "$work"
for driver in "" pulseaudio; do
  echo "== SDL_AUDIODRIVER=${driver:-(unset: the layer chooses)} =="
  parec --raw --format=s16le --rate=48000 --channels=2 --latency-msec=2 -d bench.monitor |
    SDL_AUDIODRIVER=$driver "$build/bench/mci/zuvelo_stop_heard_bench" --runs "$runs" "$work/tone.wav" || true
done
