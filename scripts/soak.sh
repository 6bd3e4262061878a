#!/bin/sh
# scripts/soak.sh MINUTES [system|sdl12-compat]: a long run of the
# AddressSanitizer/UBSan viewer (build-asan/) on the demo tour (build/demo),
# under openbox on a virtual X server, once on each SDL 1.2 library: the
# system's, then sdl12-compat when the system's is the classic one (unpacked
# as scripts/e2e-sdl12-compat.sh does); or on the one library named. Each run
# has its own X server, so two runs on different libraries can go side by side
# once the first has built. For MINUTES on each it sends a random mix of keys, clicks, pointer
# moves, Tab, D, iconify and restore and focus changes to another window, and
# samples the viewer's RSS and CPU every few seconds. A run fails on a
# sanitizer report, a crash, a hang (no redraw within 5 s of a Tab while
# shown) or RSS more than 10% above its level after the first minute. Prints
# one line of figures per library; on a failure the viewer's output is kept in
# build/soak-LIBRARY.log. Not part of CI: it takes 2 x MINUTES.
set -eu
. "$(dirname "$0")/lib/build.sh"
. "$(dirname "$0")/lib/display.sh"
cd "$root"
minutes=${1:?usage: scripts/soak.sh MINUTES [system|sdl12-compat]}
only=${2:-}
case "$only" in
"" | system | sdl12-compat) ;;
*) echo "usage: scripts/soak.sh MINUTES [system|sdl12-compat]" >&2 && exit 2 ;;
esac

sanitized_build --target tourview >/dev/null
demo_tour >/dev/null
viewer=$root/build-asan/tourview
tour=$root/build/demo

# The libraries to run on: "system" for the system's, or a directory to put
# first with LD_LIBRARY_PATH.
libraries="system"
if ! on_sdl12_compat "$viewer"; then
    sdl12_compat
    case "$only" in
    "") libraries="system $sdl12_compat_lib" ;;
    sdl12-compat) libraries=$sdl12_compat_lib ;;
    esac
fi

# A small quarantine: freed blocks held back by ASan would read as growth.
sanitizer_env quarantine_size_mb=4

scratch
library=setup
fail() {
    echo "soak ($library): $*" >&2
    if [ -f "$work/viewer.log" ]; then
        kept=$root/build/soak-$(echo "$library" | tr -c 'A-Za-z0-9.\n' - | tr A-Z a-z).log
        cp "$work/viewer.log" "$kept"
        tail -n 40 "$kept" >&2
        echo "soak ($library): the viewer's output is in $kept" >&2
    fi
    exit 1
}

# send ARGS: xdotool ARGS on the viewer's window, which fails only when the
# window is gone: a viewer that died is reported as such.
send() {
    xdotool "$@" 2>>"$work/xdotool.log" && return 0
    sleep 0.5
    kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer died after $events events"
    fail "xdotool $* failed: $(tail -n 1 "$work/xdotool.log")"
}

# RSS of the viewer in kB, and an MD5 of its window's pixels.
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$viewer_pid/status"; }
shot() { import -window "$window" rgb:- 2>/dev/null | md5sum | cut -c1-32; }

# redrawn: a Tab must change the picture within 5 s.
redrawn() {
    before=$(shot)
    send key --window "$window" Tab
    waited=0
    while [ "$(shot)" = "$before" ]; do
        waited=$((waited + 1))
        [ $waited -le 50 ] || return 1
        sleep 0.1
    done
}

random() { awk -v n="$1" -v s="$(od -An -N4 -tu4 /dev/urandom)" 'BEGIN { srand(s); print int(rand() * n) }'; }

desktop_start
# A second window to hand the focus to.
xmessage -geometry 200x60+800+600 "soak" >/dev/null 2>&1 &
helper_pids=$!
# xmessage sets no _NET_WM_PID: it is found by its class.
find_window xmessage "$helper_pids" --class Xmessage
other=$found

for lib in $libraries; do
    library=$lib
    leaks=on
    unset LD_LIBRARY_PATH || true
    if [ "$lib" != system ]; then library_first "$lib"; fi
    # SDL2's GL driver under sdl12-compat is unloaded before the exit-time
    # leak check, which then reports its blocks with no frames to suppress.
    if on_sdl12_compat "$viewer"; then leaks="off (SDL2's unloaded GL driver)"; fi
    detect=1
    [ "$leaks" = on ] || detect=0
    library=$(scripts/sdl-runtime.sh "$viewer" | sed 's/.*: \(.*\) (.*/\1/')
    viewer_start "$tour" env ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=$detect" "$viewer"
    sleep 1
    start=$(date +%s)
    end=$((start + minutes * 60))
    events=0 iconified=0 baseline="" peak=0 samples=0 next_sample=$start minute=0
    ticks_start=$(cpu_ticks) || fail "the viewer died as it started"
    while [ "$(date +%s)" -lt "$end" ]; do
        kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer died after $events events"
        x=$(random "$SLIDE_WIDTH") y=$(random "$SLIDE_HEIGHT")
        case $(random 20) in
        0 | 1 | 2 | 3) send key --window "$window" Up ;;
        4 | 5) send key --window "$window" Left ;;
        6 | 7) send key --window "$window" Right ;;
        8 | 9) send mousemove --window "$window" "$x" "$y" click 1 ;;
        10 | 11 | 12) send mousemove --window "$window" "$x" "$y" ;;
        13) send key --window "$window" Tab ;;
        14) send key --window "$window" d ;;
        15) send key --window "$window" Down Page_Up space Return ;;
        16)
            send windowminimize --sync "$window"
            iconified=1
            sleep 0.5
            ;;
        17)
            xdotool windowactivate --sync "$window" 2>/dev/null || true
            iconified=0
            ;;
        18) xdotool windowactivate --sync "$other" 2>/dev/null || true ;;
        19) xdotool windowactivate --sync "$window" 2>/dev/null && iconified=0 || true ;;
        esac
        events=$((events + 1))
        now=$(date +%s)
        if [ "$now" -ge "$next_sample" ]; then
            next_sample=$((now + 5))
            if [ $iconified -eq 0 ]; then
                redrawn || fail "no redraw within 5 s of a Tab after $events events"
            fi
            kb=$(rss)
            samples=$((samples + 1))
            [ "$kb" -le "$peak" ] || peak=$kb
            if [ -z "$baseline" ] && [ $((now - start)) -ge 60 ]; then baseline=$kb; fi
            if [ $(((now - start) / 60)) -gt "${minute:-0}" ]; then
                minute=$(((now - start) / 60))
                echo "soak ($library): minute $minute: $events events, RSS $kb kB"
            fi
            if [ -n "$baseline" ] && [ "$kb" -gt $((baseline + baseline / 10)) ]; then
                fail "RSS grew from $baseline kB after the first minute to $kb kB"
            fi
        fi
        sleep 0.05
    done
    cpu=$(cpu_share $(($(cpu_ticks) - ticks_start)) $(($(date +%s) - start)))
    final=$(rss)
    viewer_quit
    grep -q -E 'Sanitizer|runtime error:' "$work/viewer.log" && fail "a sanitizer report"
    [ $status -eq 0 ] || fail "the viewer ended with status $status"
    echo "soak ($library): $minutes min, $events events, $samples samples, RSS after 1 min" \
        "${baseline:-?} kB, at the end $final kB, peak $peak kB, CPU $cpu% of a core; leak check $leaks; findings: none"
done
