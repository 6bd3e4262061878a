#!/bin/sh
# Walks a tour with no display: starts a virtual X server, runs the viewer in
# the tour, drives a scripted route with real key presses and clicks, and saves
# a screenshot after each step. Each step waits until the window shows the
# photograph the step should reach, so a wrong move or a hang fails the walk.
# The route is that of the demo tour (scripts/demo.sh).
#
# Usage: scripts/demo-walk.sh VIEWER TOUR_DIR SHOTS_DIR
set -eu
. "$(dirname "$0")/xvfb.sh"

if [ $# -ne 3 ]; then
    echo "usage: $0 VIEWER TOUR_DIR SHOTS_DIR" >&2
    exit 2
fi
viewer=$(realpath "$1")
tour=$(realpath "$2")
mkdir -p "$3"
shots=$(realpath "$3")
rm -f "$shots"/*.png

xvfb_scratch

fail() {
    echo "demo walk: $*" >&2
    for log in viewer.err xvfb.log; do
        if [ -s "$work/$log" ]; then
            echo "--- $log:" >&2
            tail -n 20 "$work/$log" >&2
        fi
    done
    exit 1
}

# A screen the size of the viewer's window: with no window manager the window
# lies at the top-left corner and fills it.
xvfb_start "$work" 912x645 || fail "the virtual X server did not start"

(cd "$tour" && exec "$viewer") >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!

tries=0
until xwininfo -root -children 2>/dev/null | grep -q "912x645+"; do
    tries=$((tries + 1))
    kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended at start-up"
    [ $tries -le 300 ] || fail "the viewer's window did not appear"
    sleep 0.1
done

# Takes screenshots until the photograph area matches slides/$1.jpg (arrows
# and the pointer sprite aside), and keeps the matching one as $work/now.png.
wait_for_slide() {
    tries=0
    while :; do
        import -window root "$work/now.png" 2>/dev/null || true
        if [ -s "$work/now.png" ]; then
            error=$(convert "$work/now.png" -crop 800x533+56+56 +repage "$tour/slides/$1.jpg" \
                -metric RMSE -compare -format "%[distortion]" info: 2>/dev/null || true)
            if [ -n "$error" ] && awk "BEGIN { exit !($error < 0.06) }"; then
                return 0
            fi
        fi
        tries=$((tries + 1))
        kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended while $1 was expected"
        [ $tries -le 120 ] || fail "the window did not show $1 (last difference ${error:-unknown})"
        sleep 0.25
    done
}

count=0
# step NAME SLIDE HOVER_X HOVER_Y ACTION...: does ACTION, waits for SLIDE, then
# rests the pointer at the hover position so the shot shows its sprite.
step() {
    name=$1 slide=$2 hover_x=$3 hover_y=$4
    shift 4
    if [ $# -gt 0 ]; then
        "$@"
    fi
    xdotool mousemove "$hover_x" "$hover_y"
    sleep 0.1
    wait_for_slide "$slide"
    count=$((count + 1))
    shot="$shots/$(printf %02d "$count")-$name.png"
    cp "$work/now.png" "$shot"
    echo "  $shot"
}
key() { xdotool key "$1"; }
click() { xdotool mousemove "$1" "$2" click 1; }

echo "Walking the demo tour on virtual display $DISPLAY; screenshots:"
xdotool mousemove 456 322
step hall S001 456 322
step forward arch-E 456 322 key Up
step forward corridor-E 100 322 click 456 322
step left corridor-N 456 322 click 100 322
step right corridor-E 456 322 key Right
step to-the-stairs stairs-E 456 120 key Up
step stairs-up landing-E 800 322 click 456 120
step forward passage-E 456 322 key Up
step end-of-the-landing window-E 800 322 key Up
step right window-S 456 322 click 800 322
step right window-W 456 322 key Right
step forward passage-W 456 322 key Up
step top-of-the-stairs landing-W 456 540 key Up
step stairs-down stairs-W 456 322 click 456 540
step map map 456 322 key Tab
step back stairs-W 456 322 key Tab

xdotool key q
tries=0
while kill -0 "$viewer_pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -le 50 ] || fail "the viewer did not quit on Q"
    sleep 0.1
done
status=0
wait "$viewer_pid" || status=$?
viewer_pid=""
[ "$status" -eq 0 ] || fail "the viewer quit with status $status"
echo "The viewer quit on Q with status 0; $count screenshots in $shots"
