# A bare Debian in a chroot, for the fresh-machine check and the release
# verification: sourced, not run. Needs root; makes no user namespace.
#
#   chroot_setup PREFIX SUITE ROOT   check, then debootstrap SUITE into ROOT
#                                    (minbase, git, make, ca-certificates), with
#                                    the release's updates and security sources
#   chroot_mount / chroot_run CMD    mount /proc, /sys, /dev; run CMD as root
#   chroot_cleanup                   unmount; remove ROOT unless CHROOT_KEEP=1
#
# CHROOT_ARCH: the architecture (default: this machine's). The host needs
# debootstrap and Debian's archive keyring, and this runs no package manager
# of the host's; the Debian mirror is the host's apt sources' or else
# deb.debian.org. Every refusal is one line on standard error and a non-zero
# status. Nothing is deleted while anything is still mounted under ROOT, and
# then only on ROOT's own file system.

chroot_fail() { echo "$chroot_prefix: $*" >&2; exit 2; }

chroot_mounts() {
    awk -v r="$chroot_root" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/mounts | sort -r
}

chroot_cleanup() {
    [ -z "${chroot_tmp:-}" ] || rm -rf "$chroot_tmp"
    [ -n "${chroot_root:-}" ] && [ -d "$chroot_root" ] || return 0
    local m
    # Only what chroot_mount mounted: a mount found there before is someone else's.
    if [ "${chroot_mounted:-0}" = 1 ]; then
        for m in $(chroot_mounts); do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
    fi
    if [ -n "$(chroot_mounts)" ]; then
        [ "${chroot_mounted:-0}" = 0 ] || echo "$chroot_prefix: still mounted under $chroot_root, left in place" >&2
    elif [ "${CHROOT_KEEP:-0}" = 1 ]; then
        echo "$chroot_prefix: the chroot is kept in $chroot_root" >&2
    elif [ "${chroot_made:-0}" = 1 ]; then
        rm -rf --one-file-system "$chroot_root"
    else
        rmdir "$chroot_root" 2>/dev/null || true  # made empty for a setup refused
    fi
}

# The host's sources name the mirror; the security archive is the entry whose
# suite ends in -security, else the mirror's sibling folder. A host without
# apt takes Debian's own.
chroot_mirrors() {
    local sources
    sources=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    chroot_mirror=$(awk '/^URIs:/ {u = $2} /^Suites:/ && $0 !~ /-security/ && u {print u; exit}' <<<"$sources")
    chroot_security=$(awk '/^URIs:/ {u = $2} /^Suites:/ && /-security/ && u {print u; exit}' <<<"$sources")
    if [ -z "$chroot_mirror" ] && [ -f /etc/apt/sources.list ]; then
        chroot_mirror=$(awk '$1 == "deb" && $3 !~ /-security/ {print $2; exit}' /etc/apt/sources.list)
        chroot_security=$(awk '$1 == "deb" && $3 ~ /-security/ {print $2; exit}' /etc/apt/sources.list)
    fi
    [ -n "$chroot_mirror" ] || chroot_mirror=http://deb.debian.org/debian
    [ -n "$chroot_security" ] || chroot_security="${chroot_mirror%/debian}/debian-security"
}

# apt's own downloader, so the host's proxy settings hold, else wget, which
# debootstrap uses; one line on failure.
chroot_reachable() {  # URL WHAT
    local out
    if [ -x /usr/lib/apt/apt-helper ]; then
        out=$(/usr/lib/apt/apt-helper download-file "$1" "$chroot_tmp/probe" 2>&1) && return 0
    else
        out=$(wget -q -O "$chroot_tmp/probe" "$1" 2>&1) && return 0
    fi
    chroot_fail "$2: $({ grep -m1 '^E:' <<<"$out" || grep -m1 '^W:' <<<"$out" || tail -n1 <<<"$out"; } | sed 's/^[EW]: //')"
}

chroot_need() {  # check the host's tools and the keyring; install nothing
    local t keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    for t in debootstrap chroot mount umount $([ -x /usr/lib/apt/apt-helper ] || echo wget); do
        command -v "$t" >/dev/null || chroot_fail "$t not found (install the package $t)"
    done
    [ -f "$keyring" ] || chroot_fail "$keyring not found (install Debian's archive keyring, debian-archive-keyring)"
    chroot_keyring=$keyring
}

