# Sourced by the harness scripts: the Wine environment of one build tree.
# HARNESS_DIR must be set to the build tree's wine folder before sourcing; the
# folder above it is the build tree, the only part of the machine the prefix reaches.
export WINEPREFIX="$HARNESS_DIR/prefix"
export WINEDEBUG=-all
# HARNESS_DLL_OVERRIDES adds a test's own, such as setupapi=d to take SetupAPI away.
export WINEDLLOVERRIDES="mscoree,mshtml=${HARNESS_DLL_OVERRIDES:+;$HARNESS_DLL_OVERRIDES}"
# Wine's 32-bit loader runs 32-bit programs and hands 64-bit ones to wine64; without
# the 32-bit half, or on a kernel that runs no 32-bit programs (its IA-32 emulation
# off), wine64 directly (the generic 'wine' launcher would complain about the
# missing half on every start).
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then WINE=/usr/lib/wine/wine
elif [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64
else WINE=wine; fi
export WINE
if [ -z "${DISPLAY:-}" ] && [ -f "$HARNESS_DIR/display" ]; then
  DISPLAY=$(cat "$HARNESS_DIR/display")
  export DISPLAY
fi

# The prefix's drives, made by wine-setup.sh. Wine's own Z: leads to the machine's
# root folder, and the program's default target is the last drive's DCIM folder: a
# test reaching it would write /DCIM on the machine. So Z: is an empty scratch folder
# of the harness, and the build tree, where the programs, their working folders and
# the harness live, is Y:. No drive leads outside the build tree.
BUILD_TREE=$(dirname "$HARNESS_DIR")
readonly TREE_DRIVE=Y
readonly LAST_DRIVE=Z
LAST_DRIVE_FOLDER="$HARNESS_DIR/drive-z"
# Where the default target landed through Wine's own Z: before it was replaced; the
# edge check watches it (the harness's own test names a stand-in inside the tree).
OUTSIDE_DEFAULT_TARGET=${HARNESS_OUTSIDE_DEFAULT_TARGET:-/DCIM}

# windows_path PATH: the Windows name of a path inside the build tree (Y:\...).
windows_path() {
  local path
  path=$(realpath -m "$1")
  case "$path" in
    "$BUILD_TREE") echo "$TREE_DRIVE:\\" ;;
    "$BUILD_TREE"/*) path=${path#"$BUILD_TREE"}; echo "$TREE_DRIVE:${path//\//\\}" ;;
    *) echo "wine-env: $path lies outside the build tree $BUILD_TREE, which the prefix cannot reach" >&2; return 1 ;;
  esac
}
