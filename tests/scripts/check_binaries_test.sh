#!/usr/bin/env bash
# scripts/check-binaries.sh on small modules built here: a deliverable that imports a
# DLL other than the known DLLs of scripts/windows-imports.txt, or a function that the
# oldest Windows of its archive lacks (Windows 98 and XP for the 32-bit files, Vista for
# the 64-bit ones) or that the list does not know, must fail the check, naming the file
# and the import; one that imports only what its oldest Windows has must pass.
# Usage: check_binaries_test.sh WORK_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
check="$here/../../scripts/check-binaries.sh"
work=$(realpath -m "$1")
failures=0

# The compilers of the two builds (cmake/toolchain-*.cmake).
compiler_of() {
  if [ "$1" = i686 ]; then echo i686-w64-mingw32-gcc-win32; else echo x86_64-w64-mingw32-gcc-posix; fi
}

# build_module TRIPLET OUTPUT SOURCE [LIBRARIES...]: a program, or a DLL for a .dll output.
build_module() {
  local triplet=$1 output=$2 source=$3
  shift 3
  local shared=()
  [[ $output == *.dll ]] && shared=(-shared)
  mkdir -p "$(dirname "$output")"
  printf '%s\n' "#define _WIN32_WINNT 0x0600" "#include <windows.h>" "$source" >"$work/module.c"
  "$(compiler_of "$triplet")" "${shared[@]}" -o "$output" "$work/module.c" "$@"
}

# expect_check TRIPLET EXPECTED_STATUS GREP_PATTERN CASE_NAME [INPUT]: runs the check on
# INPUT, by default $work/build.
expect_check() {
  local status=0 output
  output=$("$check" "${5:-$work/build}" "$1" 2>&1) || status=$?
  if [ "$status" -ne "$2" ] || ! grep -q -- "$3" <<<"$output"; then
    echo "FAIL: $4: status $status, output:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

fresh_build() { rm -rf "$work/build"; mkdir -p "$work/build"; }

readonly PROGRAM="$work/build/app/nolvetra.exe"
readonly LIBRARY="$work/build/detector/detector.dll"
readonly MAIN="int main(void) { return"
readonly EXPORT="__declspec(dllexport) void* VostelExist(int* count) { *count = 0; return (void*)"

rm -rf "$work"
mkdir -p "$work"

fresh_build
build_module i686 "$PROGRAM" "$MAIN (int)GetTickCount() + MessageBoxA(0, \"\", \"\", 0); }"
build_module i686 "$LIBRARY" "$EXPORT GetVersion(); }"
expect_check i686 0 "ok" "modules using only what Windows 98 has"

fresh_build
build_module i686 "$PROGRAM" "$MAIN (int)GetTickCount64(); }"
expect_check i686 1 "nolvetra.exe imports GetTickCount64 from kernel32.dll, which Windows XP lacks" \
  "a 32-bit program importing GetTickCount64, from Windows Vista on"

fresh_build
build_module i686 "$PROGRAM" "$MAIN Beep(440, 1); }"
expect_check i686 1 "nolvetra.exe imports Beep from kernel32.dll, which windows-imports.txt does not list" \
  "a program importing a function that the list does not know"

fresh_build
build_module i686 "$LIBRARY" "$EXPORT QueryDosDeviceW(0, 0, 0); }"
expect_check i686 1 "detector.dll imports QueryDosDeviceW from kernel32.dll" "a library importing QueryDosDeviceW"

fresh_build
build_module i686 "$PROGRAM" "#include <setupapi.h>
$MAIN SetupDiDestroyDeviceInfoList(0); }" -lsetupapi
expect_check i686 1 "imports from setupapi.dll, which is no known DLL" "a program importing SetupAPI at load"

# comctl32.dll is no known DLL: a comctl32.dll beside the program would be loaded instead.
fresh_build
build_module x86_64 "$PROGRAM" "#include <commctrl.h>
$MAIN InitCommonControlsEx(0); }" -lcomctl32
expect_check x86_64 1 "nolvetra.exe imports from comctl32.dll, which is no known DLL" "a program importing comctl32 at load"

fresh_build
build_module i686 "$PROGRAM" "$MAIN 0; }" -Wl,--subsystem,windows:5.1
expect_check i686 1 "nolvetra.exe asks for a SubsystemVersion other than 4.0" "a program laid out for Windows XP"

fresh_build
build_module x86_64 "$PROGRAM" "$MAIN (int)GetTickCount64(); }"
expect_check x86_64 0 "ok" "a 64-bit program importing GetTickCount64"

# A release archive whose program has no manifest or version information and that
# carries a runtime DLL besides: each fault is named.
fresh_build
build_module x86_64 "$PROGRAM" "$MAIN 0; }"
build_module x86_64 "$LIBRARY" "$EXPORT 0; }"
readonly ARCHIVE="$work/nolvetra-1.0.0-win64.zip"
(cd "$work/build" && mkdir sample && touch sample/Detect.ini sample/FirmWare.ini sample/checksum.ini libgcc_s_seh-1.dll &&
 printf 'Extract the whole archive.\r\n' >README.txt && mv app/nolvetra.exe detector/detector.dll . &&
 cmake -E tar cf "$ARCHIVE" --format=zip README.txt nolvetra.exe detector.dll libgcc_s_seh-1.dll sample)
for fault in "holds '.*libgcc_s_seh-1.dll" "nolvetra.exe has no manifest asking for asInvoker" \
             "detector.dll does not give FileVersion 1.0.0"; do
  expect_check x86_64 1 "$fault" "an archive: $fault" "$ARCHIVE"
done

rm -rf "$work"
[ $failures -eq 0 ] && echo "check-binaries tests: all passed"
exit $((failures > 0))
