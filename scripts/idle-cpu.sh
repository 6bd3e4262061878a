#!/bin/sh
# Measures the viewer's CPU use while it waits for input: shown on a desktop
# (openbox on a virtual X server), then iconified, then restored; each for
# SECONDS (default 5). LIBDIR, if given, is put first with LD_LIBRARY_PATH, e.g.
# build/sdl12-compat/root/usr/lib/x86_64-linux-gnu/sdl12-compat.
# Usage: scripts/idle-cpu.sh VIEWER TOUR_DIR [SECONDS [LIBDIR]]
set -eu
. "$(dirname "$0")/lib/build.sh"
. "$(dirname "$0")/lib/display.sh"
viewer=$(realpath "$1")
tour=$(realpath "$2")
seconds=${3:-5}
if [ -n "${4:-}" ]; then library_first "$(realpath "$4")"; fi

scratch
desktop_start
viewer_start "$tour" "$viewer"
slide_point middle
xdotool mousemove --window "$window" "$x" "$y"
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
