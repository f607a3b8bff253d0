#!/usr/bin/env bash
# Builds and runs zuvelo_open_latency_bench on freshly made test files (see open_latency_bench.cpp).
# Usage: bench/mci/open_latency.sh [RUNS] [--work DIR]   (RUNS defaults to 20; DIR to /tmp/zuvelo-bench-app)
source "$(dirname "$0")/../common.sh"
runs=20
while [ $# -gt 0 ]; do
  case "$1" in
    --work) scratch=$2; shift 2 ;;
    *) runs=$1; shift ;;
  esac
done
need_packages ffmpeg
build_targets zuvelo_open_latency_bench
# The length of the files barely matters here; share the CPU benchmark's files when they exist.
seconds=$(cat "$scratch/files/.seconds" 2>/dev/null || echo 30)
make_fixtures "$scratch/files" "$seconds"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$build/bench/mci/zuvelo_open_latency_bench" "$scratch/files" "$runs"
