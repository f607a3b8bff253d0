#!/usr/bin/env bash
# Builds the fuzz entry point with clang, libFuzzer, AddressSanitizer and UBSan into
# build/fuzz (a build of its own, not part of the normal one nor of CI).
# Usage: bench/fuzz/build.sh   Prints the build folder on its last line.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="$PWD/build/fuzz"
CC=clang CXX=clang++ cmake -S bench/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build "$build" -j 2 --target media_file_fuzzer >&2
echo "$build"
