# Sourced by the harness scripts: the Wine environment of one build tree.
# HARNESS_DIR must be set to the build tree's wine folder before sourcing.
export WINEPREFIX="$HARNESS_DIR/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# wine64 directly: the generic 'wine' launcher complains about the missing
# 32-bit half on every start, and 32-bit programs cannot run here anyway.
if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=wine; fi
export WINE
if [ -z "${DISPLAY:-}" ] && [ -f "$HARNESS_DIR/display" ]; then
  DISPLAY=$(cat "$HARNESS_DIR/display")
  export DISPLAY
fi
