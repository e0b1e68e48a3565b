#!/usr/bin/env bash
# The real nolvetra.exe on the shipped demo package: the demo driver starts it in a
# staged package folder, chooses the test camera G:, presses Start and must see
# "Copy OK!"; the camera's DCIM folder must then hold the package's files unchanged.
# Usage: program_run_test.sh HARNESS_DIR NOLVETRA_EXE DETECTOR_DLL DEMO_DRIVER_EXE PACKAGE_DIR
set -euo pipefail
harness=$(realpath -m "$1")
exe=$2
detector=$3
driver=$4
package=$5
here=$(dirname "$(realpath "$0")")
work="$harness/program-run"
camera="$harness/drive-g"

rm -rf "$work" "${camera:?}"/*
mkdir -p "$work/shots" "$camera/DCIM"
cp "$package"/* "$exe" "$detector" "$work"/
echo "old firmware" >"$camera/DCIM/VX5207.BIN"
chmod a-w "$camera/DCIM/VX5207.BIN"  # read-only on the camera: the run clears the attribute

output=$(cd "$work" && "$here/../harness/wine-run.sh" "$harness" "$driver" G "Z:${work//\//\\}\\shots") || true
echo "$output"
status=0
echo "$output" | grep -qx $'Copy OK!\r\\?' || { echo "FAIL: the run did not report Copy OK!"; status=1; }
for f in VX5207.BIN BOOT.BIN FONT.BIN LANG.BIN; do
  cmp -s "$package/$f" "$camera/DCIM/$f" || { echo "FAIL: $f on the camera differs from the package"; status=1; }
done
rm -rf "$work" "${camera:?}"/*
exit $status
