#!/usr/bin/env bash
# Prepares the Wine prefix and the X display that every test of a build tree shares.
# Usage: wine-setup.sh HARNESS_DIR
# Idempotent: the prefix is created once per build tree, the display and a
# persistent wineserver once per test session (wine-cleanup.sh ends both).
set -euo pipefail
HARNESS_DIR=$(realpath -m "$1")
mkdir -p "$HARNESS_DIR"
here=$(dirname "$(realpath "$0")")
source "$here/stop-reason.sh"
cd "$HARNESS_DIR"  # a folder the prefix's drives reach

start_display() {
  local pidfile="$HARNESS_DIR/xvfb.pid"
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null && [ -f "$HARNESS_DIR/display" ]; then
    return
  fi
  local n
  for n in $(seq 91 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$pidfile"
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "wine-setup: Xvfb :$n did not start" >&2; exit 1; }
  echo ":$n" >"$HARNESS_DIR/display"
}

# A prefix made by an earlier harness may still have a drive leading outside the
# build tree (Wine's own Z: to the root folder): such a prefix is made anew. So is
# one made by the other Wine (the machine's, or the WoW64 root's).
prefix_is_current() {
  [ "$(cat "$WINEPREFIX/.harness-ready" 2>/dev/null)" = "$WINE_ROUTE" ] && [ -z "$(links_outside_tree)" ]
}

# Wine 10's user32 needs zlib1.dll, which Debian ships apart from Wine as a Windows
# DLL of each architecture; the prefix's system folders get them before Wine's
# first start, which already loads user32 in both.
install_zlib() {
  [ "$WINE_ROUTE" = wow64 ] || return 0
  mkdir -p "$WINEPREFIX/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows/syswow64"
  cp "$NOLVETRA_WINE_ROOT/usr/x86_64-w64-mingw32/lib/zlib1.dll" "$WINEPREFIX/drive_c/windows/system32/"
  cp "$NOLVETRA_WINE_ROOT/usr/i686-w64-mingw32/lib/zlib1.dll" "$WINEPREFIX/drive_c/windows/syswow64/"
}

# Wine's own Z: leads to the root folder; the prefix gets the drives wine-env.sh names.
link_drives() {
  mkdir -p "$LAST_DRIVE_FOLDER"
  ln -sfn "$BUILD_TREE" "$WINEPREFIX/dosdevices/${TREE_DRIVE,,}:"
  ln -sfn "$LAST_DRIVE_FOLDER" "$WINEPREFIX/dosdevices/${LAST_DRIVE,,}:"
  # G: is the test camera; tests clear it before use.
  ln -sfn "$HARNESS_DIR/drive-g" "$WINEPREFIX/dosdevices/g:"
}

create_prefix() {
  prefix_is_current && return
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  install_zlib
  "$WINE" wineboot --init >/dev/null 2>&1
  wineserver -w
  # Drives are linked while no wineserver runs, so every later process sees them.
  link_drives
  # A virtual desktop gives screenshots window frames and captions.
  "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
  # Programs listed here see the 95/98/ME family (GetVersion with bit 31 set).
  local exe
  for exe in $(cat "$here/win98-programs.txt"); do
    "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d win98 /f >/dev/null
  done
  wineserver -w
  unlink_drive_c
  # Wine's start-up may have mapped a device of the machine as a drive of its own.
  local outside
  outside=$(links_outside_tree)
  [ -z "$outside" ] || { echo "wine-setup: links lead outside the build tree: $outside" >&2; exit 1; }
  echo "$WINE_ROUTE" >"$WINEPREFIX/.harness-ready"
}

# What an earlier run left where no run may write is reported, never relied on; the
# last drive is emptied. Then what lies outside the build tree now is noted.
clear_leftovers() {
  local leftover
  while IFS= read -r leftover; do
    echo "wine-setup: left by an earlier run: $leftover" >&2
  done < <(edge_leftovers)
  clear_edge
  record_edge
}

# g: stays linked to drive-g; drive-g is itself a link, to the camera folder,
# which a test may lead elsewhere (to a small file system, say) and back.
link_camera() {
  mkdir -p "$HARNESS_DIR/camera"
  [ -L "$HARNESS_DIR/drive-g" ] || rm -rf "$HARNESS_DIR/drive-g"
  ln -sfn camera "$HARNESS_DIR/drive-g"
}

start_display
source "$here/wine-env.sh"
source "$here/wine-edge.sh"
clear_leftovers
link_camera
create_prefix
# A persistent server keeps each test's Wine start short and the shutdown in our hands
# (it refuses to start a second time when the harness is set up twice in a session).
wineserver -p </dev/null >/dev/null 2>&1 || true
# Start Wine's own background processes now, detached from any test's output.
"$WINE" wineboot </dev/null >/dev/null 2>&1
# An update of the prefix by Wine would link the home folders again.
unlink_drive_c
echo "wine-setup: prefix $WINEPREFIX, display $DISPLAY"
