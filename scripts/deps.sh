#!/bin/sh
# Installs the Debian packages that building and testing need, and only those
# that are missing. As a non-root user it prints the command to run instead.
# The names are unversioned, so the same list serves Debian 12 and 13: each
# release's own compiler runtime, clang-format and cppcheck come with it.
set -eu

# openbox: the iconify test's window manager; libsdl2-2.0-0: the end-to-end
# run on sdl12-compat (scripts/e2e-sdl12-compat.sh); debootstrap: the check on
# a fresh Debian 13 (scripts/check-debian13.sh); graphviz: the dot test;
# librsvg2-bin: the icon's bitmaps; lintian, appstream: the package check.
packages="
build-essential cmake pkg-config
libglib2.0-dev libjson-glib-dev libsdl1.2-dev libsdl-image1.2-dev libsdl2-2.0-0
libgtest-dev libbenchmark-dev
clang libclang-rt-dev
xvfb xdotool x11-utils imagemagick libxtst-dev openbox
libjpeg-dev libpng-dev libexif-dev
libxml2-dev libpugixml-dev
libvips-dev libvips-tools libcairo2-dev libpango1.0-dev fonts-dejavu-core
graphviz cppcheck clang-format debootstrap
desktop-file-utils man-db groff-base file dpkg-dev
librsvg2-bin lintian appstream
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y$missing" >&2
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
apt-get install -y -qq $missing >/dev/null
