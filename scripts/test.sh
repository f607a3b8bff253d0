#!/usr/bin/env bash
# Builds Zuvelo and runs every test through ctest. Usage: scripts/test.sh [--sanitize LIST]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(scripts/build.sh "$@" | tail -n 1)
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
