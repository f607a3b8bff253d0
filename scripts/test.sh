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
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1
ctest --test-dir "$windows" --output-on-failure || status=$?
exit $status
