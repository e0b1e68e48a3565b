#!/usr/bin/env bash
# The real nolvetra-pack.exe under Wine on package folders made here: one case per
# group of findings, the exit statuses, make then check, make refusing, and a package
# made by make installed by the real nolvetra.exe (tests/app/program_run_test.sh).
# The install runs in the demo walk's own Wine prefix (CAMERA_HARNESS_DIR), where the
# simulated camera carries the identifiers of the made package's Detect.ini.
# Usage: pack_test.sh HARNESS_DIR CAMERA_HARNESS_DIR PACK_EXE NOLVETRA_EXE DETECTOR_DLL
#                     DEMO_DRIVER_EXE DEMO_PACKAGE_DIR
set -uo pipefail
# Wine names Linux files in the locale's encoding: UTF-8, like the names in this script.
export LC_ALL=C.UTF-8
harness=$(realpath -m "$1")
camera_harness=$2
pack=$3
nolvetra=$4
detector=$5
driver=$6
demo=$7
here=$(dirname "$(realpath "$0")")
work="$harness/pack-test"
failures=0
out=""
status=0

fail() {
  echo "FAIL: $*"
  echo "$out"
  failures=$((failures + 1))
}

HARNESS_DIR=$harness source "$here/../harness/wine-env.sh"

# run DIR ARGS...: runs the tool in DIR; sets out and status.
run() {
  local dir=$1
  shift
  status=0
  out=$(cd "$dir" && "$here/../harness/wine-run.sh" "$harness" "$pack" "$@" | tr -d '\r') || status=$?
}

# expect CASE STATUS TEXT...: the last run ended with STATUS and printed every TEXT.
expect() {
  local name=$1 want=$2 text
  shift 2
  [ "$status" -eq "$want" ] || fail "$name: status $status, expected $want"
  for text in "$@"; do grep -qF -- "$text" <<<"$out" || fail "$name: no line with: $text"; done
}

expect_no_findings() {
  ! grep -qE '^(error|warning):' <<<"$out" || fail "$1: findings where none were expected"
}

# ini FILE LINE...: a file of CR LF lines.
ini() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$file"
}

# package DIR: a.bin ("abc", checksum 126) and b.bin ("hello", 214) for the camera
# 1A2B/3C4D, described, summed and known to Detect.ini.
package() {
  rm -rf "$1"
  mkdir -p "$1"
  printf abc >"$1/a.bin"
  printf hello >"$1/b.bin"
  ini "$1/FirmWare.ini" '[PID_VID]' 'PID_VID=USB\VID_1A2B&PID_3C4D' '[setting]' productname=VX5207 fwver=V2.03 \
    filenum=2 0=a.bin 1=b.bin
  ini "$1/checksum.ini" 126 214
  ini "$1/Detect.ini" '[HWNum]' Number=1 '[Device1]' SubKey98=NOLVETRAVX5207 VID=1A2B PID=3C4D
}

rm -rf "$work"
mkdir -p "$work"

