#!/usr/bin/env bash
# The update run against a camera that fails like real ones. For each CameraFault.*
# case of the camera fault tests this script mounts fault_camera.py (FUSE, as root)
# over an empty folder and leads the test camera G: (g: -> drive-g -> folder) to a
# folder on it; the case switches the camera's faults through the control file
# named in CAMERA_FAULTS and may set up the camera's store, CAMERA_STORE. Where FUSE cannot be mounted the cases are skipped
# (exit 77), never passed. After every case the camera is unmounted and drive-g
# led back to the harness's camera folder, however the case ends.
# Usage: camera_fault_test.sh HARNESS_DIR CAMERA_FAULT_TESTS.exe
set -uo pipefail
harness=$(realpath -m "$1")
program=$2
here=$(dirname "$(realpath "$0")")
mnt="$harness/camera-fs"
store="$harness/camera-store"
control="$harness/camera-faults"
log="$harness/camera.log"
link="$harness/drive-g"
camera_pid=

# windows_path: the Windows name of a path inside the build tree.
HARNESS_DIR=$harness
source "$here/../harness/wine-env.sh"

unmount_camera() {
  ln -sfn camera "$link"
  if mountpoint -q "$mnt"; then fusermount -u "$mnt" || fusermount -uz "$mnt"; fi
  if [ -n "$camera_pid" ]; then
    local i
    for i in $(seq 1 100); do kill -0 "$camera_pid" 2>/dev/null || break; sleep 0.05; done
    kill "$camera_pid" 2>/dev/null
    wait "$camera_pid" 2>/dev/null
    camera_pid=
  fi
}

# Mounts a sound, empty camera. Returns 77 when FUSE refuses the mount.
mount_camera() {
  rm -rf "$store"
  mkdir -p "$store/camera" "$mnt"
  : >"$control"
  /usr/bin/python3 "$here/fault_camera.py" "$store" "$mnt" "$control" 2>"$log" &
  camera_pid=$!
  local i
  for i in $(seq 1 200); do
    mountpoint -q "$mnt" && return 0
    kill -0 "$camera_pid" 2>/dev/null || break
    sleep 0.05
  done
  wait "$camera_pid"
  local code=$?
  camera_pid=
  [ $code -eq 77 ] && return 77
  cat "$log"
  return 1
}

# Why a mount may have been refused: /dev/fuse is often open to root alone.
refusal_hint() {
  [ "$(id -u)" -eq 0 ] || echo " (it needs root here: the test command runs as $(id -un))"
}

[ -c /dev/fuse ] || { echo "SKIP: no /dev/fuse"; exit 77; }
mountpoint -q "$mnt" && fusermount -uz "$mnt"  # left over by a run that was killed
trap unmount_camera EXIT
trap 'exit 1' INT TERM

cases=$("$here/../harness/wine-run.sh" "$harness" "$program" --gtest_list_tests --gtest_filter='CameraFault.*' |
        tr -d '\r' | sed -n 's/^  \([A-Za-z0-9_]*\).*/CameraFault.\1/p')
[ -n "$cases" ] || { echo "FAIL: no CameraFault cases listed"; exit 1; }

# CAMERA_STORE is the camera's backing folder, reached without the faults.
export CAMERA_ROOT CAMERA_FAULTS CAMERA_STORE
CAMERA_ROOT=$(windows_path "$mnt/camera")
CAMERA_STORE=$(windows_path "$store/camera")
CAMERA_FAULTS=$(windows_path "$control")
status=0
first=1
for case in $cases; do
  mount_camera
  code=$?
  if [ $code -ne 0 ]; then
    [ $code -eq 77 ] && [ $first -eq 1 ] && { echo "SKIP: FUSE refused to mount the camera$(refusal_hint)"; exit 77; }
    echo "FAIL: $case: the camera could not be mounted"
    status=1
    continue
  fi
  first=0
  ln -sfn "$mnt/camera" "$link"
  output=$("$here/../harness/wine-run.sh" "$harness" "$program" --gtest_filter="$case")
  code=$?
  echo "$output"
  if [ $code -ne 0 ] || ! grep -q '\[  PASSED  \] 1 test' <<<"$output"; then
    echo "FAIL: $case"
    cat "$log"
    status=1
  fi
  unmount_camera
done
exit $status
