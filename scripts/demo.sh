#!/bin/sh
# make demo: builds the viewer and the demo tour generator, writes the demo
# tour into build/demo unless it is there, and shows it: in a window when there
# is a display; otherwise it walks the tour on a virtual X server
# (scripts/demo-walk.sh) and leaves a screenshot of each step in build/demo/shots/.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build >/dev/null
cmake --build build -j "$jobs" --target tourview make-demo-tour

if [ ! -f build/demo/data.xml ]; then
    # Written aside and moved in whole, so an interrupted run leaves no half tour.
    rm -rf build/demo.new
    build/make-demo-tour build/demo.new
    rm -rf build/demo
    mv build/demo.new build/demo
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "Arrow keys or clicks move, Tab opens and closes the map, Q quits."
    exec build/tourview build/demo
fi
exec scripts/demo-walk.sh build/tourview build/demo build/demo/shots
