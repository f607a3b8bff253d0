#!/usr/bin/env bash
# Cross-compiles the Windows tree (zuvelo.exe and its tests) into build/windows with mingw-w64,
# then puts zuvelo.exe and zuvelo-windows.zip (the program and a short read-me) at the top of
# that folder. Prints the build folder on the last line of its output; exits non-zero if
# anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 zip pulseaudio >&2

build="build/windows"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >&2
cmake --build "$build" -j "$(nproc)" >&2
cp "$build/app/zuvelo.exe" "$build/zuvelo.exe"
rm -f "$build/zuvelo-windows.zip"
zip -q -j "$build/zuvelo-windows.zip" "$build/zuvelo.exe" packaging/windows/README.txt
echo "$build"
