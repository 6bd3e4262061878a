#!/bin/sh
# Shows the Debian package that `make package` made: its files and its
# dependencies, which must name the shared libraries the programs link. lintian
# must find no error or warning in it, and its desktop entry and AppStream
# metainfo must pass desktop-file-validate and appstreamcli.
# With --install (CI runs it so, as root) it also installs the package with
# apt-get, runs the installed programs, removes the package and checks that
# nothing of it is left.
set -eu
. "$(dirname "$0")/lib/build.sh"
cd "$root"
script_name="package check"

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

# Overrides, each with its reason, are in dist/lintian-overrides. As root
# lintian adds a note that it would rather not be root: dropped here.
status=0
findings=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
findings=$(echo "$findings" | grep -v 'running with root privileges' || true)
[ -z "$findings" ] || echo "$findings"
[ $status -eq 0 ] || fail "lintian finds fault with $deb"
scratch
dpkg-deb -x "$deb" "$work"
share=$work/usr/share
desktop-file-validate "$share/applications/tourview.desktop" ||
    fail "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml ||
    fail "appstreamcli refuses the metainfo"
icon=$(sed -n 's/^Icon=//p' "$share/applications/tourview.desktop")
for size in 48 256; do
    png=$share/icons/hicolor/${size}x$size/apps/$icon.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "no $size-pixel icon $png"
done
for program in $programs; do
    grep -q "<binary>$program</binary>" "$share"/metainfo/*.metainfo.xml ||
        fail "the metainfo does not provide $program"
done

[ "$install" = --install ] || exit 0
# The programs give the upstream version, without the Debian revision.
version=$(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
for program in $programs; do
    [ "$("/usr/bin/$program" --version)" = "$program $version" ] ||
        fail "the installed $program does not give its version"
done
[ "$(man -w tourview)" = /usr/share/man/man1/tourview.1.gz ] || fail "man finds no tourview page"
[ -f /usr/share/tourview/web/index.html ] || fail "the web page's files were not installed"
apt-get remove -y -qq tourview >/dev/null
left=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | while read -r path; do
    if [ -f "$path" ]; then echo "$path"; fi
done)
[ -z "$left" ] || fail "removing the package left $left"
echo "package check: installed with apt-get, ran, removed cleanly"
