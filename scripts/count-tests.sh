#!/bin/sh
# Prints the closing line of a test run, `tests: N passed, 0 failed`, where N
# adds up the tests of the CTest logs named that exist. Called only once every
# run has passed: a failed one stops its script before this.
# Usage: scripts/count-tests.sh CTEST_LOG...
set -eu
total=0
for log in "$@"; do
    [ -f "$log" ] || continue
    count=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    total=$((total + ${count:-0}))
done
echo "tests: $total passed, 0 failed"
