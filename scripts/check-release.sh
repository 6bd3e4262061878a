#!/bin/sh
# make check-release: make test, then the release gate: the end-to-end tests
# on sdl12-compat, a short run of each fuzz target, the Debian package built,
# installed, run and removed, and the README's commands on a fresh Debian 13.
# Ends with one line that counts every CTest test it ran, and says how long
# each part took.
set -eu
cd "$(dirname "$0")/.."

times=""
# part NAME COMMAND...: runs one part, noting its time.
part() {
    name=$1
    shift
    echo "check-release: $name"
    started=$(date +%s)
    "$@"
    times="$times
  $name: $(($(date +%s) - started)) s"
}

rm -rf build/sdl12-compat/ctest.log build/debian13
# The minimal Debian 13 is made (mostly downloads) while the tests run; the
# Debian 13 part waits for it and makes it itself if that failed.
base_log=$(mktemp)
scripts/check-debian13.sh --base >"$base_log" 2>&1 &
base_pid=$!
part "make test" scripts/test.sh
part "sdl12-compat" scripts/e2e-sdl12-compat.sh
part "fuzz" scripts/fuzz.sh 20
part "package" make --no-print-directory package
if [ "$(id -u)" -eq 0 ]; then
    part "package install" scripts/package-check.sh --install
else
    echo "check-release: package install SKIPPED: apt-get install needs root" >&2
    part "package contents" scripts/package-check.sh
fi
wait "$base_pid" || {
    echo "check-release: making the minimal Debian 13 beside the tests failed; trying again:" >&2
    tail -n 5 "$base_log" >&2
}
rm -f "$base_log"
part "Debian 13" scripts/check-debian13.sh

echo "check-release: times:$times"
scripts/count-tests.sh build/ctest.log build-asan/ctest.log build/sdl12-compat/ctest.log \
    build/debian13/*.log
