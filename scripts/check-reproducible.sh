#!/usr/bin/env bash
# Checks that the release of the current commit is reproducible: clones the commit
# twice, into folders of different names, runs scripts/release.sh in each, one after
# the other, and compares their dist/SHA256SUMS. On a difference it names the archive
# entries that differ. Uncommitted changes are not part of the check. The releases are
# signed when NOLVETRA_SIGN_CERT and NOLVETRA_SIGN_KEY are given.
# Usage: check-reproducible.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
readonly CLONES="first/nolvetra second/another-folder"

for clone in $CLONES; do
  git clone -q --no-local "$repo" "$work/$clone"
  git -C "$work/$clone" checkout -q --detach "$commit"
  start=$(date +%s)
  if ! (cd "$work/$clone" && scripts/release.sh) >"$work/release.log" 2>&1; then
    cat "$work/release.log"
    exit 1
  fi
  echo "check-reproducible: scripts/release.sh took $(($(date +%s) - start)) s in $clone"
done

read -r first second <<<"$CLONES"
if cmp -s "$work/$first/dist/SHA256SUMS" "$work/$second/dist/SHA256SUMS"; then
  echo "check-reproducible: both releases of $commit are identical:"
  cat "$work/$first/dist/SHA256SUMS"
  exit 0
fi
echo "check-reproducible: the releases of $commit differ"
for archive in "$work/$first"/dist/*.zip; do
  name=$(basename "$archive")
  mkdir -p "$work/unpacked/$name/first" "$work/unpacked/$name/second"
  (cd "$work/unpacked/$name/first" && cmake -E tar xf "$archive")
  (cd "$work/unpacked/$name/second" && cmake -E tar xf "$work/$second/dist/$name")
  diff -r -q "$work/unpacked/$name/first" "$work/unpacked/$name/second" || true
done
exit 1
