#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine (run as root).
# Does nothing when everything is already there.
#
# The required packages must install, or the step fails naming them. The Wine that
# runs the 32-bit tests is optional: when it cannot be had, one line says so and why, and the step
# still succeeds; the test command then reports the 32-bit tests it cannot run.
# Nothing i386 is installed on the machine: the 32-bit tests run under a Wine of
# their own (scripts/install-wine-wow64.sh).
# A package index that fails to arrive (a registry's mirror in the middle of a sync)
# is retried a few times; then the install goes on with the indexes that did arrive.
set -euo pipefail
cd "$(dirname "$0")/.."

required=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # The 32-bit deliverables use the win32 thread model: no winpthread, whose
  # imports Windows 95/98/ME lack.
  g++-mingw-w64-i686-win32
  mingw-w64-x86-64-dev mingw-w64-i686-dev
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine xvfb x11-utils imagemagick googletest
  # The native build of the text rules: clang with its sanitizer and libFuzzer runtimes.
  clang-14 libclang-rt-14-dev
  # Packing and signing the release archives.
  zip osslsigncode openssl
  # The test camera that fails on demand: a FUSE file system in Python.
  fuse3 python3-fusepy
)
readonly UPDATE_TRIES=3

# not_installed PACKAGE...: the packages dpkg does not have installed, one a line.
not_installed() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# update_indexes: apt-get update, tried again while an index fails to arrive. Answers
# 0 when every index arrived, 1 when some did not after the last try (apt then works
# with the indexes it has); the failing ones are named on standard error.
update_indexes() {
  local try log
  log=$(mktemp)
  for try in $(seq 1 "$UPDATE_TRIES"); do
    if apt-get update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -lt "$UPDATE_TRIES" ] && sleep $((5 * try))
  done
  echo "install-deps: some package indexes did not arrive after $UPDATE_TRIES tries; going on with the others:" >&2
  grep -E '^E: ' "$log" | grep -v 'Some index files failed' | sed 's/^E: /install-deps:   /' >&2 || true
  rm -f "$log"
  return 1
}

mapfile -t missing < <(not_installed "${required[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  update_indexes || true
  log=$(mktemp)
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
    cat "$log" >&2
    mapfile -t still < <(not_installed "${missing[@]}")
    echo "install-deps: FAILED: required packages could not be installed: ${still[*]:-${missing[*]}}" >&2
    exit 1
  fi
  rm -f "$log"
fi

# Optional: the Wine that runs the 32-bit tests. Its own script says in one line what it
# installed or why it could not; the tests are then skipped with that reason.
scripts/install-wine-wow64.sh || true
