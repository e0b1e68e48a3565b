#!/usr/bin/env bash
# Installs what is missing, runs the text rules' native tests and fuzz targets, builds
# both Windows targets with their tests and runs them
# under Wine: the 64-bit tree under the machine's wine64, the 32-bit tree (the files
# that also serve Windows 95/98/ME) under the WoW64 Wine of tests/harness/wow64-namespace.sh.
# Each tree packs, checks and runs its release archive in its tests. Where 32-bit
# Windows programs cannot run (tests/harness/wow64-probe.sh tries one: the WoW64 Wine
# missing, no root, or a kernel that runs no 32-bit code), the 32-bit tests are
# reported as skipped, with the reason; the 32-bit archive is still packed and checked.
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

# run_tree_tests ARCH [LAUNCHER...]: the tree's tests, each tree in a Wine prefix of its
# own, run through LAUNCHER where one is given. The harness is set up here first, so
# that what an earlier run left where no run may write is reported in this output.
run_tree_tests() {
  local arch=$1
  shift
  local log="build/$arch/test-summary.log" status=0
  rm -f "$log"
  "$@" bash -c 'status=0
    tests/harness/wine-setup.sh "$1/wine" || status=1
    ctest --test-dir "$1" --output-on-failure || status=1
    exit $status' run-tree-tests "build/$arch" | tee "$log" || status=1
  summary+=("$arch: $(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" || echo "no counts: the tests did not run")")
  # A skipped test's reason is in ctest's log only; the last lines give it.
  local skip
  while IFS= read -r skip; do
    summary+=("$arch: $skip")
  done < <(grep -hE '^SKIP: ' "build/$arch/Testing/Temporary/LastTest.log" 2>/dev/null)
  return $status
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
  why=$(tests/harness/wow64-probe.sh build/i686)
  if [ -n "$why" ]; then
    echo "SKIP: the 32-bit tests were built but not run: $why"
    summary+=("i686: SKIPPED, not run: $why")
    return $status
  fi
  local start=$SECONDS
  run_tree_tests i686 tests/harness/wow64-namespace.sh || status=1
  summary+=("i686: tests took $((SECONDS - start)) s under the WoW64 Wine")
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
