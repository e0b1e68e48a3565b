#!/usr/bin/env bash
# Ends what wine-setup.sh started: the wineserver with every Wine process, and the
# display. Then checks the edge: a run that changed anything at /DCIM on the machine
# (outside the build tree: reported, never touched), wrote on the last drive (the
# default target's, emptied), or left a link of the prefix leading outside the build
# tree fails here with a line naming it.
# Usage: wine-cleanup.sh HARNESS_DIR
set -uo pipefail
HARNESS_DIR=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
source "$here/wine-env.sh"
source "$here/wine-edge.sh"
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
if [ -f "$HARNESS_DIR/xvfb.pid" ]; then
  kill "$(cat "$HARNESS_DIR/xvfb.pid")" 2>/dev/null
  rm -f "$HARNESS_DIR/xvfb.pid" "$HARNESS_DIR/display"
fi
status=0
while IFS= read -r leftover; do
  echo "wine-cleanup: FAIL: $leftover"
  status=1
done < <(edge_leftovers)
clear_edge
exit $status
