# Sourced by wine-setup.sh and wine-cleanup.sh after wine-env.sh: the edge of a build
# tree's prefix. A run must leave nothing outside the build tree, and nothing on the
# last drive either: that drive's DCIM folder is the program's default target, which
# no test may reach, since what one run leaves there would decide what the next
# run's Compare or update finds. What it watches outside the build tree it never
# creates, changes or removes: it only reports.

# The path inside the build tree or not.
inside_tree() {
  case "$1" in
    "$BUILD_TREE" | "$BUILD_TREE"/*) return 0 ;;
    *) return 1 ;;
  esac
}

# What lies at the watched place outside the build tree, one line per entry (type,
# mode, size, modification and change times, path); nothing when it does not exist.
outside_state() {
  [ -e "$OUTSIDE_DEFAULT_TARGET" ] || [ -L "$OUTSIDE_DEFAULT_TARGET" ] || return 0
  find "$OUTSIDE_DEFAULT_TARGET" -printf '%y %m %s %T@ %C@ %p\n' | sort
}

# The entries of the home folder, a few levels deep, one path a line: Wine's menu
# builder, or any other part of Wine, would add entries there. A clone in the home
# folder is the project's own, and so is a build tree there: what the tests make in
# them is no leftover. find fails when an entry goes while it walks (another
# program's temporary file) or cannot be read; neither is a leftover either, and
# under set -e its status would end the set-up silently.
readonly HOME_DEPTH=4
PROJECT_TOP=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../..")
home_entries() {
  [ -d "${HOME:-}" ] || return 0
  { find "$(realpath "$HOME")" -mindepth 1 -maxdepth "$HOME_DEPTH" \( -path "$PROJECT_TOP" -o -path "$BUILD_TREE" \) \
      -prune -o -printf '%p\n' 2>/dev/null || true; } | sort
}

# Notes what lies outside before a session's runs; edge_leftovers compares with it.
record_edge() {
  outside_state >"$HARNESS_DIR/outside-before"
  home_entries >"$HARNESS_DIR/home-before"
}

# The places a run may have written that it must not, one line each, naming them:
# entries outside the build tree that appeared, changed or went since record_edge,
# entries that appeared in the home folder, the last drive's contents, and links of
# the prefix that lead outside the build tree.
edge_leftovers() {
  local before="$HARNESS_DIR/outside-before" changed
  if [ -f "$before" ]; then
    changed=$(diff "$before" <(outside_state) | sed -n 's/^[<>] \([^ ]* \)\{5\}//p' | sort -u | tr '\n' ' ')
    [ -z "$changed" ] || echo "${changed% }, outside the build tree (appeared, changed or removed during the run)"
  fi
  if [ -f "$HARNESS_DIR/home-before" ]; then
    local added
    added=$(comm -13 "$HARNESS_DIR/home-before" <(home_entries) | tr '\n' ' ')
    [ -z "$added" ] || echo "${added% }, in the home folder (appeared during the run)"
  fi
  local entry
  for entry in "$LAST_DRIVE_FOLDER"/* "$LAST_DRIVE_FOLDER"/.[!.]*; do
    [ -e "$entry" ] || continue
    echo "$LAST_DRIVE:\\$(basename "$entry"), the default target's drive ($entry, holding: $(ls -A "$entry" 2>/dev/null | tr '\n' ' '))"
  done
  local link
  while IFS= read -r link; do
    echo "a link that leads outside the build tree: $link"
  done < <(links_outside_tree)
}

# Empties the last drive, the harness's own folder inside the build tree.
clear_edge() {
  find "$LAST_DRIVE_FOLDER" -mindepth 1 -delete 2>/dev/null || true
}

# The prefix's drive letters whose folders lie outside the build tree, one
# "letter: -> folder" line each.
drives_outside_tree() {
  local link target
  for link in "$WINEPREFIX"/dosdevices/?:; do
    [ -L "$link" ] || continue
    target=$(cd "$WINEPREFIX/dosdevices" && realpath -m "$(readlink "$link")")
    inside_tree "$target" || echo "$(basename "$link") -> $target"
  done
}

# Links under the prefix's drive_c that lead outside the build tree (Wine links the
# user's Desktop, Documents, ... to the home folder), one "link -> folder" line each.
drive_c_links_outside_tree() {
  [ -d "$WINEPREFIX/drive_c" ] || return 0
  local link target
  while IFS= read -r -d '' link; do
    target=$(realpath -m "$link")
    inside_tree "$target" || echo "$link -> $target"
  done < <(find "$WINEPREFIX/drive_c" -type l -print0)
}

links_outside_tree() {
  drives_outside_tree
  drive_c_links_outside_tree
}

# Wine links the user's Desktop, Documents, Downloads, Music, Pictures, Videos and
# Templates under drive_c to the home folder: each link out of the build tree becomes
# an empty folder of the prefix's own. The folders it led to are not touched.
unlink_drive_c() {
  local line link
  while IFS= read -r line; do
    link=${line%% -> *}
    rm "$link" && mkdir "$link"
  done < <(drive_c_links_outside_tree)
}
