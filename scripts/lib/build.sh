# shellcheck shell=sh disable=SC2034,SC2120
# (SC2034, SC2120: what it sets and takes is for the scripts that source it.)
# Sourced first by every script that builds or runs the programs, before any
# cd: `. "$(dirname "$0")/lib/build.sh"`. Sets root, the source tree, and
# jobs, how many compile jobs to run, and gives what those scripts share.
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
# The programs that make install and the package install.
programs="tourview tourcheck tourmake tourweb"

# demo_tour [TARGET...]: builds make-demo-tour, tourmake and the TARGETs in
# build/, and makes the demo tour with its page into build/demo unless it is
# there: make-demo-tour renders the photographs and writes the plan, tourmake
# makes the tour from them, whole or not at all.
demo_tour() (
    cd "$root" || exit
    cmake -S . -B build >/dev/null
    cmake --build build -j "$jobs" --target make-demo-tour tourmake "$@"
    [ ! -f build/demo/index.html ] || exit 0
    rm -rf build/demo-source
    build/make-demo-tour build/demo-source
    build/tourmake --force --web build/demo-source/plan.txt build/demo
    rm -rf build/demo-source
)

# on_sdl12_compat PROGRAM: whether PROGRAM runs on sdl12-compat with the
# current environment (scripts/sdl-runtime.sh says which library it finds).
on_sdl12_compat() {
    "$root/scripts/sdl-runtime.sh" "$1" | grep -q sdl12-compat
}

# sdl12_compat: unpacks Debian's libsdl1.2-compat, the SDL 1.2 interface over
# SDL2, into build/sdl12-compat/ once (the installed SDL 1.2 stays as it is),
# and sets sdl12_compat_lib to the directory of its libSDL-1.2.so.0, to be put
# first with LD_LIBRARY_PATH, and sdl12_compat_version to its version.
sdl12_compat() {
    compat_dir=$root/build/sdl12-compat
    if [ ! -f "$compat_dir/unpacked" ]; then
        rm -rf "$compat_dir"
        mkdir -p "$compat_dir/deb"
        sdl12_compat_download 2>/dev/null || { apt-get update -qq && sdl12_compat_download; }
        dpkg -x "$compat_dir"/deb/libsdl1.2-compat_*.deb "$compat_dir/root"
        dpkg-deb -f "$compat_dir"/deb/libsdl1.2-compat_*.deb Version >"$compat_dir/unpacked"
    fi
    sdl12_compat_lib=$(find "$compat_dir/root" -name libSDL-1.2.so.0 | head -n 1)
    if [ -z "$sdl12_compat_lib" ]; then
        echo "sdl12-compat: no libSDL-1.2.so.0 in build/sdl12-compat" >&2
        exit 1
    fi
    sdl12_compat_lib=$(dirname "$sdl12_compat_lib")
    sdl12_compat_version=$(cat "$compat_dir/unpacked")
}
sdl12_compat_download() {
    (cd "$compat_dir/deb" && apt-get -qq -o APT::Sandbox::User=root download libsdl1.2-compat)
}

# sanitizer_env [ASAN_OPTION...]: how the build in build-asan/ runs: the
# first report ends the program with status 86, and leaks are checked with
# tests/lsan.supp; the options given are added to ASAN_OPTIONS.
sanitizer_env() {
    ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:exitcode=86"
    for option in "$@"; do ASAN_OPTIONS="$ASAN_OPTIONS:$option"; done
    export ASAN_OPTIONS
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
}
