#!/usr/bin/env bash
# The harness's edge check on a prefix made up for it, and on the tree's real one.
# A stand-in for the machine's /DCIM (HARNESS_OUTSIDE_DEFAULT_TARGET, outside the
# made-up prefix's tree but inside this build tree) is planted before a session: a
# session that leaves it alone passes and leaves it byte for byte as it was; one
# that writes into it fails, naming the file. A link under drive_c that leads out
# of the tree becomes an empty folder of the prefix's own. So does one that adds an
# entry to the home folder, but not one of a build tree there. The real prefix
# (HARNESS_DIR) has no link leading out of its build tree.
# Usage: edge_check_test.sh WORK_DIR HARNESS_DIR
set -uo pipefail
work=$(realpath -m "$1")
real_harness=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
status=0
fail() { echo "FAIL: $*"; status=1; }

rm -rf "$work"
tree="$work/tree"
outside="$work/outside"
export HARNESS_OUTSIDE_DEFAULT_TARGET="$outside/DCIM"
HARNESS_DIR="$tree/wine"
mkdir -p "$HARNESS_DIR/prefix/dosdevices" "$HARNESS_DIR/prefix/drive_c/users/root" "$HARNESS_DIR/drive-z" \
         "$outside/DCIM/100CAMERA" "$outside/home/Desktop"
ln -s ../drive_c "$HARNESS_DIR/prefix/dosdevices/c:"
ln -s "$HARNESS_DIR/drive-z" "$HARNESS_DIR/prefix/dosdevices/z:"
ln -s "$outside/home/Desktop" "$HARNESS_DIR/prefix/drive_c/users/root/Desktop"
printf 'photo\001\377' >"$outside/DCIM/100CAMERA/IMG_0001.JPG"
echo "owner's notes" >"$outside/DCIM/notes.txt"
chmod 600 "$outside/DCIM/notes.txt"
cp -a "$outside/DCIM" "$work/planted"

source "$here/wine-env.sh"
source "$here/wine-edge.sh"

[ -n "$(drive_c_links_outside_tree)" ] || fail "the Desktop link out of the tree was not seen"
unlink_drive_c
desktop="$HARNESS_DIR/prefix/drive_c/users/root/Desktop"
[ -d "$desktop" ] && [ ! -L "$desktop" ] && [ -z "$(ls -A "$desktop")" ] || fail "Desktop is no empty folder of the prefix"
[ -z "$(links_outside_tree)" ] || fail "links still lead outside: $(links_outside_tree)"
[ -d "$outside/home/Desktop" ] || fail "the folder the link led to was removed"

# A session that leaves the outside alone.
record_edge
output=$("$here/wine-cleanup.sh" "$HARNESS_DIR" 2>&1) || fail "a clean session failed: $output"
diff -r "$work/planted" "$outside/DCIM" >/dev/null || fail "the planted DCIM changed"
[ "$(stat -c %a "$outside/DCIM/notes.txt")" = 600 ] || fail "the planted file's mode changed"

# A session that writes outside fails and names what it wrote; the harness leaves it there.
record_edge
echo "firmware" >"$outside/DCIM/VX5207.BIN"
output=$("$here/wine-cleanup.sh" "$HARNESS_DIR" 2>&1) && fail "a write outside passed"
grep -qF "$outside/DCIM/VX5207.BIN" <<<"$output" || fail "the write outside was not named: $output"
[ -f "$outside/DCIM/VX5207.BIN" ] || fail "the harness removed a file outside its tree"
echo "$output"

# A session that adds to the home folder, as Wine's menu builder would, fails naming it.
rm "$outside/DCIM/VX5207.BIN"
export HOME="$outside/home"
record_edge
mkdir -p "$HOME/.local/share/applications"
output=$("$here/wine-cleanup.sh" "$HARNESS_DIR" 2>&1) && fail "an entry added to the home folder passed"
grep -qF "$HOME/.local/share/applications" <<<"$output" || fail "the home folder's new entry was not named: $output"

# A build tree in the home folder is the project's: what a session makes there passes.
export HOME="$work"
record_edge
mkdir -p "$tree/wine-camera/screenshots"
output=$("$here/wine-cleanup.sh" "$HARNESS_DIR" 2>&1) || fail "an entry of a build tree in the home folder failed: $output"

# The tree's own prefix: no link under drive_c or dosdevices leads outside its tree.
WINEPREFIX="$real_harness/prefix"
BUILD_TREE=$(dirname "$real_harness")
[ -d "$WINEPREFIX/drive_c/users" ] || fail "no prefix at $WINEPREFIX"
leading_out=$(links_outside_tree)
[ -z "$leading_out" ] || fail "links of $WINEPREFIX lead outside the build tree: $leading_out"

rm -rf "$work"
[ $status -eq 0 ] && echo "edge check: PASS"
exit $status
