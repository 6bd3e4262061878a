#!/bin/sh
# Measures the viewer's CPU use while it waits for input: shown on a desktop
# (openbox on a virtual X server), then iconified, then restored; each for
# SECONDS (default 5). LIBDIR, if given, is put first with LD_LIBRARY_PATH, e.g.
# build/sdl12-compat/root/usr/lib/x86_64-linux-gnu/sdl12-compat.
# Usage: scripts/idle-cpu.sh VIEWER TOUR_DIR [SECONDS [LIBDIR]]
set -eu
. "$(dirname "$0")/xvfb.sh"
viewer=$(realpath "$1")
tour=$(realpath "$2")
seconds=${3:-5}
if [ -n "${4:-}" ]; then
    LD_LIBRARY_PATH=$(realpath "$4")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH
fi
work=$(mktemp -d)
pids=""
xvfb_pid=""
cleanup() {
    for pid in $pids $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

xvfb_start "$work" 1024x768 || { echo "idle-cpu: the virtual X server did not start" >&2; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
pids="$pids $!"
# openbox announces itself a moment before it handles new windows.
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.1; done
sleep 1

(cd "$tour" && exec "$viewer") >"$work/viewer.log" 2>&1 &
viewer_pid=$!
pids="$pids $viewer_pid"
until window=$(xdotool search --pid "$viewer_pid" 2>/dev/null | head -n 1) && [ -n "$window" ]; do
    if ! kill -0 "$viewer_pid" 2>/dev/null; then
        echo "idle-cpu: the viewer quit before its window showed:" >&2
        cat "$work/viewer.log" >&2
        exit 1
    fi
    sleep 0.1
done
xdotool mousemove --window "$window" 456 322
sleep 1

# cpu STATE: CPU time over the span as a share of one core.
ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$viewer_pid/stat"; }
cpu() {
    start=$(ticks)
    sleep "$seconds"
    end=$(ticks)
    awk -v t=$((end - start)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v what="$1" \
        'BEGIN { printf "%-10s %5.1f%% of a core\n", what, 100 * t / hz / s }'
}
scripts_dir=$(dirname "$0")
"$scripts_dir/sdl-runtime.sh" "$viewer"
cpu shown
xdotool windowminimize --sync "$window"
sleep 0.5
cpu iconified
xdotool windowactivate --sync "$window" 2>/dev/null
sleep 0.5
cpu restored
