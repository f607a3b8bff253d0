#!/usr/bin/env bash
# Cross-compiles the Windows tree (everything below the window, and its tests) into build/windows
# with mingw-w64. Prints the build folder on the last line of its output; exits non-zero if
# anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 >&2

build="build/windows"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >&2
cmake --build "$build" -j "$(nproc)" >&2
echo "$build"
