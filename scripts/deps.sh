#!/bin/sh
# Installs the Debian packages of the named groups that are missing, and only
# those; as a non-root user it prints the one command to run instead.
# Usage: scripts/deps.sh GROUP...   (build, test, bench, release; each
# includes build, and release includes test)
# The names are unversioned, so the same lists serve Debian 12 and 13: each
# release's own compiler runtime, clang-format and cppcheck come with it.
set -eu

# build: what make, make install, make package and make demo need. The test
# programs are part of the default build, hence GoogleTest and XTest; Xvfb,
# xdotool, xwininfo (x11-utils) and ImageMagick's import and convert walk the
# demo with no display; file and dpkg-dev let CPack find the package's
# dependencies; json-glib is tourweb's and touredit's, libsoup 3 touredit's
# HTTP server; rsvg-convert draws the icon's bitmaps; libexif and gexiv2 read
# what photographs record (EXIF, XMP) for tourmake.
build="
build-essential cmake pkg-config git
libglib2.0-dev libjson-glib-dev libsoup-3.0-dev libsdl1.2-dev libsdl-image1.2-dev
libjpeg-dev libpng-dev libexif-dev libgexiv2-dev
libvips-dev libcairo2-dev libpango1.0-dev fonts-dejavu-core
libgtest-dev libxtst-dev
xvfb xdotool x11-utils imagemagick
file dpkg-dev librsvg2-bin
"

# The browser tests and the page's benchmark drive Debian's Chromium from
# Node. A node of another origin is kept: Debian's npm would not install
# beside it.
browser="chromium"
command -v node >/dev/null 2>&1 || browser="$browser nodejs npm"

# test: the format and lint checks, the iconify test's window manager
# (openbox), the dot test (graphviz), the install test's man and
# desktop-file-validate, and the browser tests, whose walk also runs in
# Firefox ESR.
test="
clang-format cppcheck openbox graphviz
man-db groff-base desktop-file-utils
$browser firefox-esr
"

# bench: Google Benchmark, the two XML parsers compared with, vipsthumbnail,
# and ffmpeg, whose v360 filter the views of a 360° photograph are timed against.
bench="
libbenchmark-dev libxml2-dev libpugixml-dev libvips-tools ffmpeg
$browser
"

# release: SDL2 beneath the unpacked libsdl1.2-compat of the sdl12-compat run,
# clang and its sanitizer runtimes for the fuzz targets, lintian and
# appstreamcli for the package, debootstrap for the check on a fresh Debian 13.
release="
libsdl2-2.0-0
clang libclang-rt-dev
lintian appstream
debootstrap
"

usage() {
    echo "usage: scripts/deps.sh GROUP...  (groups: build test bench release)" >&2
    exit 2
}
[ $# -gt 0 ] || usage
packages=$build
for group in "$@"; do
    case "$group" in
    build) ;;
    test) packages="$packages $test" ;;
    bench) packages="$packages $bench" ;;
    release) packages="$packages $test $release" ;;
    *) usage ;;
    esac
done

missing=""
for p in $packages; do
    case " $missing " in *" $p "*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages ($*). Run:" >&2
    echo "  sudo apt-get install -y$missing" >&2
    exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# Named before apt-get stops at the first: what this release does not offer.
unknown=""
for p in $missing; do
    apt-cache show --no-all-versions "$p" >/dev/null 2>&1 || unknown="$unknown $p"
done
if [ -n "$unknown" ]; then
    echo "deps: this system's package sources offer no$unknown" >&2
    exit 1
fi
# shellcheck disable=SC2086
apt-get install -y -qq $missing >/dev/null
