#!/usr/bin/env bash
# Builds Zuvelo and starts it from the staged program folder, where the build put the executable
# beside a demo library of our own pieces. It plays them; closing the window saves its settings
# there (muini.dat).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(scripts/build.sh | tail -n 1)
exec "$build/stage/zuvelo"
