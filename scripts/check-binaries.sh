#!/usr/bin/env bash
# Checks the shipped files (the program, the library and the package tool) of a build
# or of a release archive: they need no DLL of the compiler's runtime, and detector.dll
# exports VostelExist under its plain name. Every import must be allowed by
# windows-imports.txt beside this script: the DLL a known DLL of Windows 7 and later
# (which Windows takes only from its system folder, never from the program's) or our
# own detector.dll, and the function one that the oldest Windows the archive names
# exports (see OLDEST_* below and docs/windows-versions.md). The 32-bit files must also load on
# Windows 95: their headers must ask for no system newer than 4.0.
# A release archive (nolvetra-<version>-win64.zip or -win32.zip) must moreover hold
# exactly the files below, in this order, each program and library built for the archive's machine,
# carrying the archive's version in its version information, and each program's
# manifest asking to run as the invoking user.
# Usage: check-binaries.sh BUILD_DIR|ARCHIVE.zip TRIPLET_PREFIX(i686|x86_64)
set -euo pipefail
input=$1
triplet=$2-w64-mingw32
objdump=$triplet-objdump
here=$(dirname "$(realpath "$0")")
import_list="$here/windows-imports.txt"
# The oldest Windows each archive names (docs/windows-versions.md, release/README.txt.in): the 32-bit
# files Windows 98 and, of the NT family, Windows XP; the 64-bit files Windows Vista.
readonly OLDEST_9X=98
readonly OLDEST_NT_I686=XP
readonly OLDEST_NT_X86_64=Vista
# What a release archive holds; a program added to the archive is added here too.
readonly ARCHIVE_FILES="README.txt detector.dll nolvetra-pack.exe nolvetra.exe sample/Detect.ini sample/FirmWare.ini sample/checksum.ini"
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

