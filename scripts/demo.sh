#!/bin/sh
# make demo: builds the viewer, the demo tour generator and tourmake, makes the
# demo tour into build/demo unless it is there (make-demo-tour renders the
# photographs and writes the plan, tourmake makes the tour and its web page
# from them), says where the page is, and shows the tour: in a window when there
# is a display; otherwise it walks the tour on a virtual X server
# (scripts/demo-walk.sh) and leaves a screenshot of each step in build/demo/shots/.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build >/dev/null
cmake --build build -j "$jobs" --target tourview make-demo-tour tourmake

if [ ! -f build/demo/index.html ]; then
    # tourmake writes build/demo whole or not at all.
    rm -rf build/demo-source
    build/make-demo-tour build/demo-source
    build/tourmake --force --web build/demo-source/plan.txt build/demo
    rm -rf build/demo-source
fi
echo "The page: build/demo/index.html"

if [ -n "${DISPLAY:-}" ]; then
    echo "Arrow keys or clicks move, Tab opens and closes the map, Q quits."
    exec build/tourview build/demo
fi
exec scripts/demo-walk.sh build/tourview build/demo build/demo/shots
