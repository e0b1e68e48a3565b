#!/usr/bin/env bash
# Runs nolvetra.exe on the shipped demo package (demo/package) under Wine, with a
# simulated camera that the program finds by itself. Installs what is missing (as
# root on a fresh Debian machine), builds the 64-bit program and walks the demo
# (demo/walk.sh) in a Wine prefix of its own under build/x86_64/demo-run. With a
# display (DISPLAY set) you work the dialog yourself; without one the walk runs on
# its own Xvfb, prints each step and saves PNG screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=build/x86_64
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
cmake --build "$build" -j2 --target nolvetra detector demo_driver

echo "demo: Wine has no USB disks; the simulated camera's drive G: is the folder $build/demo-run/drive-g"
demo/walk.sh "$build/demo-run" "$build/demo/demo_driver.exe" demo/package \
  "$build/app/nolvetra.exe" "$build/detector/detector.dll"
