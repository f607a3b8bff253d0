#!/usr/bin/env bash
# Takes docs/window.png: the player's window on a virtual X server (Xvfb), playing a few tones of
# our own in a temporary program folder. Usage: scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/window.png}"

# Only this script needs an X server and the tools to grab and convert its screen.
scripts/install-deps.sh xvfb x11-apps x11-utils netpbm >&2
build=$(scripts/build.sh | tail -n 1)

work=$(mktemp -d)
xvfb_pid=""
player_pid=""
cleanup() {
  [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null && wait "$player_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A program folder: the executable, an album of short tones, and settings for in-order play
# from track 2, so the window shows track 3 in "順番" mode.
cp "$build/app/zuvelo" "$work/"
mkdir "$work/夕暮れの小品集"
i=0
for title in 01_はじまりの音 02_しずかな午後 03_夕焼けの坂道 04_星をかぞえて 05_おやすみ; do
  i=$((i + 1))
  ffmpeg -v error -y -f lavfi -i "sine=frequency=$((300 + 60 * i)):duration=30" "$work/夕暮れの小品集/$title.mp3"
done
printf '1,2\r\n' > "$work/muini.dat"

# A free display number.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xwininfo -root -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done

DISPLAY=":$display" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$work/zuvelo" >/dev/null 2>&1 &
player_pid=$!

# Wait for the window; its caption turns to "Zuvelo..." on the first tick of the monitor.
window=""
for _ in $(seq 200); do
  window=$(xwininfo -root -tree -display ":$display" 2>/dev/null | awk '/"Zuvelo/ {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1 # let it finish painting

info=$(xwininfo -id "$window" -display ":$display")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
mkdir -p "$(dirname "$out")"
xwd -root -silent -display ":$display" | xwdtopnm 2>/dev/null \
  | pamcut -left "$x" -top "$y" -width "$w" -height "$h" | pnmtopng > "$out"
echo "wrote $out (${w}x${h})"