# Fails for every import that windows-imports.txt does not allow: from a DLL that is
# neither listed (a known DLL) nor detector.dll, a function it does not list, or one
# that the archive's oldest Windows lacks (the 95/98/ME family only for the 32-bit files).
check_imports() {
  local file=$1 oldest_nt=$OLDEST_NT_X86_64 oldest_9x=none
  if [ "$2" = i686 ]; then oldest_nt=$OLDEST_NT_I686; oldest_9x=$OLDEST_9X; fi
  while read -r problem; do
    fail "$file $problem"
  done < <(imported_functions "$file" | awk -v nt="$oldest_nt" -v nine="$oldest_9x" '
    BEGIN {
      split("2000 XP Vista 7 8 10", order); for (i in order) ntRank[order[i]] = i
      split("95 98 98SE ME", order); for (i in order) nineRank[order[i]] = i
    }
    function rank(table, version) { return version in table ? table[version] : 99 }
    NR == FNR {
      if ($1 == "dll") allowed[tolower($2)] = 1
      else if (NF >= 6 && $1 !~ /^#/ && $1 != "source") { ntOf[tolower($1) " " $2] = $3; nineOf[tolower($1) " " $2] = $5 }
      next
    }
    $1 == "detector.dll" { next }
    !($1 in allowed) {
      if (!($1 in named)) print "imports from " $1 ", which is no known DLL that windows-imports.txt allows"
      named[$1] = 1; next
    }
    {
      key = $1 " " $2
      if (!(key in ntOf)) key = $1 " *"
      if (!(key in ntOf)) { print "imports " $2 " from " $1 ", which windows-imports.txt does not list"; next }
      if (rank(ntRank, ntOf[key]) > rank(ntRank, nt))
        print "imports " $2 " from " $1 ", which Windows " nt " lacks (from Windows " ntOf[key] " on)"
      if (nine != "none" && rank(nineRank, nineOf[key]) > rank(nineRank, nine))
        print "imports " $2 " from " $1 ", which Windows " nine " lacks"
    }' "$import_list" -)
}

# Fails a module whose headers ask for a newer system than 4.0: the loader of
# Windows 95 refuses it ("requires a newer version of Windows").
check_win95_layout() {
  local file=$1 field
  for field in OSystemVersion SubsystemVersion; do
    "$objdump" -p "$file" | awk -v f="$field" '$1 == "Major" f { major = $2 } $1 == "Minor" f { minor = $2 }
      END { exit !(major == 4 && minor == 0) }' || fail "$file asks for a $field other than 4.0, which Windows 95 refuses"
  done
}

# Imports of a program or library, and the export of detector.dll.
check_module() {
  local file=$1 exports
  if "$objdump" -p "$file" | grep -i -E 'DLL Name: *(libstdc\+\+|libgcc|libwinpthread)'; then
    fail "$file needs a runtime DLL"
  fi
  check_imports "$file" "$2"
  if [ "$2" = i686 ]; then check_win95_layout "$file"; fi
  if [ "$(basename "$file")" = detector.dll ]; then
    exports=$("$objdump" -p "$file" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^[[:space:]]+\[ *[0-9]+\] ' | awk '{print $NF}')
    [ "$exports" = "VostelExist" ] || fail "$file exports '$exports', expected exactly VostelExist"
  fi
}

# Machine type, version information and, for a program, the manifest of a shipped module.
check_release_module() {
  local file=$1 version=$2 format=pei-x86-64 resources key level
  [ "$triplet" = i686-w64-mingw32 ] && format=pei-i386
  "$objdump" -f "$file" | grep -q "file format $format\$" || fail "$file is not built as $format"
  resources=$("$triplet-windres" -J coff -i "$file" -O rc 2>/dev/null) || true
  for key in FileVersion ProductVersion; do
    grep -q "VALUE \"$key\", \"$version\"" <<<"$resources" || fail "$file does not give $key $version"
  done
  grep -q "VALUE \"OriginalFilename\", \"$(basename "$file")\"" <<<"$resources" ||
    fail "$file does not name itself as OriginalFilename"
  [[ $file == *.exe ]] || return 0
  level=$(grep -o 'requestedExecutionLevel level=""[A-Za-z]*""' <<<"$resources" | tr -d '"' || true)
  [ "$level" = "requestedExecutionLevel level=asInvoker" ] || fail "$file has no manifest asking for asInvoker"
  if grep -q 'Microsoft.Windows.Common-Controls' <<<"$resources"; then
    fail "$file depends on Common Controls 6"
  fi
}

check_build() {
  local f
  for f in "$1"/app/nolvetra.exe "$1"/detector/detector.dll "$1"/pack/nolvetra-pack.exe; do
    if [ -f "$f" ]; then check_module "$f" "$2"; fi
  done
}

check_archive() {
  local archive name version machine unpacked listing f
  archive=$(realpath "$1")
  name=$(basename "$archive")
  version=$(sed -n 's/^nolvetra-\([0-9][0-9.]*\)-win\(32\|64\)\.zip$/\1/p' <<<"$name")
  machine=$(sed -n 's/^nolvetra-.*-\(win32\|win64\)\.zip$/\1/p' <<<"$name")
  [ -n "$version" ] || { fail "$name is not named nolvetra-<version>-win64.zip or -win32.zip"; return; }
  [ "$machine" = "$([ "$2" = i686 ] && echo win32 || echo win64)" ] || fail "$name is not an archive of the $2 build"
  # Unpacked into a folder named after the archive, so that messages name "archive/file".
  unpacked=$(mktemp -d)
  mkdir "$unpacked/$name"
  pushd "$unpacked" >/dev/null
  (cd "$name" && cmake -E tar xf "$archive")
  # The entries as the archive lists them: in name order, as a rebuild packs them.
  listing=$(cmake -E tar tf "$archive" | tr '\n' ' ')
  [ "$listing" = "$ARCHIVE_FILES " ] || fail "$name holds '$listing', expected '$ARCHIVE_FILES' in this order"
  for f in "$name"/README.txt "$name"/sample/*.ini; do
    if [ -f "$f" ] && grep -q -v $'\r$' "$f"; then fail "$f has lines without CR LF ends"; fi
  done
  for f in "$name"/*.exe "$name"/*.dll; do
    [ -f "$f" ] || continue
    check_module "$f" "$2"
    check_release_module "$f" "$version"
  done
  popd >/dev/null
  rm -rf "$unpacked"
}

if [[ $input == *.zip ]]; then check_archive "$input" "$2"; else check_build "$input" "$2"; fi
if [ $status -eq 0 ]; then echo "check-binaries: $input ok"; fi
exit $status
