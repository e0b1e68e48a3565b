# Sourced by wine-setup.sh and wine-cleanup.sh after wine-env.sh: the edge of a build
# tree's prefix. A run must leave nothing outside the build tree, and nothing on the
# last drive either: that drive's DCIM folder is the program's default target, which
# no test may reach, since what one run leaves there would decide what the next
# run's Compare or update finds.

# The places a run may have written that it must not, one line each, naming what
# they hold: the machine's /DCIM, and the last drive's contents.
edge_leftovers() {
  if [ -e "$OUTSIDE_DEFAULT_TARGET" ]; then
    echo "$OUTSIDE_DEFAULT_TARGET, outside the build tree (holding: $(ls -A "$OUTSIDE_DEFAULT_TARGET" | tr '\n' ' '))"
  fi
  local entry
  for entry in "$LAST_DRIVE_FOLDER"/* "$LAST_DRIVE_FOLDER"/.[!.]*; do
    [ -e "$entry" ] || continue
    echo "$LAST_DRIVE:\\$(basename "$entry"), the default target's drive ($entry, holding: $(ls -A "$entry" 2>/dev/null | tr '\n' ' '))"
  done
}

clear_edge() {
  rm -rf "$OUTSIDE_DEFAULT_TARGET"
  find "$LAST_DRIVE_FOLDER" -mindepth 1 -delete 2>/dev/null || true
}

# The prefix's drive letters whose folders lie outside the build tree, one
# "letter: -> folder" line each.
drives_outside_tree() {
  local link target
  for link in "$WINEPREFIX"/dosdevices/?:; do
    [ -L "$link" ] || continue
    target=$(cd "$WINEPREFIX/dosdevices" && realpath -m "$(readlink "$link")")
    case "$target" in
      "$BUILD_TREE" | "$BUILD_TREE"/*) ;;
      *) echo "$(basename "$link") -> $target" ;;
    esac
  done
}
