#!/usr/bin/env bash
# Builds and runs zuvelo_open_latency_bench on freshly made test files (see open_latency_bench.cpp).
# Usage: bench/mci/open_latency.sh [RUNS] [--work DIR]   (RUNS defaults to 20)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=20
work=/tmp/zuvelo-bench
while [ $# -gt 0 ]; do
  case "$1" in
    --work) work="$2"; shift 2 ;;
    *) runs="$1"; shift ;;
  esac
done
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUVELO_BUILD_TESTS=OFF >&2
cmake --build "$build" --target zuvelo_open_latency_bench -j 2 >&2
# The length of the files barely matters here; share the CPU benchmark's files when they exist.
seconds=30
[ -f "$work/files/.seconds" ] && seconds=$(cat "$work/files/.seconds")
"$root/bench/mci/make_fixtures.sh" "$work/files" "$seconds"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$build/bench/mci/zuvelo_open_latency_bench" "$work/files" "$runs"
