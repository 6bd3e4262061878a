# Sourced by the scripts that need a virtual X server. xvfb_start WORK SIZE
# starts Xvfb with a SIZE screen (e.g. 912x645), its log in WORK/xvfb.log, sets
# xvfb_pid and exports DISPLAY once the server answers. Servers starting side
# by side can race for a display number, so a server that does not answer is
# tried again, three times in all. Returns 1 if none answered.

# xvfb_scratch: makes $work, a scratch directory, and arranges that however the
# script ends, the viewer ($viewer_pid, once set) and the server are ended and
# $work is removed.
xvfb_scratch() {
    work=$(mktemp -d)
    xvfb_pid=""
    viewer_pid=""
    trap xvfb_cleanup EXIT
    trap 'exit 130' INT TERM
}

xvfb_cleanup() {
    if [ -n "$viewer_pid" ]; then kill "$viewer_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}

# xvfb_try WORK SIZE: one attempt.
xvfb_try() {
    : >"$1/display"
    Xvfb -displayfd 3 -screen 0 "${2}x24" -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
    xvfb_pid=$!
    tries=0
    until [ -s "$1/display" ]; do
        tries=$((tries + 1))
        [ $tries -le 100 ] && kill -0 "$xvfb_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$1/display")"
    export DISPLAY
    tries=0
    until xwininfo -root >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ $tries -le 50 ] && kill -0 "$xvfb_pid" 2>/dev/null || return 1
        sleep 0.1
    done
}

xvfb_start() {
    attempt=1
    until xvfb_try "$1" "$2"; do
        kill "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
        attempt=$((attempt + 1))
        [ $attempt -le 3 ] || return 1
    done
}
