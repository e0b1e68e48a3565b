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
