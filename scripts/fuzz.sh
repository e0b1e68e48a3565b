#!/usr/bin/env bash
# Builds the text rules natively in build/native (clang-14 with AddressSanitizer and
# UndefinedBehaviorSanitizer), runs their unit tests, then runs each fuzz target on its
# seed corpus. Any sanitizer report or broken invariant fails the run. By default each
# target runs 100000 inputs, as scripts/test.sh does; libFuzzer options given here
# replace that:
#   scripts/fuzz.sh -max_total_time=600     # ten minutes per target
#   scripts/fuzz.sh -runs=10000000
#   FUZZ_TARGETS="parent_id pid_vid" scripts/fuzz.sh -max_total_time=3600
# Inputs found on the way are kept in build/native/corpus/<target>/, inputs that fail
# in build/native/findings/, each target's output in build/native/fuzz-<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/native
all_targets="checksum_file detect_ini_identifier file_name firmware_checksum hardware_id make_arguments parent_id pid_vid"

cmake -S native -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure

options=("$@")
[ ${#options[@]} -eq 0 ] && options=(-runs=100000)

# The longest input worth trying: a little beyond the longest text the rule reads.
max_len() {
  case $1 in
    firmware_checksum) echo 4096 ;;
    detect_ini_identifier) echo 32 ;;
    *) echo 512 ;;
  esac
}

# The seed folders: the target's own, and the demo package where its files are that input.
seeds() {
  echo "fuzz/corpus/$1"
  case $1 in checksum_file | firmware_checksum) echo demo/package ;; esac
}

mkdir -p "$build/findings"
for target in ${FUZZ_TARGETS:-$all_targets}; do
  mkdir -p "$build/corpus/$target"
  log=$build/fuzz-$target.log
  start=$(date +%s)
  # shellcheck disable=SC2046  # one folder a word
  if ! "$build/fuzz/$target" -max_len="$(max_len "$target")" -print_final_stats=1 \
       -artifact_prefix="$build/findings/$target-" "${options[@]}" \
       "$build/corpus/$target" $(seeds "$target") >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz: $target failed; its output is in $log" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
  echo "fuzz: $target: $runs inputs in $(( $(date +%s) - start )) s, $coverage, corpus $(ls "$build/corpus/$target" | wc -l)"
done
