#!/bin/sh
# Builds and runs every test twice: a plain build in build/, then one with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
    --std=c++17 -I src/xmlnode -I src/viewer src tools

cmake -S . -B build -DTOURVIEW_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOURVIEW_SANITIZE=ON -DTOURVIEW_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:exitcode=86"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
(cd build-asan && ctest --output-on-failure -j "$jobs")

# A short bounded run of each fuzz target (clang build in build-fuzz/).
scripts/fuzz.sh 30
