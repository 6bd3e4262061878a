# shellcheck shell=sh disable=SC2034,SC2120
# (SC2034, SC2120: what it sets and takes is for the scripts that source it.)
# Sourced first by every script that builds or runs the programs, before any
# cd: `. "$(dirname "$0")/lib/build.sh"`. Sets root, the source tree, and
# jobs, how many compile jobs to run, and gives what those scripts share.
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
# The programs that make install and the package install.
programs="tourview tourcheck tourmake tourweb touredit"

# fail MESSAGE: says MESSAGE after script_name, the script's name, then the
# end of each log named in logs (files in $work) that is not empty, and ends
# the script. A script that keeps its logs elsewhere defines its own.
script_name=${0##*/}
script_name=${script_name%.sh}
logs=""
fail() {
    echo "$script_name: $*" >&2
    for log in $logs; do
        if [ -s "$work/$log" ]; then
            echo "--- $log:" >&2
            tail -n 20 "$work/$log" >&2
        fi
    done
    exit 1
}

# scratch: makes $work, a scratch directory, and arranges that however the
# script ends, the viewer, the programs in $helper_pids, the window manager and
# the X server (lib/display.sh starts them) are ended and $work is removed.
scratch() {
    work=$(mktemp -d)
    viewer_pid="" helper_pids="" wm_pid="" xvfb_pid=""
    trap scratch_cleanup EXIT
    trap 'exit 130' INT TERM
}
scratch_cleanup() {
    for pid in $viewer_pid $helper_pids $wm_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}

# make_demo TOUR [TOURMAKE_OPTION...]: with the programs of build/,
# make-demo-tour renders the demo's photographs and writes its plan beside
# TOUR, and tourmake makes the tour TOUR from them, whole or not at all.
make_demo() {
    demo_dir=$1
    shift
    rm -rf "$demo_dir.source"
    "$root/build/make-demo-tour" "$demo_dir.source" || return
    "$root/build/tourmake" "$@" "$demo_dir.source/plan.txt" "$demo_dir" || return
    rm -rf "$demo_dir.source"
}

# demo_tour [TARGET...]: builds make-demo-tour, tourmake and the TARGETs in
# build/, and makes the demo tour with its page into build/demo unless it is
# there.
demo_tour() (
    cd "$root" || exit
    cmake -S . -B build >/dev/null
    cmake --build build -j "$jobs" --target make-demo-tour tourmake "$@"
    [ -f build/demo/index.html ] || make_demo "$root/build/demo" --force --web
)

# run_tests DIR LOG [CTEST_OPTION...]: runs the tests of the build directory
# DIR (or of one of its folders) with CTest, keeping CTest's log in LOG for
# scripts/count-tests.sh.
run_tests() (
    cd "$1" || exit
    log=$2
    shift 2
    ctest --output-on-failure -j "$jobs" --output-log "$log" "$@"
)

# library_first DIR: puts DIR first where the programs look for shared
# libraries (LD_LIBRARY_PATH).
library_first() {
    LD_LIBRARY_PATH=$1${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH
}

# on_sdl12_compat PROGRAM: whether PROGRAM runs on sdl12-compat with the
# current environment (scripts/sdl-runtime.sh says which library it finds).
on_sdl12_compat() {
    "$root/scripts/sdl-runtime.sh" "$1" | grep -q sdl12-compat
}

# sdl12_compat: unpacks Debian's libsdl1.2-compat, the SDL 1.2 interface over
# SDL2, into build/sdl12-compat/ once (the installed SDL 1.2 stays as it is),
# and sets sdl12_compat_lib to the directory of its libSDL-1.2.so.0, to be put
# first with library_first, and sdl12_compat_version to its version.
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

# sanitized_build [CMAKE_BUILD_OPTION...]: configures build-asan/, a debug
# build with AddressSanitizer and UndefinedBehaviorSanitizer and warnings as
# errors, and builds it (or the --target given).
sanitized_build() {
    cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTOURVIEW_SANITIZE=ON \
        -DTOURVIEW_WERROR=ON >/dev/null
    cmake --build "$root/build-asan" -j "$jobs" "$@"
}

# sanitizer_env [ASAN_OPTION...]: how a sanitized build runs: the first
# report ends the program with status 86, and leaks are checked with
# tests/lsan.supp; the options given are added to ASAN_OPTIONS.
sanitizer_env() {
    ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:exitcode=86"
    for option in "$@"; do ASAN_OPTIONS="$ASAN_OPTIONS:$option"; done
    export ASAN_OPTIONS
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
}
