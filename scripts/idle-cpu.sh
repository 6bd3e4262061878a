#!/bin/sh
# Measures the viewer's CPU use while it waits for input: shown on a desktop
# (openbox on a virtual X server), then iconified, then restored; each for
# SECONDS (default 5). LIBDIR, if given, is put first with LD_LIBRARY_PATH, e.g.
# build/sdl12-compat/root/usr/lib/x86_64-linux-gnu/sdl12-compat.
# Usage: scripts/idle-cpu.sh VIEWER TOUR_DIR [SECONDS [LIBDIR]]
set -eu
. "$(dirname "$0")/lib/build.sh"
. "$root/scripts/lib/display.sh"
viewer=$(realpath "$1")
tour=$(realpath "$2")
seconds=${3:-5}
if [ -n "${4:-}" ]; then
    LD_LIBRARY_PATH=$(realpath "$4")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH
fi

scratch
fail() {
    echo "idle-cpu: $*" >&2
    if [ -s "$work/viewer.log" ]; then cat "$work/viewer.log" >&2; fi
    exit 1
}
desktop_start
viewer_start "$tour" "$viewer"
xdotool mousemove --window "$window" $((SLIDE_X + SLIDE_WIDTH / 2)) $((SLIDE_Y + SLIDE_HEIGHT / 2))
sleep 1

# cpu STATE: CPU time over the span as a share of one core.
cpu() {
    start=$(cpu_ticks)
    sleep "$seconds"
    printf '%-10s %5s%% of a core\n' "$1" "$(cpu_share $(($(cpu_ticks) - start)) "$seconds")"
}
"$root/scripts/sdl-runtime.sh" "$viewer"
cpu shown
xdotool windowminimize --sync "$window"
sleep 0.5
cpu iconified
xdotool windowactivate --sync "$window" 2>/dev/null
sleep 0.5
cpu restored
