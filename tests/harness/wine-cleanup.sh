#!/usr/bin/env bash
# Ends what wine-setup.sh started: the wineserver with every Wine process, and the display.
# Usage: wine-cleanup.sh HARNESS_DIR
set -uo pipefail
HARNESS_DIR=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
source "$here/wine-env.sh"
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
if [ -f "$HARNESS_DIR/xvfb.pid" ]; then
  kill "$(cat "$HARNESS_DIR/xvfb.pid")" 2>/dev/null
  rm -f "$HARNESS_DIR/xvfb.pid" "$HARNESS_DIR/display"
fi
exit 0
