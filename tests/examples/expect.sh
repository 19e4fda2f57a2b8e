#!/usr/bin/env bash
# Runs an example and compares what it prints with what it is expected to print.
#   expect.sh EXPECTED_FILE COMMAND [ARG ...]
set -euo pipefail
expected=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$@" >"$out" || { echo "FAIL: $* exited with $?" >&2; cat "$out"; exit 1; }
diff -u "$expected" "$out" || { echo "FAIL: $* printed otherwise than $expected" >&2; exit 1; }
echo "PASS"
