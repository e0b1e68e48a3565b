# Sourced by the harness scripts: the Wine environment of one build tree.
# HARNESS_DIR must be set to the build tree's wine folder before sourcing; the
# folder above it is the build tree, the only part of the machine the prefix reaches.
export WINEPREFIX="$HARNESS_DIR/prefix"
export WINEDEBUG=-all
# HARNESS_DLL_OVERRIDES adds a test's own, such as setupapi=d to take SetupAPI away.
# Wine's menu builder would write menu entries into the home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${HARNESS_DLL_OVERRIDES:+;$HARNESS_DLL_OVERRIDES}"
# Inside wow64-namespace.sh, Wine 10 of its root runs 32-bit and 64-bit programs
# alike (WoW64); elsewhere the machine's wine64 runs the 64-bit ones.
if [ -n "${NOLVETRA_WINE_ROOT:-}" ]; then
  PATH="$(dirname "$(realpath "${BASH_SOURCE[0]}")")/wow64-bin:$PATH"
  WINE=wine64
  WINE_ROUTE=wow64
else
  WINE=/usr/lib/wine/wine64
  [ -x "$WINE" ] || WINE=wine
  WINE_ROUTE=host
fi
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
