#!/bin/sh
# Builds and runs every test twice: a plain build in build/, then one with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/; then the
# end-to-end tests once more on sdl12-compat, a short run of each fuzz target,
# and the same two README commands on a fresh Debian 13. Ends with one line
# that counts the tests.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null | xargs -r clang-format --dry-run --Werror
# Newer cppcheck notes where it limits its branch analysis; a note, not a finding.
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
    --suppress=normalCheckLevelMaxBranches --std=c++17 -I src/xmlnode -I src/tour -I src/viewer src tools

# run_tests DIR: runs the tests of one build, keeping CTest's log for the count.
run_tests() {
    (cd "$1" && ctest --output-on-failure -j "$jobs" --output-log ctest.log)
}

# The page's browser tests drive Debian's Chromium through playwright-core.
if command -v npm >/dev/null 2>&1 && { [ ! -f tests/web/node_modules/.package-lock.json ] ||
    [ tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]; }; then
    npm ci --prefix tests/web --no-audit --no-fund >/dev/null
fi

cmake -S . -B build -DTOURVIEW_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
scripts/sdl-runtime.sh build/tourview
run_tests build
scripts/install-test.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOURVIEW_SANITIZE=ON -DTOURVIEW_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:exitcode=86"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
scripts/sdl-runtime.sh build-asan/tourview
run_tests build-asan

rm -f build/sdl12-compat/ctest.log
scripts/e2e-sdl12-compat.sh

# A short bounded run of each fuzz target (clang build in build-fuzz/).
scripts/fuzz.sh 30

rm -rf build/debian13
scripts/check-debian13.sh

# Every test above passed, or the script would have stopped at it.
total=0
for log in build/ctest.log build-asan/ctest.log build/sdl12-compat/ctest.log build/debian13/*.log; do
    [ -f "$log" ] || continue
    count=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    total=$((total + ${count:-0}))
done
echo "tests: $total passed, 0 failed"
