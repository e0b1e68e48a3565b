#!/usr/bin/env bash
# Packs the release archive of a build tree: installs the files of component "release"
# stripped (without their symbol tables the files are a third of their size) into a
# staging folder, lays out its programs and library as a signature expects them
# (align-pe.pl: a signed file less its signature is then the unsigned file), signs them
# when a key is given (sign-files.sh), and zips them in name order, every entry dated
# SOURCE_DATE_EPOCH in UTC and without owner or extra time fields. The same files thus
# give the same archive in any folder, on any machine and for any user.
# Usage: pack-archive.sh BUILD_DIR ARCHIVE.zip
set -euo pipefail
build=$1
archive=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
export TZ=UTC LC_ALL=C

cmake --install "$build" --component release --prefix "$staging" --strip >/dev/null
find "$staging" -type f \( -name '*.exe' -o -name '*.dll' \) -exec perl "$here/align-pe.pl" {} +
"$here/sign-files.sh" "$staging"
find "$staging" -exec touch -h -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" {} +
mkdir -p "$(dirname "$archive")"
rm -f "$archive"
(cd "$staging" && find . -type f | sed 's|^\./||' | sort | zip -q -X -D "$archive" -@)
