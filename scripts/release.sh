#!/usr/bin/env bash
# Builds the shipped files for both architectures in fresh trees and packs the release
# archives dist/nolvetra-<version>-win64.zip and dist/nolvetra-<version>-win32.zip
# (release/pack-archive.sh), checks every file of both (scripts/check-binaries.sh) and
# lists their SHA-256 sums in dist/SHA256SUMS. The commit's date stands for the build
# time wherever a tool would stamp one (the linker into every PE file, the archive
# entries, the signatures), so a clean clone of the same commit gives the same bytes.
# With NOLVETRA_SIGN_CERT and NOLVETRA_SIGN_KEY (PEM files) every program and library
# is signed before it is packed (release/sign-files.sh). Installs what is missing (as
# root on a fresh Debian machine). The build trees (no tests) are build/release-x86_64
# and build/release-i686.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
if [ -z "${NOLVETRA_SIGN_CERT:-}${NOLVETRA_SIGN_KEY:-}" ]; then
  echo "release: no NOLVETRA_SIGN_CERT and NOLVETRA_SIGN_KEY given, the release is unsigned"
fi
rm -rf dist
mkdir -p dist
for arch in x86_64 i686; do
  build=build/release-$arch
  # A tree of an earlier commit would keep that commit's time in files it does not relink.
  rm -rf "$build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DNOLVETRA_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)"
  cmake --build "$build" --target release_archive >/dev/null
  cp "$build"/dist/nolvetra-*.zip dist/
  scripts/check-binaries.sh "$build"/dist/nolvetra-*.zip "$arch"
done
(cd dist && sha256sum nolvetra-*.zip >SHA256SUMS)
