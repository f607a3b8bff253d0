# Shared by the benchmarks of the whole program; sourced, not run. Sets root, build and tools, and
# offers the helpers below.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${ZUVELO_BENCH_BUILD:-$root/build/benchapp}
scratch=${ZUVELO_BENCH_WORK:-/tmp/zuvelo-bench-app}

# Installs the named Debian packages that are missing (as root or through sudo). The other players
# and the X tools are needed only by these scripts, never to build or test Zuvelo.
need_packages() {
  local need=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  [ ${#need[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${need[*]}" >&2
  "${sudo[@]}" apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >&2
}

# Builds the program and the given bench targets, optimised, without the test suites.
build_targets() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUVELO_BUILD_TESTS=OFF >&2
  cmake --build "$build" --target zuvelo "$@" -j 2 >&2
}

# A program folder at $1 holding a copy of the executable and settings "$2" (mode,track).
make_program_folder() {
  mkdir -p "$1"
  cp "$build/app/zuvelo" "$1/zuvelo"
  printf '%s\r\n' "$2" > "$1/muini.dat"
}

# A sine tone: tone FILE HZ SECONDS [ffmpeg output options...]
tone() {
  local file=$1 hz=$2 seconds=$3
  shift 3
  ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "sine=frequency=$hz:duration=$seconds" \
    -ar 44100 -ac 2 "$@" "$file"
}

# The value of KEY in the "key value" lines of zuvelo_app_probe's output $1.
probe_value() {
  awk -v k="$2" '$1 == k { print $2 }' <<< "$1"
}

# Median of the numbers given as arguments.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# $1 / $2 with two decimals ("-" when $2 is zero).
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "-"; else printf "%.2f\n", a / b }'
}

# A program folder at $1 with 50,000 tracks in 1,000 music folders f000..f999: the first folder
# holds 50 copies of one 5-second mp3 (and $1.mp3 is the same file), the others hard links to them
# (1,000 links an inode, well under any file system's limit). Kept between runs: building it takes a
# while, and the benchmarks want a warm cache anyway.
make_big_library() {
  local dir=$1
  if [ -f "$dir/.complete" ]; then
    cp "$build/app/zuvelo" "$dir/zuvelo"
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir/f000"
  tone "$dir.mp3" 440 5 -c:a libmp3lame -b:a 128k
  local i
  for i in $(seq -w 0 49); do cp "$dir.mp3" "$dir/f000/t$i.mp3"; done
  for i in $(seq -w 1 999); do cp -al "$dir/f000" "$dir/f$i"; done
  cp "$build/app/zuvelo" "$dir/zuvelo"
  touch "$dir/.complete"
}
