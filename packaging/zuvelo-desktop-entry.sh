#!/bin/sh
# Writes zuvelo.desktop beside this script: a desktop entry that starts the zuvelo in this folder,
# with this folder's zuvelo.png as its icon. A desktop entry has no relative paths (and not every
# launcher tells a program where its entry lies), so the installation runs this once, and a user
# who has copied or moved the folder runs it again there.
#
#   zuvelo-desktop-entry.sh            write zuvelo.desktop for this folder
#   zuvelo-desktop-entry.sh --menu     the same, and add it to the desktop's applications menu
#   zuvelo-desktop-entry.sh --remove   take this folder's entry off the menu again
#
# Each copy (one per music folder) gets a menu entry of its own, named after its folder.
# The installation passes "--folder DIR" to name the folder the files will be found in, when that
# differs from where they are written (a staged installation under DESTDIR).
set -eu
here=$(cd "$(dirname "$0")" && pwd -P)
folder=$here
mode=write
while [ $# -gt 0 ]; do
  case "$1" in
    --menu) mode=menu; shift ;;
    --remove) mode=remove; shift ;;
    --folder) folder=$2; shift 2 ;;
    *) echo "usage: $0 [--menu | --remove]" >&2; exit 2 ;;
  esac
done
applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
menuEntry="$applications/zuvelo-$(printf '%s' "$folder" | cksum | cut -d ' ' -f 1).desktop"

if [ "$mode" = remove ]; then
  rm -f "$menuEntry"
  echo "removed $menuEntry"
  exit 0
fi

# Inside an Exec value, arguments are quoted with double quotes and " ` $ \ escaped with a
# backslash; every string value then escapes a backslash once more; a literal % is written %%.
execQuoted=$(printf '%s' "$folder/zuvelo" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g')
# Plain string values only escape the backslash.
iconValue=$(printf '%s' "$folder/zuvelo.png" | sed -e 's/\\/\\\\/g')
nameValue=$(basename "$folder" | sed -e 's/\\/\\\\/g')
# printf, not echo: dash's echo would take the backslashes as escapes.
printf '%s\n' \
  "[Desktop Entry]" \
  "Type=Application" \
  "Version=1.5" \
  "Name=Zuvelo ($nameValue)" \
  "GenericName=Music Player" \
  "GenericName[ja]=音楽プレーヤー" \
  "Comment=Plays the music in the subfolders of its folder" \
  "Comment[ja]=フォルダー内の音楽を次々に再生します" \
  "Exec=\"$execQuoted\"" \
  "Icon=$iconValue" \
  "Terminal=false" \
  "Categories=AudioVideo;Audio;Player;" \
  > "$here/zuvelo.desktop"
chmod +x "$here/zuvelo.desktop" # file managers launch only entries marked executable
echo "wrote $here/zuvelo.desktop"

if [ "$mode" = menu ]; then
  mkdir -p "$applications"
  cp "$here/zuvelo.desktop" "$menuEntry"
  echo "added $menuEntry"
fi
