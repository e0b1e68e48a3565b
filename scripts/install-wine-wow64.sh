#!/usr/bin/env bash
# Installs the Wine that runs the 32-bit build's tests: Wine 10 from Debian 13, whose
# WoW64 mode runs 32-bit Windows programs in 64-bit Linux processes. Debian 12's own
# 32-bit Wine needs a kernel that runs 32-bit Linux programs, which this project's
# machines may lack. Its packages are fetched with a private apt configuration, so
# the machine's own package set stays as it is, and unpacked into a root folder of
# their own under the cache folder (NOLVETRA_CACHE, /var/cache/nolvetra by default);
# tests/harness/wow64-namespace.sh runs it there. Does nothing when it is there.
# Where it cannot be had (no root, a registry that does not answer), it says why in one
# line, keeps that reason for the test command's report and exits 1.
# Usage: install-wine-wow64.sh          installs (as root); says one line
#        install-wine-wow64.sh --root   prints the root folder
#        install-wine-wow64.sh --why    prints why it is not installed, if it is not
set -uo pipefail

cache=${NOLVETRA_CACHE:-/var/cache/nolvetra}/wine-wow64
root=$cache/root
readonly SUITE="http://deb.debian.org/debian trixie main"
# Wine's 64-bit half with its WoW64 DLLs, the X libraries its display driver loads,
# and a shell for the scripts Wine starts.
readonly PACKAGES=(wine64 libwine libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1
                   libxcomposite1 libxfixes3 libxxf86vm1 bash)
readonly UPDATE_TRIES=3
# The Wine folder whose i386-windows/ WoW64 takes the 32-bit DLLs from.
readonly WINE_LIB=usr/lib/x86_64-linux-gnu/wine

# unavailable REASON: says and keeps why the WoW64 Wine cannot be had, and ends.
unavailable() {
  mkdir -p "$cache" 2>/dev/null && echo "$1" >"$cache/unavailable"
  echo "install-deps: optional: the WoW64 Wine for the 32-bit tests could not be installed: $1"
  exit 1
}

case "${1:-}" in
  --root) echo "$root"; exit 0 ;;
  --why)
    [ -f "$cache/installed" ] && exit 0
    cat "$cache/unavailable" 2>/dev/null || echo "it is not installed (scripts/install-deps.sh, as root, installs it)"
    exit 0 ;;
esac
[ -f "$cache/installed" ] && exit 0
[ "$(id -u)" -eq 0 ] || unavailable "installing it needs root"

apt_dir=$cache/apt
mkdir -p "$apt_dir"/{lists/partial,archives/partial,cache}
echo "deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $SUITE" >"$apt_dir/sources.list"
: >"$apt_dir/status"  # nothing installed: the whole dependency closure is fetched
private_apt() {
  "$@" -o Dir::Etc::sourcelist="$apt_dir/sources.list" -o Dir::Etc::sourceparts=- \
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::State::status="$apt_dir/status" \
    -o Dir::Cache="$apt_dir/cache" -o Dir::Cache::archives="$apt_dir/archives" \
    -o APT::Architecture=amd64 -o APT::Architectures::=amd64 -o APT::Architectures::=i386 \
    -o APT::Install-Recommends=false -o Debug::NoLocking=1
}

# An index that fails to arrive is tried again; what the others hold may still do.
try=1
until private_apt apt-get update -qq >/dev/null 2>&1; do
  [ $try -ge $UPDATE_TRIES ] && break
  sleep $((5 * try))
  try=$((try + 1))
done
error=$(mktemp)
trap 'rm -f "$error"' EXIT
private_apt apt-get install -y -qq --download-only "${PACKAGES[@]}" >/dev/null 2>"$error" ||
  unavailable "Debian 13's Wine packages could not be fetched ($(grep -m1 '^E: ' "$error" | sed 's/^E: //'))"
# The 32-bit Windows DLLs are Wine's i386 build of the same version; only its
# Windows files are used, so none of its Linux dependencies are fetched.
version=$(private_apt apt-cache policy libwine | sed -n 's/^ *Candidate: //p')
(cd "$apt_dir/archives" && private_apt apt-get download -qq "libwine:i386=$version" >/dev/null 2>"$error") ||
  unavailable "Wine's 32-bit DLLs (libwine:i386 $version) could not be fetched ($(grep -m1 '^E: ' "$error" | sed 's/^E: //'))"

rm -rf "$root.new"
mkdir -p "$root.new"
for deb in "$apt_dir"/archives/*.deb; do
  dpkg-deb -x "$deb" "$root.new" || unavailable "$(basename "$deb") could not be unpacked"
done
cp -a "$root.new/usr/lib/i386-linux-gnu/wine/i386-windows/." "$root.new/$WINE_LIB/i386-windows/" ||
  unavailable "Wine's 32-bit DLLs are not where WoW64 looks for them"
ln -sfn bash "$root.new/usr/bin/sh"
rm -rf "$root" "$apt_dir/archives" "$cache/unavailable"
mv "$root.new" "$root"
echo "$version" >"$cache/installed"
echo "install-deps: optional: Wine $version (WoW64) for the 32-bit tests installed in $root"
