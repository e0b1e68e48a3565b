#!/usr/bin/env bash
# Runs a command where the 32-bit Windows programs of the build run: Wine 10's WoW64
# mode, which runs 32-bit Windows code in 64-bit Linux processes, so it needs no 32-bit
# Linux program and no kernel support for one. Wine 10 comes from Debian 13 and lives in
# a root folder of its own (scripts/install-wine-wow64.sh), whose programs run by
# chroot. The command runs in a private mount namespace: inside it the Wine root sees
# /dev, /sys, /proc, /tmp (the X display's socket, the wineserver's) and the project's
# tree at their usual places, and a file system that a test mounts under the tree later
# (the FUSE test camera) is seen there too. Nothing of this reaches the machine's own
# mounts; it all goes when the last process of the namespace ends.
# Usage: wow64-namespace.sh COMMAND [ARGS...]
# Exports NOLVETRA_WINE_ROOT to the command, which the harness's wine-env.sh takes.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
top=$(realpath "$here/../..")
root=$("$top/scripts/install-wine-wow64.sh" --root)
[ -x "$root/usr/lib/wine/wine64" ] || {
  echo "wow64-namespace: no Wine root at $root; run scripts/install-deps.sh as root" >&2
  exit 1
}
[ -n "${NOLVETRA_WINE_ROOT:-}" ] && exec "$@"  # already inside
[ "$(id -u)" -eq 0 ] || {
  echo "wow64-namespace: needs root, for the mount namespace and chroot; run as $(id -un)" >&2
  exit 1
}

# bind_into_root FOLDER: FOLDER at the same place inside the root, sharing the mounts
# made under it later.
bind_into_root() {
  local folder=$1
  mkdir -p "$root$folder"
  mountpoint -q "$folder" || mount --bind "$folder" "$folder"
  mount --make-rshared "$folder"
  mount --rbind "$folder" "$root$folder"
}

inside() {
  set -e
  local d
  for d in /dev /sys; do mkdir -p "$root$d"; mount --rbind "$d" "$root$d"; done
  mkdir -p "$root/proc"
  mount -t proc proc "$root/proc"
  bind_into_root /tmp
  bind_into_root "$top"
  # The root has no locales of its own, and Wine names Linux files in the locale's
  # encoding: the machine's locales (C.UTF-8 for the tests of non-ASCII names) serve.
  mkdir -p "$root/usr/lib/locale"
  mount --rbind /usr/lib/locale "$root/usr/lib/locale"
  export NOLVETRA_WINE_ROOT=$root
  exec "$@"
}

export -f inside bind_into_root
exec unshare --mount --propagation private env root="$root" top="$top" bash -c 'inside "$@"' wow64-namespace "$@"
