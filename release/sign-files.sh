#!/usr/bin/env bash
# Signs every program and library in FOLDER (Authenticode, SHA-256) with the certificate
# and key that NOLVETRA_SIGN_CERT and NOLVETRA_SIGN_KEY name (PEM files), adding an
# RFC 3161 timestamp from NOLVETRA_SIGN_TIMESTAMP_URL when it is given. The signing
# time is SOURCE_DATE_EPOCH, so that two signings of the same files are identical.
# Without certificate and key the files stay as they are.
# Usage: sign-files.sh FOLDER
set -euo pipefail
folder=$1
cert=${NOLVETRA_SIGN_CERT:-}
key=${NOLVETRA_SIGN_KEY:-}
[ -n "$cert$key" ] || exit 0
if [ -z "$cert" ] || [ -z "$key" ]; then
  echo "sign-files: NOLVETRA_SIGN_CERT and NOLVETRA_SIGN_KEY must be given together" >&2
  exit 1
fi
options=(-certs "$cert" -key "$key" -h sha256)
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then options+=(-time "$SOURCE_DATE_EPOCH"); fi
if [ -n "${NOLVETRA_SIGN_TIMESTAMP_URL:-}" ]; then options+=(-ts "$NOLVETRA_SIGN_TIMESTAMP_URL"); fi

find "$folder" -type f \( -name '*.exe' -o -name '*.dll' \) | LC_ALL=C sort | while read -r file; do
  osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null
  chmod --reference="$file" "$file.signed"
  mv "$file.signed" "$file"
done
