#!/bin/sh
# Installs the Debian packages that building and testing need, and only those
# that are missing. As a non-root user it prints the command to run instead.
set -eu

packages="
build-essential cmake pkg-config
libglib2.0-dev libsdl1.2-dev libsdl-image1.2-dev
libgtest-dev libbenchmark-dev
clang libclang-rt-14-dev
xvfb xdotool x11-utils imagemagick libxtst-dev
libjpeg-dev libpng-dev libexif-dev
libxml2-dev libpugixml-dev
libvips-dev libvips-tools libcairo2-dev libpango1.0-dev fonts-dejavu-core
valgrind graphviz cppcheck clang-format
desktop-file-utils man-db groff-base file dpkg-dev
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
apt-get install -y -qq $missing >/dev/null
