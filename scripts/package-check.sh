#!/bin/sh
# Shows the Debian package that `make package` made: its files and its
# dependencies, which must name the shared libraries the programs link.
# With --install (CI runs it so, as root) it also installs the package with
# apt-get, runs the installed programs, removes the package and checks that
# nothing of it is left.
set -eu
cd "$(dirname "$0")/.."

fail() {
    echo "package check: $*" >&2
    exit 1
}

set -- build-package/tourview_*.deb "$@"
deb=$1
[ -f "$deb" ] || fail "no package in build-package/: run make package"
[ $# -le 2 ] || fail "more than one package in build-package/"
install=${2:-}

echo "$deb:"
dpkg-deb -f "$deb" Package Version Architecture Depends
dpkg-deb -c "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 'libglib2\.0' 'libsdl1\.2' 'libsdl-image1\.2' 'libjson-glib'; do
    echo "$depends" | grep -q "$lib" || fail "Depends names no $lib package: $depends"
done

[ "$install" = --install ] || exit 0
version=$(dpkg-deb -f "$deb" Version)
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
for program in tourview tourcheck tourmake tourweb; do
    [ "$(/usr/bin/$program --version)" = "$program $version" ] ||
        fail "the installed $program does not give its version"
done
[ "$(man -w tourview)" = /usr/share/man/man1/tourview.1 ] || fail "man finds no tourview page"
[ -f /usr/share/tourview/web/index.html ] || fail "the web page's files were not installed"
apt-get remove -y -qq tourview >/dev/null
left=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | while read -r path; do
    if [ -f "$path" ]; then echo "$path"; fi
done)
[ -z "$left" ] || fail "removing the package left $left"
echo "package check: installed with apt-get, ran, removed cleanly"
