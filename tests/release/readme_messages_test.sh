#!/usr/bin/env bash
# README.txt, all that the person updating the camera reads, has an entry for every
# message box text of the programs: each text the update run, the configuration
# loader, the dialog framework and the detector show, as the code spells it, up to
# its first line break. A message added to the code without its entry fails here.
# Usage: readme_messages_test.sh SOURCE_DIR
set -uo pipefail
top=$1
readme="$top/release/README.txt.in"
# The texts the code had when this test was written: fewer means the pattern misses some.
readonly FEWEST_TEXTS=9

# The texts: string literals handed to the run's message functions, and the named
# message texts of the framework and the detector.
mapfile -t texts < <(grep -rhoE '(ShowMessage|ShowOutcome|WithErrorCode)\("[^"]+"|k[A-Za-z]*(Error|Text)\[\] = "[^"]+"' \
                       "$top"/{app,update,package,framework,detector} --include='*.cpp' |
                     sed -E 's/^[^"]*"//; s/"$//; s/\\n.*//' | sort -u)
[ ${#texts[@]} -ge $FEWEST_TEXTS ] || { echo "FAIL: only ${#texts[@]} message texts found in the code; the pattern no longer finds them"; exit 1; }
status=0
for text in "${texts[@]}"; do
  if grep -qF -- "$text" "$readme"; then
    echo "ok: $text"
  else
    echo "FAIL: README.txt has no entry for the message \"$text\""
    status=1
  fi
done
exit $status
