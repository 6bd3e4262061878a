#!/bin/sh
# make test: the format and lint checks, then a build in build/ with warnings
# as errors and every test of it (unit, end-to-end, browser), the install test,
# and the same build and tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/. Ends with one line that counts
# the tests.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

sources=$(git ls-files '*.cpp' '*.h' '*.c')
[ -n "$sources" ] || { echo "test: git lists no C or C++ sources to check" >&2; exit 1; }
echo "$sources" | xargs clang-format --dry-run --Werror
# Newer cppcheck notes where it limits its branch analysis; a note, not a finding.
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
    --suppress=normalCheckLevelMaxBranches --std=c++17 $(for d in src/*/; do printf -- "-I %s " "${d%/}"; done) src tools

# The browser tests' Node packages, exactly as locked, and the JavaScript's checks.
if [ -f tests/web/package-lock.json ]; then
    npm ci --prefix tests/web --no-audit --no-fund
    npm run --prefix tests/web --silent lint
fi

# run_tests DIR: runs the tests of one build, keeping CTest's log for the count.
run_tests() {
    (cd "$1" && ctest --output-on-failure -j "$jobs" --output-log ctest.log)
}
rm -f build/ctest.log build-asan/ctest.log

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

scripts/count-tests.sh build/ctest.log build-asan/ctest.log
