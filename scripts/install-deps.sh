#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine (run as root).
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # The 32-bit deliverables use the win32 thread model: no winpthread, whose
  # imports Windows 95/98/ME lack.
  g++-mingw-w64-i686-win32
  mingw-w64-x86-64-dev mingw-w64-i686-dev
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine xvfb x11-utils imagemagick googletest
  # The native build of the text rules: clang with its sanitizer and libFuzzer runtimes.
  clang-14 libclang-rt-14-dev
  # Packing and signing the release archives.
  zip osslsigncode openssl
  # The test camera that fails on demand: a FUSE file system in Python.
  fuse3 python3-fusepy
)
# The 32-bit half of Wine, which runs the 32-bit build's tests; from the i386
# architecture, beside wine64.
readonly WINE32=wine32:i386

missing=()
for p in "${packages[@]}" "$WINE32"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# i386 packages are found only once the architecture is added (before the update).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
