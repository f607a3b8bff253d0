#!/usr/bin/env bash
# Builds Zuvelo and starts it from the staged program folder, where the build put the executable
# beside a demo library of our own pieces (build/default/stage). It plays them; closing the window
# saves its settings there (muini.dat). Usage: scripts/run.sh
#
# Only the program, the demo and the icon are built (enough for cmake --install too), so the first
# run is quick; scripts/test.sh builds the rest in the same build folder. Without a display
# (neither DISPLAY nor WAYLAND_DISPLAY set) the player itself chooses Qt's offscreen platform: no
# window, but the music plays all the same. Ctrl-C or SIGTERM closes it the way closing the
# window does (the player replaces this script, so the signals reach it).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >&2
build=build/default
cmake -S . -B "$build" -G Ninja -DZUVELO_SANITIZE= >&2
cmake --build "$build" -j "$(nproc)" --target zuvelo zuvelo_demo zuvelo_icon >&2

exec "$build/stage/zuvelo"
