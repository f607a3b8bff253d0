#!/usr/bin/env bash
# Builds Zuvelo and runs every test through ctest: the Linux suite, then the Windows suite under
# Wine. Usage: scripts/test.sh [--sanitize LIST]; with --sanitize only the Linux suite runs, in a
# build of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(scripts/build.sh "$@" | tail -n 1)
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" || status=$?
if [ $# -gt 0 ]; then
  exit $status
fi

windows=$(scripts/build-windows.sh | tail -n 1)
# A private Wine prefix for this run: nothing of the user's own is read or changed, no menu
# entries are written into the desktop, and no installer of .NET or Gecko is offered.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/zuvelo-wine-XXXXXX")
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# A private X server for the window, wide enough for it at 200 % (Wine keeps a window within the
# screen): Xvfb picks a free display number and writes it to fd 3.
displayfile="$WINEPREFIX.display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
# A private PulseAudio whose one sink discards the sound: Wine's winmm gets a device that plays
# in real time, as a sound card does (without one a wave file "ends" at once).
pulse="$WINEPREFIX.pulse"
mkdir -p "$pulse"
HOME="$pulse" XDG_RUNTIME_DIR="$pulse" PULSE_RUNTIME_PATH="$pulse" pulseaudio -n --daemonize=no \
  --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes -L "module-null-sink sink_name=zuvelo" \
  -L "module-native-protocol-unix socket=$pulse/native auth-anonymous=1" >/dev/null 2>&1 &
pulseaudio=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb $pulseaudio 2>/dev/null || true
      rm -rf "$WINEPREFIX" "$displayfile" "$pulse"' EXIT
for _ in $(seq 100); do [ -s "$displayfile" ] && [ -S "$pulse/native" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$displayfile")" PULSE_SERVER="unix:$pulse/native"
wineboot -i >/dev/null 2>&1
# What reached the sink while the suite ran: zuvelo.exe's test plays tracks 3, 1 and 2 in turn,
# track n a tone of 100 * 2^n Hz, octaves apart so that a narrow band-pass tells them apart. The
# first, started with the program, is not required: on a busy machine Wine's sound driver may
# still be starting when the test's first click stops it. Tracks 1 and 2 come from the clicks.
parec -d zuvelo.monitor --raw --format=s16le --rate=8000 --channels=1 >"$pulse/heard.raw" 2>/dev/null &
recorder=$!
ctest --test-dir "$windows" --output-on-failure || status=$?
kill $recorder
# The window again at 150 % and 200 %: Wine reads the screen's DPI from LogPixels as a process starts.
for dpi in 144 192; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  ZUVELO_TEST_DPI=$dpi wine "$windows/tests/ui/zuvelo_window_tests.exe" --gtest_filter='*ScreensScale*' || status=$?
done
for hertz in 200 400; do
  loudest=$(ffmpeg -hide_banner -f s16le -ar 8000 -ac 1 -i "$pulse/heard.raw" \
    -af "bandpass=f=$hertz:width_type=h:w=20,bandpass=f=$hertz:width_type=h:w=20,volumedetect" -f null - 2>&1 | sed -n 's/.*max_volume: \(-*[0-9]*\).*/\1/p')
  if [ "${loudest:--99}" -lt -30 ]; then
    echo "zuvelo.exe's track of $hertz Hz was not heard (loudest ${loudest:-none} dB)" >&2
    status=1
  fi
done
exit $status
