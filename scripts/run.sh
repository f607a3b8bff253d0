#!/usr/bin/env bash
# Builds Zuvelo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(scripts/build.sh | tail -n 1)
if [ ! -x "$build/app/zuvelo" ]; then
  echo "Zuvelo's window is not built yet: nothing to run." >&2
  exit 0
fi
exec "$build/app/zuvelo"
