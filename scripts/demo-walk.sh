#!/bin/sh
# Walks a tour with no display: starts a virtual X server, runs the viewer in
# the tour, drives a scripted route with real key presses and clicks, and saves
# a screenshot after each step. Each step waits until the window shows the
# photograph the step should reach, so a wrong move or a hang fails the walk.
# The route is that of the demo tour (scripts/demo.sh).
#
# Usage: scripts/demo-walk.sh VIEWER TOUR_DIR SHOTS_DIR
set -eu
. "$(dirname "$0")/lib/build.sh"
. "$(dirname "$0")/lib/display.sh"

if [ $# -ne 3 ]; then
    echo "usage: $0 VIEWER TOUR_DIR SHOTS_DIR" >&2
    exit 2
fi
viewer=$(realpath "$1")
tour=$(realpath "$2")
mkdir -p "$3"
shots=$(realpath "$3")
rm -f "$shots"/*.png

scratch
script_name="demo walk"
window_screen_start
viewer_start "$tour" "$viewer"

count=0
# step NAME SLIDE HOVER ACTION...: does ACTION, waits for SLIDE, then rests
# the pointer at the HOVER place so the shot shows its sprite.
step() {
    name=$1 slide=$2 hover=$3
    shift 3
    if [ $# -gt 0 ]; then
        "$@"
    fi
    slide_point "$hover"
    xdotool mousemove "$x" "$y"
    sleep 0.1
    shows_slide "$tour/slides/$slide.jpg" "$slide"
    count=$((count + 1))
    shot="$shots/$(printf %02d "$count")-$name.png"
    cp "$work/now.png" "$shot"
    echo "  $shot"
}
key() { xdotool key "$1"; }
click() {
    slide_point "$1"
    xdotool mousemove "$x" "$y" click 1
}

echo "Walking the demo tour on virtual display $DISPLAY; screenshots:"
slide_point middle
xdotool mousemove "$x" "$y"
step hall S001 middle
step forward arch-E middle key Up
step forward corridor-E left click middle
step left corridor-N middle click left
step right corridor-E middle key Right
step to-the-stairs stairs-E top key Up
step stairs-up landing-E right click top
step forward passage-E middle key Up
step end-of-the-landing window-E right key Up
step right window-S middle click right
step right window-W middle key Right
step forward passage-W middle key Up
step top-of-the-stairs landing-W bottom key Up
step stairs-down stairs-W middle click bottom
step map map middle key Tab
step back stairs-W middle key Tab

viewer_quit
[ "$status" -eq 0 ] || fail "the viewer quit with status $status"
echo "The viewer quit on Q with status 0; $count screenshots in $shots"
