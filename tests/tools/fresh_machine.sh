#!/bin/bash
# What a newcomer meets: a bare Debian 12 (minbase with git, make and
# ca-certificates, made by Debian's own debootstrap) in a chroot, where a
# clone of one commit runs `make test` as root and installs all it needs. A
# chroot allows no user namespace, so this is also where a build that leans on
# one would fail. Takes tens of minutes: the chroot, the packages, the builds.
#
# usage: fresh_machine.sh [COMMIT]      (default HEAD, of this checkout)
# env:   FRESH_DIR  where the chroot goes (default: a new folder in /var/tmp,
#                   removed at the end)
#        FRESH_KEEP=1  keep the chroot (to look inside, or run again in it)
# Needs root. The Debian mirror and the CA certificates are this machine's.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$src" rev-parse "${1:-HEAD}")
[ "$(id -u)" = 0 ] || { echo "fresh_machine: run as root (debootstrap and chroot need it)" >&2; exit 2; }

root=${FRESH_DIR:-$(mktemp -d /var/tmp/pacelark-fresh.XXXXXX)}
mkdir -p "$root"
root=$(cd "$root" && pwd)
log="$src/build/fresh-machine.log"
mkdir -p "$src/build"

mounted() { awk -v r="$root" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/mounts | sort -r; }
cleanup() {
    local m
    for m in $(mounted); do umount "$m" 2>/dev/null || umount -l "$m"; done
    if [ -n "$(mounted)" ]; then
        echo "fresh_machine: still mounted under $root, left in place" >&2
    elif [ "${FRESH_KEEP:-0}" != 1 ]; then
        rm -rf --one-file-system "$root"
    else
        echo "fresh_machine: the chroot is kept in $root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! command -v debootstrap >/dev/null; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi

# This machine's Debian mirror: the first one its apt sources name.
mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '/^URIs:/ {print $2; exit}')
[ -n "$mirror" ] || mirror=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || { echo "fresh_machine: no Debian mirror in this machine's apt sources" >&2; exit 2; }

start=$(date +%s)
if [ ! -x "$root/usr/bin/apt-get" ]; then
    echo "== debootstrap bookworm (minbase, git, make, ca-certificates) into $root"
    debootstrap --variant=minbase --include=git,make,ca-certificates bookworm "$root" "$mirror" >"$log" 2>&1 ||
        { tail -n 20 "$log" >&2; exit 1; }
fi
# What every Debian 12 install has beside the release: its updates and
# security sources, as this machine names them, and the machine's CA
# certificates for the npm registry.
if compgen -G "/etc/apt/sources.list.d/*.sources" >/dev/null; then
    cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/"
    : >"$root/etc/apt/sources.list"
fi
grep -l '^Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null | xargs -r cp -t "$root/etc/apt/apt.conf.d/"
cp /etc/ssl/certs/ca-certificates.crt "$root/etc/ssl/host-ca-certificates.crt"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

# Chromium and Wine want /proc, /sys, /dev and shared memory.
mount -t proc proc "$root/proc"
mount --bind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" 2>/dev/null || mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

rm -rf "$root/root/pacelark"
git clone --quiet --no-local "$src" "$root/root/pacelark"
git -C "$root/root/pacelark" checkout --quiet "$commit"
echo "== make test in the chroot, commit $(git -C "$src" log -1 --format='%h %s' "$commit")"
status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    NODE_EXTRA_CA_CERTS=/etc/ssl/host-ca-certificates.crt \
    bash -c 'cd /root/pacelark && make test' 2>&1 | tee -a "$log" || status=$?
echo "== fresh machine: make test $([ "$status" = 0 ] && echo passed || echo "FAILED ($status)")" \
    "in $(( ($(date +%s) - start) / 60 )) min; log: $log"
exit "$status"
