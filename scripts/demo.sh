#!/usr/bin/env bash
# Runs nolvetra.exe on the shipped demo package (demo/package) under Wine, with a
# simulated camera that the program finds by itself. Installs what is missing (as
# root on a fresh Debian machine), builds the 64-bit program, or with --32 the 32-bit
# files (those that also serve Windows 95/98/ME, run by the WoW64 Wine of the tests,
# tests/harness/wow64-namespace.sh), as the release
# archives build them (no tests, no undefined-behaviour traps) in a tree of their own,
# build/demo-<arch>, and walks the demo (demo/walk.sh) in a Wine prefix of its own
# under build/demo-<arch>/demo-run. With a display (DISPLAY set) you work the dialog
# yourself; without one the walk runs on its own Xvfb, prints each step and saves PNG
# screenshots.
# Usage: demo.sh [--32]
set -euo pipefail
cd "$(dirname "$0")/.."

arch=x86_64
launcher=()
targets=(nolvetra detector demo_driver)
case "${1:-}" in
  "") ;;
  # The package tool is what the probe of 32-bit programs starts.
  --32) arch=i686 launcher=(tests/harness/wow64-namespace.sh) targets+=(nolvetra-pack) ;;
  *) echo "usage: scripts/demo.sh [--32]" >&2; exit 2 ;;
esac

scripts/install-deps.sh
build=build/demo-$arch
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" -DNOLVETRA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"
if [ $arch = i686 ] && why=$(tests/harness/wow64-probe.sh "$build") && [ -n "$why" ]; then
  echo "demo: the 32-bit files cannot run here: $why" >&2
  exit 1
fi

echo "demo: Wine has no USB disks; the simulated camera's drive G: is the folder $build/demo-run/drive-g"
"${launcher[@]}" demo/walk.sh "$build/demo-run" "$build/demo/demo_driver.exe" demo/package \
  "$build/app/nolvetra.exe" "$build/detector/detector.dll"
