# Sourced by the harness's scripts that stop at the first failing command (set -e):
# such a stop names the command, its line and its status on standard error, so that a
# script never ends early without a word. Functions inherit it (set -E).
set -E
trap 'stop_status=$?; echo "$(basename "$0"): stopped at line $LINENO: \"$BASH_COMMAND\" failed with status $stop_status" >&2' ERR