chroot_setup() {  # PREFIX SUITE ROOT
    chroot_prefix=$1 chroot_suite=$2 chroot_root=$3 chroot_made=0
    [ "$(id -u)" = 0 ] || chroot_fail "run as root (debootstrap, mount and chroot need it)"
    [[ "$chroot_suite" =~ ^[a-z]+$ ]] || chroot_fail "'$chroot_suite' is not a Debian suite name (bookworm, trixie)"
    chroot_need
    mkdir -p "$chroot_root"
    chroot_root=$(cd "$chroot_root" && pwd)
    [ "$chroot_root" != / ] || chroot_fail "the chroot cannot be /"
    [ -z "$(chroot_mounts)" ] ||
        chroot_fail "something is still mounted under $chroot_root ($(chroot_mounts | tr '\n' ' ')); unmount it first"
    # A new root is the chroot's /: readable by all (apt's own user among them).
    [ -n "$(ls -A "$chroot_root")" ] || { chroot_made=1; chmod 755 "$chroot_root"; }
    chroot_tmp=$(mktemp -d)
    chroot_mirrors
    chroot_reachable "$chroot_mirror/dists/$chroot_suite/InRelease" \
        "the mirror $chroot_mirror does not serve '$chroot_suite' or cannot be reached"
    local log="$chroot_tmp/debootstrap.log" arch=${CHROOT_ARCH:-}
    if [ ! -x "$chroot_root/usr/bin/apt-get" ]; then
        echo "== debootstrap $chroot_suite${arch:+ ($arch)} (minbase, git, make, ca-certificates) into $chroot_root"
        debootstrap --variant=minbase --include=git,make,ca-certificates --keyring="$chroot_keyring" \
            ${arch:+--arch="$arch"} "$chroot_suite" "$chroot_root" "$chroot_mirror" >"$log" 2>&1 ||
            chroot_fail "debootstrap $chroot_suite failed: $(grep -m1 -E '^E:' "$log" || tail -n1 "$log")"
    else  # a chroot kept from before: of this release and architecture only
        local was
        # shellcheck disable=SC2016  # expanded in the chroot
        was=$(chroot "$chroot_root" sh -c '. /etc/os-release; echo "$VERSION_CODENAME/$(dpkg --print-architecture)"')
        [ "$was" = "$chroot_suite/${arch:-${was#*/}}" ] ||
            chroot_fail "$chroot_root holds $was, not $chroot_suite${arch:+/$arch}: give an empty folder"
    fi
    # What every install of the release has beside it: its updates and its
    # security archive. The host's apt settings (proxy, dates) and CA
    # certificates come along for apt and the npm registry.
    rm -f "$chroot_root"/etc/apt/sources.list.d/*
    : >"$chroot_root/etc/apt/sources.list"
    cat >"$chroot_root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $chroot_mirror
Suites: $chroot_suite $chroot_suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $chroot_security
Suites: $chroot_suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    grep -l '^Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null | xargs -r cp -t "$chroot_root/etc/apt/apt.conf.d/"
    cp /etc/ssl/certs/ca-certificates.crt "$chroot_root/etc/ssl/host-ca-certificates.crt"
    cp /etc/resolv.conf "$chroot_root/etc/resolv.conf" 2>/dev/null || true
    rm -rf "$chroot_tmp"
}

# Chromium and Wine want /proc, /sys, /dev and shared memory.
chroot_mount() {
    chroot_mounted=1
    mount -t proc proc "$chroot_root/proc"
    mount --bind /sys "$chroot_root/sys"
    mount --bind /dev "$chroot_root/dev"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$chroot_root/dev/pts" 2>/dev/null ||
        mount --bind /dev/pts "$chroot_root/dev/pts"
    mount -t tmpfs -o mode=1777 shm "$chroot_root/dev/shm"
}

chroot_run() {  # COMMAND (a bash command line, run as root in a clean environment)
    chroot "$chroot_root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        NODE_EXTRA_CA_CERTS=/etc/ssl/host-ca-certificates.crt \
        bash -c "$1"
}
