#!/usr/bin/env bash
# Runs nolvetra.exe on the shipped demo firmware package (demo/package) under Wine.
# Installs what is missing (as root on a fresh Debian machine), builds the 64-bit
# program, stages the package in a working folder and an empty demo camera: a
# folder mapped as drive G: of a demo Wine prefix. With a display (DISPLAY set) you
# work the dialog yourself: choose G:\ and press Start. Without one the demo runs on
# its own Xvfb, where a driver program chooses G:\, presses Start, prints the
# outcome and answers it, and the dialogs are saved as PNG screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=build/x86_64
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
cmake --build "$build" -j2 --target nolvetra demo_driver

demo=$(realpath -m "$build/demo-run")
work="$demo/work"
camera="$demo/drive-g"
shots="$demo/screenshots"
rm -rf "$work" "$shots"
mkdir -p "$work" "$shots"
cp demo/package/* "$work"/
cp "$build/app/nolvetra.exe" "$work"/
cp "$build/detector/detector.dll" "$work"/

# The prefix maps G: to $camera; the camera starts with an old firmware file in DCIM.
tests/harness/wine-setup.sh "$demo" >/dev/null
trap 'tests/harness/wine-cleanup.sh "$demo"' EXIT
rm -rf "${camera:?}"/*
mkdir -p "$camera/DCIM"
echo "old firmware" >"$camera/DCIM/VX5207.BIN"

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: the camera is drive G: (folder $camera); choose G:\\ and press Start"
  (cd "$work" && "$OLDPWD/tests/harness/wine-run.sh" "$demo" nolvetra.exe)
  exit 0
fi

echo "demo: no display; walking the dialog on Xvfb"
status=0
(cd "$work" && "$OLDPWD/tests/harness/wine-run.sh" "$demo" \
   "$(realpath "$OLDPWD/$build/demo/demo_driver.exe")" G "Z:${shots//\//\\}") || status=$?
for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  /usr/bin/convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  echo "demo: screenshot ${bmp%.bmp}.png"
done
echo "demo: camera now holds: $(ls "$camera/DCIM" | tr '\n' ' ')"
exit $status
