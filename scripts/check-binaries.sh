#!/usr/bin/env bash
# Checks the shipped files of a build: they need no DLL of the compiler's runtime,
# and detector.dll exports VostelExist under its plain name.
# Usage: check-binaries.sh BUILD_DIR TRIPLET_PREFIX(i686|x86_64)
set -euo pipefail
build=$1
objdump=$2-w64-mingw32-objdump
status=0
for f in "$build"/app/nolvetra.exe "$build"/detector/detector.dll; do
  [ -f "$f" ] || continue
  if "$objdump" -p "$f" | grep -i -E 'DLL Name: *(libstdc\+\+|libgcc|libwinpthread)'; then
    echo "check-binaries: $f needs a runtime DLL" >&2
    status=1
  fi
done
dll="$build/detector/detector.dll"
if [ -f "$dll" ]; then
  exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^[[:space:]]+\[ *[0-9]+\] ' | awk '{print $NF}')
  if [ "$exports" != "VostelExist" ]; then
    echo "check-binaries: $dll exports '$exports', expected exactly VostelExist" >&2
    status=1
  fi
fi
[ $status -eq 0 ] && echo "check-binaries: $build ok"
exit $status
