#!/bin/sh
# Says which SDL 1.2 library PROGRAM runs on with the current environment
# (LD_LIBRARY_PATH included): the classic library or sdl12-compat, which
# implements SDL 1.2 over SDL2.
# Usage: scripts/sdl-runtime.sh PROGRAM
set -eu
lib=$(ldd "$1" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
if [ -z "$lib" ] || [ ! -e "$lib" ]; then
    echo "sdl-runtime: $1 finds no libSDL-1.2.so.0" >&2
    exit 1
fi
real=$(readlink -f "$lib")
# sdl12-compat reads settings from SDL12COMPAT_* variables; the classic has none.
if grep -q SDL12COMPAT "$real"; then
    kind=sdl12-compat
else
    kind="classic SDL 1.2"
fi
echo "SDL 1.2 runtime of $(basename "$1"): $kind ($real)"
