#!/usr/bin/env bash
# Checks the shipped files of a build (the program, the library and the package
# tool): they need no DLL of the compiler's runtime, and detector.dll exports
# VostelExist under its plain name. The 32-bit files must also load on Windows 98:
# they may import only from DLLs that 98 has, and none of the functions listed in
# win98-missing-imports.txt beside this script.
# Usage: check-binaries.sh BUILD_DIR TRIPLET_PREFIX(i686|x86_64)
set -euo pipefail
build=$1
objdump=$2-w64-mingw32-objdump
missing_list="$(dirname "$0")/win98-missing-imports.txt"
# The DLLs of Windows 98 with Internet Explorer 5 that the program may use, and our own.
readonly WIN98_DLLS=" kernel32.dll user32.dll advapi32.dll gdi32.dll shell32.dll comctl32.dll ole32.dll shlwapi.dll msvcrt.dll detector.dll "
status=0

fail() {
  echo "check-binaries: $*" >&2
  status=1
}

# The file's imports, one "dll function" line each, the DLL name in lower case.
imported_functions() {
  "$objdump" -p "$1" | awk '
    /^The Import Tables/ { inside = 1; next }
    inside && /^[^ \t]/ { inside = 0 }
    inside && /DLL Name:/ { dll = tolower($3); next }
    inside && dll != "" && /^\t[0-9a-f]+\t/ { print dll, $NF }'
}

# Fails for every import that Windows 98 cannot resolve.
check_win98_imports() {
  local file=$1 imports dll
  imports=$(imported_functions "$file")
  for dll in $(echo "$imports" | awk '{print $1}' | sort -u); do
    [[ $WIN98_DLLS == *" $dll "* ]] || fail "$file imports from $dll, which Windows 98 lacks"
  done
  while read -r dll function; do
    fail "$file imports $function from $dll, which Windows 98 lacks"
  done < <(awk 'NR == FNR { if (NF && $1 !~ /^#/) missing[tolower($1) " " $2] = 1; next }
                ($0 in missing)' "$missing_list" - <<<"$imports")
}

for f in "$build"/app/nolvetra.exe "$build"/detector/detector.dll "$build"/pack/nolvetra-pack.exe; do
  [ -f "$f" ] || continue
  if "$objdump" -p "$f" | grep -i -E 'DLL Name: *(libstdc\+\+|libgcc|libwinpthread)'; then
    fail "$f needs a runtime DLL"
  fi
  if [ "$2" = i686 ]; then check_win98_imports "$f"; fi
done
dll="$build/detector/detector.dll"
if [ -f "$dll" ]; then
  exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^[[:space:]]+\[ *[0-9]+\] ' | awk '{print $NF}')
  if [ "$exports" != "VostelExist" ]; then
    fail "$dll exports '$exports', expected exactly VostelExist"
  fi
fi
if [ $status -eq 0 ]; then echo "check-binaries: $build ok"; fi
exit $status
