#!/usr/bin/env bash
# Installs what is missing, runs the text rules' native tests and fuzz targets, builds
# both Windows targets with their tests and runs them
# under Wine: the 64-bit tree under wine64, the 32-bit tree (the files that also serve
# Windows 95/98/ME) under 32-bit Wine. Each tree packs, checks and runs its release
# archive in its tests. Where this machine cannot run 32-bit programs, the 32-bit
# tests are reported as skipped; the 32-bit archive is still packed and checked.
# Every stage runs, and both trees, whatever failed before; the last lines give each
# tree's counts and the stages that failed, and the exit status is 1 if any did.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
summary=()
failed=()

# stage NAME COMMAND...: runs one stage; its failure is noted and the next stages run.
stage() {
  local name=$1
  shift
  "$@" || failed+=("$name")
}

# build_tree ARCH [CMAKE_OPTIONS...]: configures and builds build/ARCH.
build_tree() {
  local arch=$1
  shift
  cmake -S . -B "build/$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" "$@" >/dev/null &&
    cmake --build "build/$arch" -j "$jobs"
}

# run_tree_tests ARCH: the tree's tests, each tree in a Wine prefix of its own. The
# harness is set up here first, so that what an earlier run left where no run may
# write is reported in this output.
run_tree_tests() {
  local log="build/$1/test-summary.log" status=0
  rm -f "$log"
  tests/harness/wine-setup.sh "build/$1/wine" || status=1
  ctest --test-dir "build/$1" --output-on-failure | tee "$log" || status=1
  summary+=("$1: $(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" || echo "no counts: the tests did not run")")
  return $status
}

# Why 32-bit Windows programs cannot run here, or nothing when they can.
why_no_32bit() {
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "the 32-bit half of Wine (wine32:i386) is not installed"
  elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "the kernel does not run 32-bit programs (no IA32 emulation)"
  fi
}

test_i686() {
  if ! build_tree i686; then
    summary+=("i686: no counts: the build failed")
    return 1
  fi
  rm -rf build/i686/dist
  local status=0
  { cmake --build build/i686 --target release_archive >/dev/null &&
      scripts/check-binaries.sh build/i686/dist/nolvetra-*-win32.zip i686; } || status=1
  local why
  why=$(why_no_32bit)
  if [ -n "$why" ]; then
    echo "SKIP: the 32-bit tests were built but not run: $why"
    summary+=("i686: SKIPPED, not run: $why")
    return $status
  fi
  run_tree_tests i686 || status=1
  return $status
}

test_x86_64() {
  if ! build_tree x86_64; then
    summary+=("x86_64: no counts: the build failed")
    return 1
  fi
  run_tree_tests x86_64
}

stage install-deps scripts/install-deps.sh
stage layout scripts/check-layout.sh
# The text rules natively under sanitizers: unit tests and each fuzz target on its corpus.
stage native-rules scripts/fuzz.sh
stage x86_64 test_x86_64
stage i686 test_i686
printf 'test.sh: %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: FAILED: ${failed[*]}"
  exit 1
fi
echo "test.sh: all stages passed"
