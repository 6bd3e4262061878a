#!/bin/sh
# Runs the end-to-end tests of build/ once more with the viewer on
# sdl12-compat, the SDL 1.2 of Debian 13 and most newer systems. Where the
# system's SDL 1.2 is sdl12-compat already, the main run was on it and this
# says so. Otherwise Debian's libsdl1.2-compat is unpacked into
# build/sdl12-compat/ (the installed dev package stays as it is) and put first
# with LD_LIBRARY_PATH. Extra arguments go to CTest (e.g. --repeat until-fail:10).
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"

if on_sdl12_compat build/tourview; then
    echo "$(scripts/sdl-runtime.sh build/tourview): the end-to-end tests above ran on it"
    exit 0
fi

sdl12_compat
library_first "$sdl12_compat_lib"
echo "End-to-end tests on libsdl1.2-compat $sdl12_compat_version"
scripts/sdl-runtime.sh build/tourview
run_tests build/tests/e2e "$root/build/sdl12-compat/ctest.log" "$@"
