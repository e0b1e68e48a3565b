#!/usr/bin/env bash
# The real nolvetra.exe on the shipped demo package, walked as the demo walks it: the
# device watch must find the simulated camera by itself, the run must report
# "Copy OK!", the camera's DCIM folder must then hold the package's files unchanged,
# and the drive list must be enabled again when the camera leaves. PROGRAM_FILE... are
# the built nolvetra.exe and detector.dll, or a release archive to unpack.
# Usage: program_run_test.sh HARNESS_DIR DEMO_DRIVER_EXE PACKAGE_DIR PROGRAM_FILE...
set -euo pipefail
harness=$(realpath -m "$1")
package=$3
here=$(dirname "$(realpath "$0")")
camera="$harness/drive-g"

unset DISPLAY  # the walk runs by itself on the harness's own display
output=$("$here/../../demo/walk.sh" "$@") || true
echo "$output"
status=0
for line in "Copy OK!" "demo: the device watch found the camera on G:, target G:\\DCIM, drive list disabled" \
            "demo: the drive list is enabled again"; do
  grep -qxF -e "$line" -e "$line"$'\r' <<<"$output" || { echo "FAIL: no line '$line'"; status=1; }
done
for f in VX5207.BIN BOOT.BIN FONT.BIN LANG.BIN; do
  cmp -s "$package/$f" "$camera/DCIM/$f" || { echo "FAIL: $f on the camera differs from the package"; status=1; }
done
rm -rf "$harness/work" "${camera:?}"/*
exit $status
