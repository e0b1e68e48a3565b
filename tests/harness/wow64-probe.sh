#!/usr/bin/env bash
# Tells why the 32-bit Windows programs of a build cannot run here, or nothing when
# they can. They run under the WoW64 Wine of wow64-namespace.sh, which must be
# installed, needs root (a mount namespace and chroot), and needs a kernel that runs
# 32-bit code: WoW64 runs it inside 64-bit processes, and on some machines of this
# project's kind the kernel runs none, so that every 32-bit program fails to start.
# Whether it does is found out by trying: the build's package tool, a small console
# program that is none of the tests, is started without arguments, with a time limit,
# in a prefix of its own (BUILD_TREE/wine-probe), and must print its usage.
# Prints one line with the reason when they cannot run; exits 0 either way, 2 on a
# usage error.
# Usage: wow64-probe.sh BUILD_TREE
set -uo pipefail
[ $# -eq 1 ] || { echo "usage: wow64-probe.sh BUILD_TREE" >&2; exit 2; }
harness=$(realpath -m "$1/wine-probe")
program=$(realpath -m "$1/pack/nolvetra-pack.exe")
readonly TEXT="usage: nolvetra-pack"
here=$(dirname "$(realpath "$0")")
top=$(realpath "$here/../..")
# A program that neither starts nor fails within this time counts as not started.
readonly PROBE_SECONDS=120

why=$("$top/scripts/install-wine-wow64.sh" --why)
if [ -n "$why" ]; then
  echo "the WoW64 Wine that runs them: $why"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "they need root: the WoW64 Wine runs by chroot in a mount namespace of its own"
  exit 0
fi

out=$("$here/wow64-namespace.sh" bash -c '
  "$1/wine-setup.sh" "$2" >/dev/null || echo "probe: the prefix could not be made"
  (cd "$(dirname "$3")" && timeout "$4" "$1/wine-run.sh" "$2" "$3" 2>&1)
  status=$?
  echo
  echo "probe: exit status $status"
  "$1/wine-cleanup.sh" "$2" >/dev/null' probe "$here" "$harness" "$program" "$PROBE_SECONDS" 2>&1 | tr -d '\r')
grep -qF -- "$TEXT" <<<"$out" && exit 0
printed=$(grep -v '^$' <<<"$out" | head -n 5 | paste -sd '|' | sed 's/|/ | /g')
echo "no 32-bit Windows program starts here (the kernel may run no 32-bit code): $(basename "$program") did not start under the WoW64 Wine; it printed: $printed"
