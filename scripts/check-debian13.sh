#!/bin/sh
# make check-debian13: the README's two commands on a fresh Debian 13 (trixie).
# With --base it only makes the minimal system (if it is missing or old), so
# that make check-release can make it while the tests run here.
# A minimal system made with debootstrap is kept in /var/cache/tourview/debian13
# (TOURVIEW_DEBIAN13_CACHE) and made anew once it is a week old. Each run lays a
# throw-away overlay over it, clones the committed tree (HEAD) into it and, as
# root there, runs `make demo` with no display and then `make test`; the
# project's own scripts/deps.sh installs what is missing. Downloaded packages
# are kept beside the system, so later runs fetch only what changed. Every
# mount is undone however the run ends.
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
cache=${TOURVIEW_DEBIAN13_CACHE:-/var/cache/tourview/debian13}
mirror=${TOURVIEW_DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ -n "${TOURVIEW_IN_DEBIAN13_CHECK:-}" ]; then
    echo "check-debian13: not nested inside the Debian 13 check itself"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "check-debian13: SKIPPED: debootstrap, chroot and mounts need root" >&2
    exit 0
fi
command -v debootstrap >/dev/null || scripts/deps.sh release
started=$(date +%s)
mkdir -p "$cache/archives"

# One run at a time: a run that ends unclean leaves work directories that the
# next one removes.
exec 9>"$cache/lock"
flock 9

# undo_mounts ROOT: unmounts everything under ROOT, innermost first, after
# ending the processes left running inside it.
undo_mounts() {
    tries=0
    while :; do
        left=""
        for proc in /proc/[0-9]*; do
            if [ "$(readlink "$proc/root" 2>/dev/null)" = "$1" ]; then
                left="$left ${proc#/proc/}"
            fi
        done
        [ -n "$left" ] && [ $tries -lt 50 ] || break
        # shellcheck disable=SC2086
        kill -9 $left 2>/dev/null || true
        tries=$((tries + 1))
        sleep 0.1
    done
    awk -v root="$1" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/mounts |
        sort -r | while read -r point; do
        umount "$point" 2>/dev/null || umount -l "$point"
    done
}

for old in /var/tmp/tourview-debian13.*; do
    [ -d "$old" ] || continue
    undo_mounts "$old/root"
    rm -rf "$old"
done

if [ ! -f "$cache/stamp" ] || [ -n "$(find "$cache/stamp" -mtime +6)" ]; then
    echo "check-debian13: making a minimal Debian 13 in $cache/base (debootstrap)"
    rm -rf "$cache/base.new"
    if ! debootstrap --variant=minbase --include=git,make trixie "$cache/base.new" "$mirror" \
        >"$cache/debootstrap.log" 2>&1; then
        tail -n 20 "$cache/debootstrap.log" >&2
        echo "check-debian13: debootstrap failed; its log is $cache/debootstrap.log" >&2
        exit 1
    fi
    cat >"$cache/base.new/etc/apt/sources.list" <<SOURCES
deb $mirror trixie main
deb $mirror trixie-updates main
deb http://deb.debian.org/debian-security trixie-security main
SOURCES
    rm -rf "$cache/base"
    mv "$cache/base.new" "$cache/base"
    touch "$cache/stamp"
fi
if [ "${1:-}" = "--base" ]; then
    echo "check-debian13: the minimal Debian 13 is ready in $cache/base"
    exit 0
fi

work=$(mktemp -d /var/tmp/tourview-debian13.XXXXXX)
root=$work/root
cleanup() {
    set +e # a mount that will not go must not stop the rest of the cleanup
    undo_mounts "$root"
    rm -rf "$work" || echo "check-debian13: could not remove $work; the next run will" >&2
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mkdir -p "$root" "$work/upper" "$work/work"
if ! mount -t overlay overlay \
    -o "lowerdir=$cache/base,upperdir=$work/upper,workdir=$work/work" "$root" 2>/dev/null; then
    cp -a "$cache/base/." "$root/"
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t tmpfs tmpfs "$root/tmp"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# npm's downloads in there trust what this system trusts, so a network that
# inspects TLS works in the chroot as it does here.
host_ca=/usr/local/share/host-ca-certificates.crt
if [ -f /etc/ssl/certs/ca-certificates.crt ]; then
    mkdir -p "$root${host_ca%/*}"
    cp /etc/ssl/certs/ca-certificates.crt "$root$host_ca"
fi

# CTest's logs of the run are copied out to build/debian13/ for make check-release's count.
logs=$repo/build/debian13
rm -rf "$logs"

commit=$(git rev-parse HEAD)
git clone -q --no-checkout "$repo" "$root/root/tourview"
git -C "$root/root/tourview" checkout -q "$commit"
echo "check-debian13: $(cat "$root/etc/debian_version") (trixie), commit $(git rev-parse --short HEAD)"

status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TOURVIEW_IN_DEBIAN13_CHECK=1 \
    NODE_EXTRA_CA_CERTS="$host_ca" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    sh -c 'cd /root/tourview && make demo && make test' || status=$?
mkdir -p "$logs"
for build in build build-asan; do
    cp "$root/root/tourview/$build/ctest.log" "$logs/$build.log" 2>/dev/null || true
done
elapsed=$(($(date +%s) - started))
if [ "$status" -ne 0 ]; then
    echo "check-debian13: FAILED on Debian 13 (status $status) after $elapsed s" >&2
    exit 1
fi
echo "check-debian13: make demo and make test passed on Debian 13 in $elapsed s"
