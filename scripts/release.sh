#!/usr/bin/env bash
# Builds the shipped files for both architectures and packs the release archives
# dist/nolvetra-<version>-win64.zip and dist/nolvetra-<version>-win32.zip with CPack,
# then checks every file of both (scripts/check-binaries.sh). Installs what is
# missing (as root on a fresh Debian machine). The build trees (no tests) are
# build/release-x86_64 and build/release-i686.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
mkdir -p dist
for arch in x86_64 i686; do
  build=build/release-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DNOLVETRA_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)"
  (cd "$build" && cpack -B package >/dev/null)
  name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
  cp "$build/package/$name.zip" dist/
  scripts/check-binaries.sh "dist/$name.zip" "$arch"
done
