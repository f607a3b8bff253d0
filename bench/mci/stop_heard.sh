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
HOME=$work XDG_RUNTIME_DIR=$work pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  -L "module-native-protocol-unix socket=$work/socket auth-anonymous=1" \
  -L "module-null-sink sink_name=bench rate=48000" > "$work/pulse.log" 2>&1 &
children+=($!)
for _ in $(seq 1 100); do [ -S "$work/socket" ] && break; sleep 0.1; done
export PULSE_SERVER=unix:$work/socket
for driver in "" pulseaudio; do
  echo "== SDL_AUDIODRIVER=${driver:-(unset: the layer chooses)} =="
  parec --raw --format=s16le --rate=48000 --channels=2 --latency-msec=2 -d bench.monitor |
    SDL_AUDIODRIVER=$driver "$build/bench/mci/zuvelo_stop_heard_bench" --runs "$runs" "$work/tone.wav" || true
done
