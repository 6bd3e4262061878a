# shellcheck shell=sh disable=SC2034,SC2154
# (SC2034, SC2154: what it sets is for the scripts that source it, and root,
# work and fail are lib/build.sh's.)
# Sourced after lib/build.sh by the scripts that run the viewer on a virtual X
# server, in the scratch directory of lib/build.sh's scratch: the server alone
# or with openbox as a desktop, the viewer started and its window found,
# places in its photograph, the photograph compared with the one it should
# show, its CPU time, and the viewer quit. Their logs, $work/viewer.log and
# $work/xvfb.log, are what fail shows.
logs="viewer.log xvfb.log"

# The window's geometry is read from its one owner, src/viewer/geometry.h,
# with the photograph's size from src/tour/format.h: no script types it.
# constant NAME: the number that `constexpr int NAME = VALUE` gives there,
# VALUE a number or another NAME.
constant() {
    awk -v name="$1" '
        /^constexpr int [A-Z_]+ = / {
            line = $0
            sub(/^constexpr int /, "", line)
            sub(/;.*/, "", line)
            n = split(line, parts, /, /)
            for (i = 1; i <= n; i++) {
                split(parts[i], pair, / = /)
                value[pair[1]] = pair[2]
            }
        }
        END {
            v = value[name]
            for (hops = 0; v in value && hops < 10; hops++) v = value[v]
            if (v !~ /^[0-9]+$/) exit 1
            print v
        }' "$root/src/tour/format.h" "$root/src/viewer/geometry.h" || {
        echo "$script_name: src/viewer/geometry.h and src/tour/format.h give no number $1" >&2
        return 1
    }
}
# The window, the photograph's place in it, and the bands of the photograph
# (offsets into it) that turn or climb.
WINDOW_WIDTH=$(constant WINDOW_WIDTH)
WINDOW_HEIGHT=$(constant WINDOW_HEIGHT)
SLIDE_X=$(constant SLIDE_X)
SLIDE_Y=$(constant SLIDE_Y)
SLIDE_WIDTH=$(constant SLIDE_WIDTH)
SLIDE_HEIGHT=$(constant SLIDE_HEIGHT)
LEFT_BAND=$(constant LEFT_BAND)
RIGHT_BAND=$(constant RIGHT_BAND)
TOP_BAND=$(constant TOP_BAND)
BOTTOM_BAND=$(constant BOTTOM_BAND)

# xvfb_start SIZE: starts Xvfb with a SIZE screen (e.g. 1024x768), its log in
# $work/xvfb.log, sets xvfb_pid and exports DISPLAY once the server answers.
# Servers starting side by side can race for a display number, so a server
# that does not answer is tried again, three times in all.
xvfb_start() {
    attempt=1
    until xvfb_try "$1"; do
        kill "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
        attempt=$((attempt + 1))
        [ $attempt -le 3 ] || fail "the virtual X server did not start"
    done
}
xvfb_try() {
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    tries=0
    until [ -s "$work/display" ]; do
        tries=$((tries + 1))
        [ $tries -le 100 ] && kill -0 "$xvfb_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    tries=0
    until xwininfo -root >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ $tries -le 50 ] && kill -0 "$xvfb_pid" 2>/dev/null || return 1
        sleep 0.1
    done
}

# window_screen_start: a virtual X server with a screen the size of the
# viewer's window and no window manager, so the window lies at the top-left
# corner and fills the screen.
window_screen_start() {
    xvfb_start "${WINDOW_WIDTH}x$WINDOW_HEIGHT"
}

# desktop_start: a virtual X server with a larger screen that openbox
# manages, as on a desktop: frames, focus, iconify and restore.
desktop_start() {
    xvfb_start 1024x768
    openbox --sm-disable >/dev/null 2>&1 &
    wm_pid=$!
    # openbox announces itself a moment before it handles new windows.
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$wm_pid" 2>/dev/null; then fail "openbox did not start"; fi
        sleep 0.1
    done
    sleep 1
}

