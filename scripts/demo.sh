#!/bin/sh
# make demo: builds the viewer, the demo tour generator and tourmake, makes the
# demo tour into build/demo unless it is there (make-demo-tour renders the
# photographs and writes the plan, tourmake makes the tour and its web page
# from them), says where the page is, and shows the tour: in a window when there
# is a display; otherwise it walks the tour on a virtual X server
# (scripts/demo-walk.sh) and leaves a screenshot of each step in build/demo/shots/.
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"

demo_tour tourview
echo "The page: build/demo/index.html"

if [ -n "${DISPLAY:-}" ]; then
    echo "Arrow keys or clicks move, Tab opens and closes the map, Q quits."
    exec build/tourview build/demo
fi
exec scripts/demo-walk.sh build/tourview build/demo build/demo/shots
