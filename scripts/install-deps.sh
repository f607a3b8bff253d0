#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Zuvelo need.
# Skips apt entirely when everything is installed already, so a second run is quick.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmpg123-dev # MPEG audio without FFmpeg
  libfluidsynth-dev fluid-soundfont-gm
  libsdl2-dev
  fonts-ipafont-gothic
  libgtest-dev
  ffmpeg
  libglib2.0-bin # gio: the tests start the desktop entry with it, as a desktop would; gdbus
  xvfb # a private X server: the tests take one away from a running player
  dbus-daemon playerctl # the media service's tests: a private session bus and a real client
  libpulse-dev pulseaudio pulseaudio-utils # the sound server's client library; a private server for tests
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