# viewer_start DIR COMMAND...: runs COMMAND, the viewer (or env VAR=VALUE...
# and the viewer), in DIR in the background with its output in
# $work/viewer.log, sets viewer_pid, and waits until its window exists: sets
# window to its id.
viewer_start() {
    (cd "$1" && shift && exec "$@") >"$work/viewer.log" 2>&1 &
    viewer_pid=$!
    find_window "the viewer" "$viewer_pid" --pid "$viewer_pid"
    window=$found
}

# find_window NAME PID SEARCH...: waits until `xdotool search SEARCH...`
# finds a window of NAME, the program PID, and sets found to its id; fails if
# the program ends first or no window shows within 30 s.
find_window() {
    finding=$1 finding_pid=$2
    shift 2
    tries=0
    until found=$(xdotool search "$@" 2>/dev/null | head -n 1) && [ -n "$found" ]; do
        kill -0 "$finding_pid" 2>/dev/null || fail "$finding quit before its window showed"
        tries=$((tries + 1))
        [ $tries -le 300 ] || fail "$finding's window did not show within 30 s"
        sleep 0.1
    done
}

# shows_slide PHOTOGRAPH NAME: on a screen the size of the window, takes
# screenshots until the photograph area matches PHOTOGRAPH (arrows and the
# pointer sprite aside), and keeps the matching one as $work/now.png. Fails,
# naming NAME, if the viewer ends or nothing matches within 30 s.
shows_slide() {
    tries=0
    while :; do
        import -window root "$work/now.png" 2>/dev/null || true
        if [ -s "$work/now.png" ]; then
            error=$(convert "$work/now.png" -crop "${SLIDE_WIDTH}x$SLIDE_HEIGHT+$SLIDE_X+$SLIDE_Y" \
                +repage "$1" -metric RMSE -compare -format "%[distortion]" info: 2>/dev/null || true)
            if [ -n "$error" ] && awk "BEGIN { exit !($error < 0.06) }"; then
                return 0
            fi
        fi
        tries=$((tries + 1))
        kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended while $2 was expected"
        [ $tries -le 120 ] || fail "the window did not show $2 (last difference ${error:-unknown})"
        sleep 0.25
    done
}

# slide_point PLACE: sets x and y, in the window, to the middle of the
# photograph (PLACE middle) or of its left, right, top or bottom band.
slide_point() {
    x=$((SLIDE_X + SLIDE_WIDTH / 2)) y=$((SLIDE_Y + SLIDE_HEIGHT / 2))
    case $1 in
    left) x=$((SLIDE_X + LEFT_BAND / 2)) ;;
    right) x=$((SLIDE_X + (RIGHT_BAND + SLIDE_WIDTH) / 2)) ;;
    top) y=$((SLIDE_Y + TOP_BAND / 2)) ;;
    bottom) y=$((SLIDE_Y + (BOTTOM_BAND + SLIDE_HEIGHT) / 2)) ;;
    esac
}

# cpu_ticks: the viewer's CPU time so far, user and system, in clock ticks.
cpu_ticks() {
    awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$viewer_pid/stat"
}
# cpu_share TICKS SECONDS: TICKS of CPU time over SECONDS as a percentage of
# one core, to one decimal.
cpu_share() {
    awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v s="$2" 'BEGIN { printf "%.1f", 100 * t / hz / s }'
}

# viewer_quit: presses q for the viewer, waits up to 10 s for it to end and
# sets status to its exit status.
viewer_quit() {
    if [ -n "$wm_pid" ]; then
        # On a desktop the window may be iconified or another one focused. The
        # viewer may close its window between q's press and its release.
        xdotool windowactivate --sync "$window" 2>/dev/null || true
        xdotool key --window "$window" q 2>/dev/null || true
    else
        xdotool key q
    fi
    tries=0
    while kill -0 "$viewer_pid" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -le 100 ] || fail "the viewer did not quit within 10 s of q"
        sleep 0.1
    done
    status=0
    wait "$viewer_pid" || status=$?
    viewer_pid=""
}
