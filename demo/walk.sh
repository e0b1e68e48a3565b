#!/usr/bin/env bash
# Walks the demo on a Wine prefix and display of its own (HARNESS_DIR): stages the
# firmware package and the program files in a working folder, gives the prefix an
# empty demo camera as drive G: whose DCIM folder holds an old read-only firmware
# file, lets nolvetra.exe and the driver run as on Windows 98, and runs demo_driver.exe,
# which plugs in the simulated camera. The program files are nolvetra.exe and
# detector.dll, or a release archive (.zip), unpacked into the working folder as a
# user would. Without a display the driver walks the dialog by itself and the
# screenshots land as PNG files in HARNESS_DIR/screenshots; with one (DISPLAY set) a
# person works the dialog and unplugs the camera with Enter.
# Usage: walk.sh HARNESS_DIR DEMO_DRIVER_EXE PACKAGE_DIR PROGRAM_FILE...
set -euo pipefail
harness=$(realpath -m "$1")
driver=$(realpath "$2")
package=$3
shift 3
harness_scripts="$(dirname "$(realpath "$0")")/../tests/harness"
source "$harness_scripts/stop-reason.sh"
work="$harness/work"
camera="$harness/drive-g"
shots="$harness/screenshots"
attended=${DISPLAY:+yes}  # decided before the harness sets its own display

"$harness_scripts/wine-setup.sh" "$harness" >/dev/null
# The clean-up fails a walk that wrote where no run may write (tests/harness/wine-edge.sh).
trap '"$harness_scripts/wine-cleanup.sh" "$harness" || exit 1' EXIT
HARNESS_DIR=$harness source "$harness_scripts/wine-env.sh"
for exe in nolvetra.exe demo_driver.exe; do
  "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d win98 /f >/dev/null
done

rm -rf "$work" "$shots" "${camera:?}"/*
mkdir -p "$work" "$shots" "$camera/DCIM"
for file in "$@"; do
  file=$(realpath "$file")
  if [[ $file == *.zip ]]; then
    (cd "$work" && cmake -E tar xf "$file")
  else
    cp "$file" "$work"/
  fi
done
cp "$package"/* "$work"/
echo "old firmware" >"$camera/DCIM/VX5207.BIN"
chmod a-w "$camera/DCIM/VX5207.BIN"  # read-only on the camera: the run clears the attribute

status=0
if [ -n "$attended" ]; then
  echo "demo: the simulated camera is plugged in as G:. Wait until the drive list greys out, then press Start."
  echo "demo: press Enter here to unplug the camera and see the drive list enabled again; close the program to end."
  (cd "$work" && "$harness_scripts/wine-run.sh" "$harness" "$driver" G) &
  driver_job=$!
  read -r _ && touch "$work/unplug"
  wait $driver_job || status=$?
  exit $status
fi
(cd "$work" && "$harness_scripts/wine-run.sh" "$harness" "$driver" G "$(windows_path "$shots")") || status=$?
for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  # Cut the empty desktop around the windows away.
  /usr/bin/convert "$bmp" -trim +repage "${bmp%.bmp}.png" && rm -f "$bmp"
  echo "demo: screenshot ${bmp%.bmp}.png"
done
echo "demo: the camera's DCIM folder now holds: $(ls "$camera/DCIM" | tr '\n' ' ')"
exit $status
