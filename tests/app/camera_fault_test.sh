#!/usr/bin/env bash
# The update run against a camera that misbehaves for real: the test camera G:
# (g: -> drive-g -> folder) is led to a small file system this script mounts as
# root, full at first, then read-only, then taken away under the running program.
# The cases themselves are CameraFault.* of the device watch tests. Where the
# mount is refused the test is skipped (exit 77), never passed. The file system is
# unmounted and drive-g led back to the harness's camera folder however it ends.
# Usage: camera_fault_test.sh HARNESS_DIR DEVICE_WATCH_TESTS.exe
set -uo pipefail
harness=$(realpath -m "$1")
program=$2
here=$(dirname "$(realpath "$0")")
fs="$harness/camera-fs"
link="$harness/drive-g"

mkdir -p "$fs"
umount "$fs" 2>/dev/null  # left over by a run that was killed
if ! refused=$(mount -t tmpfs -o size=4m tmpfs "$fs" 2>&1); then
  echo "SKIP: cannot mount a small file system as the camera: $refused"
  exit 77
fi
restore() {
  ln -sfn camera "$link"
  umount "$fs" || umount -l "$fs"
}
trap restore EXIT
trap 'exit 1' INT TERM

status=0
# Runs the one case of filter in the camera's present state.
run_case() {
  local output
  output=$("$here/../harness/wine-run.sh" "$harness" "$program" --gtest_filter="$1")
  local code=$?
  echo "$output"
  if [ $code -ne 0 ] || ! grep -q '\[  PASSED  \] 1 test' <<<"$output"; then
    echo "FAIL: $1"
    status=1
  fi
}

ln -sfn "$fs" "$link"
run_case 'CameraFault.TooSmallForThePackageThenRoomIsMade'

if mount -o remount,ro "$fs"; then
  run_case 'CameraFault.ReadOnlyCameraReportsItsCodesAndNoSuccess'
else
  echo "FAIL: the camera could not be made read-only"
  status=1
fi

mount -o remount,rw "$fs"
mkdir -p "$fs/camera"
ln -sfn "$fs/camera" "$link"
CAMERA_ROOT=$(HARNESS_DIR=$harness && source "$here/../harness/wine-env.sh" && windows_path "$fs/camera") run_case 'CameraFault.DriveGoneBetweenTheWatchAndStartIsACopyFailure'
exit $status