# make then check: a clean package, read back as written, that the program installs.
# Its folder's name holds characters outside every ANSI code page but UTF-8, which the
# programs' manifest makes theirs: check, run in that folder, finds the package.
made="$work/made-Gerät-相机"
mkdir -p "$made"
cp "$demo"/*.BIN "$made"/
ini "$made/Detect.ini" '[HWNum]' Number=1 '[Device1]' SubKey98=NOLVETRAVX5207 VID=1A2B PID=3C4D
cp "$made/Detect.ini" "$work/Detect.ini.before"
run "$work" make --vid 1a2b --pid 3C4D --product VX5207 --version V2.03 --folder "$(windows_path "$made")" \
  VX5207.BIN BOOT.BIN FONT.BIN LANG.BIN
expect make 0 "wrote FirmWare.ini, checksum.ini" "summary: 4 files, 4 verified by a checksum; camera USB\\VID_1A2B&PID_3C4D; 0 errors, 0 warnings"
expect_no_findings make
grep -qx $'PID_VID=USB\\\\VID_1A2B&PID_3C4D\r' "$made/FirmWare.ini" || fail "make: PID_VID not written"
cmp -s <(tr A-F a-f <"$demo/checksum.ini") "$made/checksum.ini" || fail "make: checksum.ini differs from the demo's sums"
cmp -s "$work/Detect.ini.before" "$made/Detect.ini" || fail "make: the existing Detect.ini was changed"
run "$made" check
expect "check after make" 0 "0 errors, 0 warnings"
expect_no_findings "check after make"
"$here/../app/program_run_test.sh" "$camera_harness" "$driver" "$made" "$nolvetra" "$detector" >"$work/install.log" 2>&1 ||
  { out=$(cat "$work/install.log"); fail "the made package was not installed"; }

# make refusing: every reason is named and nothing is written (a device name is not
# opened); --force then overwrites, and past 10 files the rest are compared only.
refused="$work/refused"
mkdir -p "$refused"
printf abc >"$refused/a.bin"
echo old >"$refused/FirmWare.ini"
long=$(printf 'x%.0s' $(seq 255))
run "$refused" make --vid 1A2B --pid 3C4D --product P --version V a.bin "$long" CON Nul.bin '~stage03.tmp' \
  A.BIN 'a.bin.' $(seq -f 'f%g.bin' 24)
expect "make refusing" 1 "31 files; the program installs at most 30" "the name has 255 characters" \
  "CON: names a device on Windows, not a file" "Nul.bin: names a device" \
  "~stage03.tmp: is a name nolvetra.exe gives its own files" \
  "A.BIN: names the same file as an earlier name" "a.bin.: ends in a dot or a blank" \
  "f1.bin: no such file" "FirmWare.ini: exists; give --force" "nothing written"
[ "$(ls "$refused")" = $'FirmWare.ini\na.bin' ] && [ "$(cat "$refused/FirmWare.ini")" = old ] &&
  [ "$(cat "$refused/a.bin")" = abc ] || fail "make refusing: the folder changed"
for i in $(seq 0 11); do echo "$i" >"$refused/f$i.bin"; done
run "$refused" make --force --vid 1A2B --pid 3C4D --product P --version V $(seq -f 'f%g.bin' 0 11)
expect "make --force" 0 "wrote FirmWare.ini, checksum.ini and Detect.ini" \
  "10 checksums for 12 files; compared only with the package's own files, without a checksum: f10.bin, f11.bin" \
  "the camera's entry, has no SubKey98"
[ "$(wc -l <"$refused/checksum.ini")" -eq 10 ] && grep -q filenum=12 "$refused/FirmWare.ini" ||
  fail "make --force: FirmWare.ini or checksum.ini not rewritten"

# make refusing a firmware name outside ASCII, the one reason: FirmWare.ini would name
# the file in UTF-8, which older Windows read in their code page.
foreign="$work/foreign"
mkdir -p "$foreign"
printf abc >"$foreign/Gerät.bin"
run "$foreign" make --vid 1A2B --pid 3C4D --product P --version V Gerät.bin
expect "make refusing a name outside ASCII" 1 "error: Gerät.bin: has characters outside ASCII" "nothing written"
[ "$(ls "$foreign")" = Gerät.bin ] || fail "make refusing a name outside ASCII: the folder changed"

# The tool restricts the DLL search before it loads anything (system/system_library.h).
# The function is bound at run time, so no import shows the call; Wine's trace does.
(cd "$work" && WINEDEBUG=+relay "$WINE" "$pack" check </dev/null >"$work/relay.log" 2>&1)
grep -aq 'Call KERNEL32.SetDefaultDllDirectories(00000800)' "$work/relay.log" ||
  fail "check: the DLL search is not restricted to the system folder"

# Usage errors.
for args in "" "check a b" "check no-such-folder" "make --vid 12345 --pid 1 --product P --version V a.bin" \
  "make --vid 1 --pid 1 --product P --version V" "pack"; do
  run "$work" $args
  expect "usage '$args'" 2 "usage: nolvetra-pack check [FOLDER]"
done

# FirmWare.ini: its identifier form, shown texts and listed files.
package "$work/p"
ini "$work/p/FirmWare.ini" '[PID_VID]' 'PID_VID=USB\VID_1A2B&PID_3C4' '[setting]' \
  'productname=VX5207 Camera Professional' fwver=V2.03-2026-12-08-beta filenum=4 0=a.bin 1=gone.bin \
  '2=firmware update.bin' 3=~STAGE03.TMP
ini "$work/p/checksum.ini" 126
run "$work/p" check
expect description 1 'PID_VID "USB\VID_1A2B&PID_3C4" is not of the form' \
  'productname has 26 characters; the title and the dialog show only "VX5207 Camera Profe"' \
  'fwver has 21 characters; the dialog shows only "V2.03-2026-12-08-be"' \
  "gone.bin: listed in FirmWare.ini but missing" \
  "1 checksum for 4 files; compared only with the package's own files, without a checksum: gone.bin" \
  "warning: firmware update.bin: is not an 8.3 name" "error: ~STAGE03.TMP: is a name nolvetra.exe gives"

# Names that Windows makes equal, each refused on its own line: a staged copy's name
# with a trailing dot or blank, a trailing dot or blank, a name in another letter case;
# and the name of an old file the run sets aside.
package "$work/p"
ini "$work/p/FirmWare.ini" '[PID_VID]' 'PID_VID=USB\VID_1A2B&PID_3C4D' '[setting]' productname=VX5207 fwver=V2.03 \
  filenum=8 0=a.bin 1=b.bin '2=~STAGE01.TMP.' '3="~stage02.tmp "' 4=A.BIN 5=b.bin. '6="c.bin "' 7=~old05.tmp
run "$work/p" check
expect "aliasing names" 1 "error: ~STAGE01.TMP.: is a name nolvetra.exe gives" "error: ~old05.tmp: is a name nolvetra.exe gives" \
  "error: ~stage02.tmp : is a name nolvetra.exe gives" "error: A.BIN: names the same file as an earlier name" \
  "error: b.bin.: ends in a dot or a blank" "error: c.bin : ends in a dot or a blank"
! grep -qE "error: (a|b)\.bin: (is a name|names|ends)" <<<"$out" || fail "aliasing names: a first name refused"

# Bytes outside ASCII in the files the programs read, one warning a file naming the
# first by its line: UTF-8 text, and the mark that starts a file saved as UTF-8.
package "$work/p"
ini "$work/p/FirmWare.ini" '[PID_VID]' 'PID_VID=USB\VID_1A2B&PID_3C4D' '[setting]' productname=Gerät fwver=V2.03 \
  filenum=2 0=a.bin 1=b.bin
printf '\xef\xbb\xbf126\r\n214\r\n' >"$work/p/checksum.ini"
ini "$work/p/Detect.ini" '[HWNum]' Number=1 '[Device1]' SubKey98=NOLVETRAVX5207 VID=1A2B PID=3C4D DeviceName=相机
run "$work/p" check
expect "outside ASCII" 1 "warning: FirmWare.ini: line 4 has the byte 0xC3, which is outside ASCII" \
  "warning: checksum.ini: line 1 has the byte 0xEF" "warning: Detect.ini: line 7 has the byte 0xE7"

# What stops the loader, and missing description files.
package "$work/p"
ini "$work/p/FirmWare.ini" '[setting]' filenum=31
run "$work/p" check
expect "filenum" 1 'nolvetra.exe stops with "Read file number failed!!"' "filenum is 31; the program installs 1 to 30"
ini "$work/p/FirmWare.ini" '[setting]' filenum=2 0=a.bin
run "$work/p" check
expect "file name" 1 'nolvetra.exe stops with "Read file name failed!!"' 'file name key "1" of [setting] is missing'
ini "$work/p/FirmWare.ini" '[setting]' filenum=2 0=a.bin 1=CON
run "$work/p" check </dev/null
expect "device name" 1 'file name key "1" of [setting] is "CON", which names a device on Windows, not a file'
package "$work/p"
rm "$work/p/checksum.ini"
run "$work/p" check
expect "no checksum.ini" 1 "checksum.ini: $(windows_path "$work/p")\\checksum.ini was not found."
mkdir -p "$work/empty"
run "$work/empty" check
expect "empty folder" 1 "FirmWare.ini: missing" "Detect.ini: missing" "camera unknown"

# checksum.ini: mismatches, line ends, counts and the bytes the program reads.
package "$work/p"
printf '126\n215' >"$work/p/checksum.ini"
run "$work/p" check
expect "checksums" 1 'b.bin: checksum.ini line 2 expects "215", the file'"'"'s checksum is "214"' \
  "has LF-only line ends" "its last line has no line end"
ini "$work/p/checksum.ini" 126 214 3
run "$work/p" check
expect "more checksums than files" 1 "every update fails at checksum 3, which belongs to no file"
ini "$work/p/checksum.ini" 126 214 1 2 3 4 5 6 7 8 9
run "$work/p" check
expect "more than 10 checksums" 1 "11 checksums for 2 files; every update fails at checksum 3"
{ printf '126\r\n'; printf '\n%.0s' $(seq 93); printf '214\r\n'; } >"$work/p/checksum.ini"
run "$work/p" check
expect "cut checksum.ini" 1 'the program reads only the first 100, which cuts checksum 2 "214" to "21"'

# Detect.ini: the camera's entry and entries the detector's substring tests also find
# in other devices' IDs (warnings only: status 0).
package "$work/p"
ini "$work/p/Detect.ini" '[HWNum]' Number=4 '[Device1]' VID=1A2B PID=3C4D '[Device2]' VID=D PID=0 \
  '[Device4]' VID=3C4D PID=3C4D
run "$work/p" check
expect "Detect.ini traps" 0 "[Device1], the camera's entry, has no SubKey98" \
  '[Device2] VID 000D is tested as the text "D", which the detector also finds in the IDs of other devices: on Windows NT 65535 other VIDs' \
  '[Device2] PID 0000 is tested as the text "0", which the detector also finds in the IDs of other devices: on Windows NT 65535 other PIDs' \
  "Number is 4 but section [Device3] is missing" \
  '[Device4] VID 3C4D is tested as the text "3C4D", which the detector also finds in the IDs of other devices: on Windows 95/98/ME 65535 other VIDs, such as USB\VID_0000&PID_3C4D&REV_0100;'
! grep -q '\[Device1\] [VP]ID' <<<"$out" || fail "Detect.ini traps: the camera's 4-digit entry was taken for a trap"
ini "$work/p/Detect.ini" '[HWNum]' Number=1 '[Device1]' SubKey98=X VID=1A2B PID=3C4E
run "$work/p" check
expect "no camera entry" 1 "no entry has VID 1A2B and PID 3C4D"

rm -rf "$work"
[ $failures -eq 0 ] && echo "nolvetra-pack tests: all passed"
exit $((failures > 0))
