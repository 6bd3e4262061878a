#!/bin/sh
# Installs the build in build/ into a scratch DESTDIR with `make install`, then
# runs the installed programs from another directory: --help, --version and
# bad arguments; the viewer opening the demo tour by its path on a virtual X
# server; the demo exported by the installed tourweb with the installed page;
# the man pages and the desktop entry through their checkers.
set -eu
. "$(dirname "$0")/lib/build.sh"
. "$(dirname "$0")/lib/display.sh"
cd "$root"

scratch
script_name="install test"
checks=0
pass() { checks=$((checks + 1)); }

# A prefix other than the default shows that PREFIX is taken.
prefix=/opt/tourview
dest="$work/dest"
make --no-print-directory -s install PREFIX="$prefix" DESTDIR="$dest" >"$work/install.log" ||
    fail "make install failed: $(tail -n 5 "$work/install.log")"
inst="$dest$prefix"
for file in share/applications/tourview.desktop share/doc/tourview/README.md \
    share/doc/tourview/copyright share/doc/tourview/changelog.Debian.gz \
    share/icons/hicolor/48x48/apps/tourview.png share/icons/hicolor/256x256/apps/tourview.png \
    share/metainfo/example.tourview.tourview.metainfo.xml share/tourview/web/index.html \
    share/tourview/web/tourweb.css share/tourview/web/tourweb-logic.js share/tourview/web/tourweb.js; do
    [ -f "$inst/$file" ] || fail "$prefix/$file was not installed"
done
for program in $programs; do
    [ -x "$inst/bin/$program" ] || fail "$prefix/bin/$program was not installed"
    [ -f "$inst/share/man/man1/$program.1.gz" ] || fail "the man page of $program was not installed"
done
pass

mkdir "$work/elsewhere"
cd "$work/elsewhere"
bin="$inst/bin"
version=$(sed -n 's/^project(tourview VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# expect STATUS OUT_PATTERN ERR_PATTERN COMMAND...: the status, and a pattern
# that the first line of standard output (of standard error) must match.
expect() {
    want=$1 out_pattern=$2 err_pattern=$3
    shift 3
    status=0
    "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
    [ "$status" -eq "$want" ] || fail "$* exited with $status, not $want: $(head -n 3 "$work/err")"
    # An empty stream reads as one empty line.
    out=$(head -n 1 "$work/out") err=$(head -n 1 "$work/err")
    echo "$out" | grep -Eq "$out_pattern" || fail "$*: unexpected output: $out"
    echo "$err" | grep -Eq "$err_pattern" || fail "$*: unexpected message: $err"
    pass
}

for program in $programs; do
    expect 0 "^$program $version\$" '^$' "$bin/$program" --version
    expect 0 "^usage: $program" '^$' "$bin/$program" --help
    expect 2 '^$' "^usage: $program" "$bin/$program" --no-such-option
done

# Bad tour paths end with one line before any window: with no display, a
# window would fail with another status and message.
touch "$work/plain-file"
expect 2 '^$' '^tourview: .*/nowhere: No such file or directory$' \
    env -u DISPLAY "$bin/tourview" "$work/nowhere"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "a missing DIR gave more than one line"
expect 2 '^$' '^tourview: .*/plain-file: Not a directory$' \
    env -u DISPLAY "$bin/tourview" "$work/plain-file"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "a DIR that is a file gave more than one line"
expect 2 '^$' '^usage: tourview' env -u DISPLAY "$bin/tourview" "$work" "$work"

for page in "$inst"/share/man/man1/*.1.gz "$root"/build/dist/*.1; do
    man --warnings -l "$page" >/dev/null 2>"$work/man.err" || fail "man failed on $page"
    [ ! -s "$work/man.err" ] || fail "$page: $(head -n 3 "$work/man.err")"
    pass
done

desktop-file-validate "$inst/share/applications/tourview.desktop" >"$work/desktop.out" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/desktop.out")"
[ ! -s "$work/desktop.out" ] || fail "desktop-file-validate: $(cat "$work/desktop.out")"
pass

# The demo tour, made by the build's programs, for the installed ones.
make_demo "$work/tour" >/dev/null 2>"$work/demo.err" ||
    fail "the demo tour was not made: $(tail -n 3 "$work/demo.err")"

# The installed tourweb takes the page from the installed data directory, and
# the installed tourcheck passes its export.
expect 0 '^tourweb: wrote ' '' env -u TOURWEB_PAGE_DIR "$bin/tourweb" ../tour ../web
for file in tourweb.css tourweb-logic.js tourweb.js; do
    cmp -s "$work/web/$file" "$inst/share/tourview/web/$file" ||
        fail "the export's $file is not the installed one"
done
# index.html is the installed one but for its start image, given the photograph.
grep -v 'id="tw-start"' "$work/web/index.html" >"$work/index.export"
grep -v 'id="tw-start"' "$inst/share/tourview/web/index.html" >"$work/index.installed"
cmp -s "$work/index.export" "$work/index.installed" ||
    fail "the export's index.html is not the installed one"
grep -q 'id="tw-start" alt="" src="slides/' "$work/web/index.html" ||
    fail "the export's index.html does not ask for the start photograph"
[ -s "$work/web/tour.js" ] || fail "the export has no tour.js"
expect 0 '^tourcheck: [0-9]+ slides, 0 errors' '^$' "$bin/tourcheck" ../web

# The viewer, on a virtual X server the size of its window.
window_screen_start

# shows_start ARG: the installed viewer, given ARG, shows S001 and quits on Q
# with status 0.
shows_start() {
    viewer_start . "$bin/tourview" "$1"
    shows_slide "$work/tour/slides/S001.jpg" "S001 of tourview $1"
    viewer_quit
    [ "$status" -eq 0 ] || fail "tourview $1 quit with status $status"
    pass
}
shows_start ../tour
shows_start ../tour/data.xml

echo "install test: $checks checks passed"
