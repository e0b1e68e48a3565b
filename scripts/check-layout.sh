#!/usr/bin/env bash
# Checks that every #include "..." of the tree's .cpp, .h and .rc files follows the
# table below, and fails naming each one that does not. A folder's files include
# their own folder and what its row names (folders, or single headers), all of it on
# lower floors; the check fails as well when a row names a folder that is not lower.
# tests/<folder> may include what <folder> may, <folder> itself, the tests/ folders of
# those, and the test helpers (tests/support, uidriver).
# README.md shows the table between two marker lines; the check fails when that copy
# differs from the table here. --table prints the copy README.md must hold.
# Usage: check-layout.sh [--table]
set -euo pipefail
cd "$(dirname "$0")/.."

# folder       floor  may include
TABLE='
rules          1
system         1
uidriver       1
framework      2      system
detector       2      rules system
package        2      rules system
fuzz           2      rules
update         3      rules system package
app            4      rules system framework detector package update
pack           4      rules system package detector/device_table.h
demo           5      detector uidriver
bench          5      rules system framework detector package update tests/detector
tests/support  3      system framework uidriver
tests/harness  1
'

readonly README_START='<!-- layout table: made by scripts/check-layout.sh --table -->'
readonly README_END='<!-- end of layout table -->'

# markdown_table: the table as README.md shows it, floor by floor.
markdown_table() {
  echo '| Floor | Folder | May include |'
  echo '|---|---|---|'
  local folder level targets
  while read -r folder level targets; do
    targets=$(printf '`%s`, ' $targets)
    echo "| $level | \`$folder/\` | $([ "$targets" = '``, ' ] && echo nothing || echo "${targets%, }") |"
  done < <(sed '/^$/d' <<<"$TABLE" | sort -s -k2,2n)
}

# readme_table: the lines between README.md's markers.
readme_table() {
  sed -n "\|^$README_START\$|,\|^$README_END\$|p" README.md | sed '1d;$d'
}

if [ "${1:-}" = --table ]; then
  markdown_table
  exit 0
fi

declare -A floor allowed
while read -r folder level targets; do
  [ -n "$folder" ] || continue
  floor[$folder]=$level
  allowed[$folder]=$targets
done <<<"$TABLE"

# The tests of each folder, on its floor.
for folder in "${!floor[@]}"; do
  [[ $folder == tests/* ]] && continue
  tested="$folder ${allowed[$folder]}"
  for target in ${allowed[$folder]}; do
    [ -n "${floor[$target]:-}" ] && tested+=" tests/$target"
  done
  floor[tests/$folder]=${floor[$folder]}
  allowed[tests/$folder]="$tested tests/support uidriver"
done

# folder_of PATH: the longest folder of the table that holds PATH, or nothing.
folder_of() {
  local best='' folder
  for folder in "${!floor[@]}"; do
    if [[ $1 == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  echo "$best"
}

# may_include FOLDER PATH: whether files of FOLDER may include the file PATH.
may_include() {
  local target
  [[ $2 == "$1"/* ]] && return 0
  for target in ${allowed[$1]}; do
    [[ $2 == "$target" || $2 == "$target"/* ]] && return 0
  done
  return 1
}

failures=0
fail() {
  echo "check-layout: $*"
  failures=$((failures + 1))
}

for folder in "${!floor[@]}"; do
  [[ $folder == tests/* && -n ${floor[${folder#tests/}]:-} ]] && continue  # a derived row
  for target in ${allowed[$folder]}; do
    below=$(folder_of "$target/")
    [ -n "$below" ] || { fail "the row of $folder names $target, which is no folder of the table"; continue; }
    [ "${floor[$below]}" -lt "${floor[$folder]}" ] ||
      fail "the row of $folder (floor ${floor[$folder]}) names $target (floor ${floor[$below]}), which is not lower"
  done
done

if [ "$(readme_table)" != "$(markdown_table)" ]; then
  fail "README.md's layout table differs from the table here: put the output of scripts/check-layout.sh --table between its markers"
fi

mapfile -t files < <(git ls-files --cached --others --exclude-standard | grep -E '\.(cpp|h|rc)$' | sort -u)

# resolve FILE NAME: the file that FILE's #include "NAME" reaches: beside FILE, else
# the one file of the tree whose path ends in /NAME.
resolve() {
  local beside
  beside=$(realpath -m --relative-to=. "$(dirname "$1")/$2")
  if [ -f "$beside" ]; then echo "$beside"; return; fi
  printf '%s\n' "${files[@]}" | grep -E "(^|/)${2//./[.]}\$" || true
}

includes=0
for file in "${files[@]}"; do
  [ -f "$file" ] || continue  # deleted but not yet removed from the index
  while IFS=: read -r line name; do
    includes=$((includes + 1))
    from=$(folder_of "$file")
    [ -n "$from" ] || { fail "$file:$line: $file lies in no folder of the table"; continue; }
    mapfile -t reached < <(resolve "$file" "$name")
    if [ ${#reached[@]} -ne 1 ]; then
      fail "$file:$line: \"$name\" names ${#reached[@]} files of the tree, not one"
    elif ! may_include "$from" "${reached[0]}"; then
      fail "$file:$line: includes ${reached[0]}: $from may not include $(folder_of "${reached[0]}")"
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done

if [ $failures -gt 0 ]; then
  echo "check-layout: findings against the table in scripts/check-layout.sh: $failures"
  exit 1
fi
echo "check-layout: $includes includes of ${#files[@]} files follow the table"
