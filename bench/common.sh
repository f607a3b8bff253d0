# Shared by the benchmark scripts; sourced, not run. Sets root, build, scratch and hz, stops the
# script's children when it ends, and offers the helpers below.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZUVELO_BENCH_BUILD:-$root/build/benchapp}
scratch=${ZUVELO_BENCH_WORK:-/tmp/zuvelo-bench-app}
hz=$(getconf CLK_TCK)
ff=(ffmpeg -hide_banner -loglevel error -nostdin -y)

# Background processes to stop when the script ends or calls stop_children: add each one's pid.
# All are sent SIGTERM before any is waited for (a reader of the session bus ends with the bus).
children=()
stop_children() {
  local p
  for p in "${children[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  for p in "${children[@]}"; do wait "$p" 2>/dev/null || true; done
  children=()
}
trap stop_children EXIT

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

# Builds the given targets in $build, which is first configured optimised and without the test
# suites when it is new (a folder named by ZUVELO_BENCH_BUILD keeps its own configuration).
build_targets() {
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUVELO_BUILD_TESTS=OFF >&2
  cmake --build "$build" --target "$@" -j 2 >&2
}

# An empty work folder at $1, also left in $work.
fresh_work() { work=$1 && rm -rf "$work" && mkdir -p "$work"; }

# A new program folder at $1 holding settings "$2" (mode,track) and a copy of the executable $3
# (default: the one built).
make_program_folder() {
  rm -rf "$1"
  mkdir -p "$1"
  cp "${3:-$build/app/zuvelo}" "$1/zuvelo"
  printf '%s\r\n' "$2" > "$1/muini.dat"
}

# A sine tone: tone FILE HZ SECONDS [ffmpeg output options...]
tone() { "${ff[@]}" -f lavfi -i "sine=frequency=$2:duration=$3" -ar 44100 -ac 2 "${@:4}" "$1"; }

# A type-0 MIDI file at $1 (480 ticks a beat) whose one track holds the events $2, written as
# printf escapes (\xNN); the end of track is added here.
midi_file() {
  local track="$2\\x00\\xff\\x2f\\x00" length
  length=$(printf "$track" | wc -c)
  {
    printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk'
    printf "$(printf '\\x%02x' $((length >> 24 & 255)) $((length >> 16 & 255)) $((length >> 8 & 255)) $((length & 255)))"
    printf "$track"
  } > "$1"
}

# The benchmark's music files in folder $1, $2 seconds long (default 30): one piece of music-like
# sound (a few detuned, slowly modulated sines with a little noise, so that the encoders have real
# work to do) as bench.wav, bench.mp3, bench.mp2 and bench.wma, plus a piano bench.mid of the same
# length. Files that already exist with the same length are kept, so repeated runs are quick.
make_fixtures() {
  local dir=$1 seconds=${2:-30}
  mkdir -p "$dir"
  [ "$(cat "$dir/.seconds" 2>/dev/null)" = "$seconds" ] && [ -s "$dir/bench.wav" ] && [ -s "$dir/bench.mp3" ] &&
    [ -s "$dir/bench.mp2" ] && [ -s "$dir/bench.wma" ] && [ -s "$dir/bench.mid" ] && return 0
  # Left and right differ slightly so that stereo decoding is not a copy of one channel.
  local left='0.25*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.5*t))+0.15*sin(2*PI*277.2*t)+0.1*sin(2*PI*329.6*t+2*sin(2*PI*3*t))+0.05*(random(0)-0.5)'
  local right='0.25*sin(2*PI*220.5*t)+0.15*sin(2*PI*277.2*t)*(0.6+0.4*cos(2*PI*0.25*t))+0.1*sin(2*PI*440*t)+0.05*(random(1)-0.5)'
  "${ff[@]}" -f lavfi -i "aevalsrc=exprs='$left|$right':s=44100:d=$seconds" -c:a pcm_s16le "$dir/bench.wav"
  "${ff[@]}" -i "$dir/bench.wav" -c:a libmp3lame -b:a 192k "$dir/bench.mp3"
  "${ff[@]}" -i "$dir/bench.wav" -c:a mp2 -b:a 192k "$dir/bench.mp2"
  "${ff[@]}" -i "$dir/bench.wav" -c:a wmav2 -b:a 128k -f asf "$dir/bench.wma"
  # Piano, a note and its fifth every half second at the default tempo (120 beats a minute): delta
  # 0, two notes on (velocity 100); delta 480 ticks (0x83 0x60), the two notes off.
  local track='\x00\xc0\x00' i note fifth
  for i in $(seq 0 $((seconds * 2 - 1))); do
    note=$(printf '%02x' $((60 + (i * 5) % 24)))
    fifth=$(printf '%02x' $((67 + (i * 5) % 24)))
    track+="\\x00\\x90\\x$note\\x64\\x00\\x90\\x$fifth\\x64\\x83\\x60\\x80\\x$note\\x00\\x00\\x80\\x$fifth\\x00"
  done
  midi_file "$dir/bench.mid" "$track"
  echo "$seconds" > "$dir/.seconds"
}

