#!/usr/bin/env bash
# The release archive of the build tree packed signed, with a throwaway self-signed
# code-signing certificate made here in a temporary folder and removed again: every
# program and library in it must verify against that certificate and, with its
# signature removed, be the file of the unsigned archive byte for byte.
# Usage: signed_release_test.sh BUILD_DIR UNSIGNED_ARCHIVE SIGNED_ARCHIVE
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$1
unsigned=$(realpath "$2")
signed=$(realpath -m "$3")
readonly SHIPPED_MODULES="detector.dll nolvetra-pack.exe nolvetra.exe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Nolvetra test signing" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
NOLVETRA_SIGN_CERT=$work/cert.pem NOLVETRA_SIGN_KEY=$work/key.pem \
  "$here/../../release/pack-archive.sh" "$build" "$signed"

mkdir "$work/signed" "$work/unsigned" "$work/stripped"
(cd "$work/signed" && cmake -E tar xf "$signed")
(cd "$work/unsigned" && cmake -E tar xf "$unsigned")
for name in $SHIPPED_MODULES; do
  if ! osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$name" >"$work/verify.log" 2>&1; then
    echo "FAIL: the signature of $name does not verify:"
    cat "$work/verify.log"
    status=1
  fi
  osslsigncode remove-signature -in "$work/signed/$name" -out "$work/stripped/$name" >/dev/null || true
  cmp -s "$work/stripped/$name" "$work/unsigned/$name" ||
    { echo "FAIL: $name without its signature differs from the unsigned file"; status=1; }
done
[ $status -eq 0 ] && echo "signed release: $SHIPPED_MODULES verified and otherwise unchanged"
exit $status
