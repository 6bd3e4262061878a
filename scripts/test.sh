#!/bin/sh
# make test: the format and lint checks, then a build in build/ with warnings
# as errors and every test of it (unit, end-to-end, browser), the install test,
# and the same build and tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/. Ends with one line that counts
# the tests.
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"

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

rm -f build/ctest.log build-asan/ctest.log

cmake -S . -B build -DTOURVIEW_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
scripts/sdl-runtime.sh build/tourview
run_tests build ctest.log
scripts/install-test.sh

sanitized_build
sanitizer_env
scripts/sdl-runtime.sh build-asan/tourview
run_tests build-asan ctest.log

scripts/count-tests.sh build/ctest.log build-asan/ctest.log
