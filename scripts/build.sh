#!/usr/bin/env bash
# Configures and builds Zuvelo into a build folder. Usage: scripts/build.sh [--sanitize LIST]
# Prints the build folder on the last line of its output.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize="$2"; shift 2 ;;
    *) echo "usage: $0 [--sanitize address,undefined|thread]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh >&2

if [ -n "$sanitize" ]; then
  build="build/san-${sanitize//,/-}"
  extra=(-DZUVELO_BUILD_BENCH=OFF)
else
  build="build/default"
  extra=()
fi
cmake -S . -B "$build" -G Ninja -DZUVELO_SANITIZE="$sanitize" "${extra[@]}" >&2
cmake --build "$build" -j "$(nproc)" >&2
echo "$build"