# A private session bus in folder $1, its daemon one of the children; sets bus_address.
start_bus() {
  cat > "$1/bus.conf" <<CONF
<busconfig><type>session</type><listen>unix:path=$1/bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
CONF
  dbus-daemon --nofork --config-file="$1/bus.conf" > "$1/bus.log" 2>&1 &
  children+=("$!")
  for _ in $(seq 1 100); do [ -S "$1/bus" ] && break; sleep 0.05; done
  bus_address=unix:path=$1/bus
}

# CPU time of process $1 so far: clock ticks of user and system time from /proc/PID/stat, and
# nanoseconds run by its live threads from their schedstat.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }

# CPU seconds a minute, three decimals, from $1 units of CPU time ($2 units a second) in $3 seconds.
per_minute() { awk -v d="$1" -v u="$2" -v s="$3" 'BEGIN { printf "%.3f\n", d / u * 60 / s }'; }

# zuvelo_app_probe on the program $1 with settings "1,0", on Qt's offscreen platform, its sound
# through SDL's disk driver into $audio; the other arguments go to the probe.
probe=$build/bench/app/zuvelo_app_probe
probe_program() {
  local program=$1
  shift
  printf '1,0\r\n' > "$(dirname "$program")/muini.dat"
  "$probe" --sound "$audio" --log "$scratch/zuvelo.log" --env QT_QPA_PLATFORM=offscreen \
    --env SDL_AUDIODRIVER=disk --env "SDL_DISKAUDIOFILE=$audio" "$@" -- "$program"
}

# The value of KEY in the "key value" lines of zuvelo_app_probe's output $1.
probe_value() { awk -v k="$2" '$1 == k { print $2 }' <<< "$1"; }

# Median of the numbers given as arguments.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# $1 / $2 with two decimals ("-" when $2 is zero).
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "-"; else printf "%.2f\n", a / b }'; }

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

# Audacious's settings in private XDG folders under $1, for "${aud_env[@]}" audacious ...: only the
# output plugin $2 (e.g. sdlout.so, pulse_audio.so) enabled (its registry holds one block per plugin,
# "output /path/x.so" then "enabled 0|1"; a first run writes it), its MIDI plugin on FluidR3, and
# no playlist left from an earlier run.
audacious_config() {
  local aud=$1 registry=$1/config/audacious/plugin-registry
  aud_env=(env XDG_CONFIG_HOME="$aud/config" XDG_DATA_HOME="$aud/data" XDG_CACHE_HOME="$aud/cache")
  if ! grep -qs "$2" "$registry"; then
    mkdir -p "$aud/config/audacious" "$aud/data" "$aud/cache"
    SDL_AUDIODRIVER=dummy timeout 10 "${aud_env[@]}" audacious -H -q /dev/null > /dev/null 2>&1 || true
  fi
  awk -v want="$2" '/^[a-z]+ \//{ out = ($1 == "output"); hit = ($2 ~ "/" want "$") }
       /^enabled / && out { print "enabled " (hit ? 1 : 0); next } { print }' "$registry" > "$registry.new"
  mv "$registry.new" "$registry"
  printf '[amidiplug]\nfsyn_soundfont_file=/usr/share/sounds/sf2/FluidR3_GM.sf2\n' > "$aud/config/audacious/config"
  rm -rf "$aud/config/audacious/playlists" "$aud/config/audacious/playlist-state"
}

# A private X server for windows; sets DISPLAY. The server is one of the children.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$1/display" 2> "$1/xvfb.log" &
  children+=($!)
  for _ in $(seq 1 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$1/display")
}

# A private PulseAudio server in folder $1 with one null sink, "bench" (its monitor:
# bench.monitor), at 48 kHz; every client started from here on plays into it.
start_pulse() {
  HOME=$1 XDG_RUNTIME_DIR=$1 pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -L "module-native-protocol-unix socket=$1/socket auth-anonymous=1" \
    -L "module-null-sink sink_name=bench rate=48000" > "$1/pulse.log" 2>&1 &
  children+=($!)
  for _ in $(seq 1 100); do [ -S "$1/socket" ] && break; sleep 0.1; done
  export PULSE_SERVER=unix:$1/socket
}
