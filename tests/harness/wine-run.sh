#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the harness's prefix and display.
# Usage: wine-run.sh HARNESS_DIR PROGRAM.exe [ARGS...]
# The program's output goes through a file: Wine's own background processes
# inherit the descriptors, and a pipe they hold open would never reach its end.
set -uo pipefail
HARNESS_DIR=$(realpath -m "$1")
shift
here=$(dirname "$(realpath "$0")")
source "$here/wine-env.sh"
# Wine starts a program whose current folder no drive reaches in C:\windows; such a
# program starts in its own folder instead, which the build tree's drive reaches.
if ! windows_path "$PWD" >/dev/null 2>&1 && [ -f "$1" ]; then
  program=$(realpath "$1")
  shift
  set -- "$program" "$@"
  echo "wine-run: $PWD lies outside the build tree; starting $(basename "$program") in its own folder" >&2
  cd "$(dirname "$program")"
fi
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
"$WINE" "$@" </dev/null >"$out" 2>&1
status=$?
# An unhandled exception (an undefined-behaviour trap of the test build, an access
# violation) starts Wine's debugger, and the exit status is then sometimes 0: such a
# run never counts as a success.
if [ $status -eq 0 ] && grep -q '^wine: Unhandled' "$out"; then status=70; fi
cat "$out"
exit $status
