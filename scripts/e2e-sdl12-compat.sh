#!/bin/sh
# Runs the end-to-end tests of build/ once more with the viewer on
# sdl12-compat, the SDL 1.2 of Debian 13 and most newer systems. Where the
# system's SDL 1.2 is sdl12-compat already, the main run was on it and this
# says so. Otherwise Debian's libsdl1.2-compat is unpacked into
# build/sdl12-compat/ (the installed dev package stays as it is) and put first
# with LD_LIBRARY_PATH. Extra arguments go to CTest (e.g. --repeat until-fail:10).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

system=$(scripts/sdl-runtime.sh build/tourview)
case "$system" in
*sdl12-compat*)
    echo "$system: the end-to-end tests above ran on it"
    exit 0
    ;;
esac

dir=build/sdl12-compat
if [ ! -f "$dir/unpacked" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/deb"
    download() {
        (cd "$dir/deb" && apt-get -qq -o APT::Sandbox::User=root download libsdl1.2-compat)
    }
    download 2>/dev/null || { apt-get update -qq && download; }
    dpkg -x "$dir"/deb/libsdl1.2-compat_*.deb "$dir/root"
    dpkg-deb -f "$dir"/deb/libsdl1.2-compat_*.deb Version >"$dir/unpacked"
fi
lib=$(find "$root/$dir/root" -name libSDL-1.2.so.0 | head -n 1)
[ -n "$lib" ] || { echo "e2e-sdl12-compat: no libSDL-1.2.so.0 in $dir" >&2; exit 1; }
LD_LIBRARY_PATH="$(dirname "$lib")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export LD_LIBRARY_PATH

echo "End-to-end tests on libsdl1.2-compat $(cat "$dir/unpacked")"
scripts/sdl-runtime.sh build/tourview
cd build/tests/e2e
ctest --output-on-failure -j "$jobs" --output-log "$root/$dir/ctest.log" "$@"
