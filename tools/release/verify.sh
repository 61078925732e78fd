#!/bin/bash
# verify.sh ZIP: rebuilds a published release where it was built and compares.
# Reads the zip's BUILDINFO.txt, makes a bare chroot of the Debian release and
# architecture it names (debian-chroot.sh), checks out the commit it names
# from this clone, runs `make dist` there with the release date it names,
# names every package whose version differs from the one it records (a mirror
# serves only a release's current versions), and says that every file in the
# zip is the same, byte for byte, or which file differs first and in how many
# bytes.
#
# env:  VERIFY_DIR   the chroot (default: a new folder in /var/tmp, removed at
#                    the end); one kept from before is built in again
#       VERIFY_KEEP=1  keep it
# Exit: 0 the same, 1 a file differs, 2 no verdict (bad input, no build);
# through make, any but 0 is make's 2.
# Needs root, git, unzip, debootstrap and Debian's archive keyring; runs no
# package manager of the host's and leaves nothing mounted.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "verify-release: $*" >&2; exit 2; }
zip=${1:-}
[ -n "$zip" ] || fail "usage: make verify-release ZIP=Pacelark-VERSION-win64.zip"
[ -f "$zip" ] || fail "$zip: no such file"
[ "$(id -u)" = 0 ] || fail "run as root (debootstrap, mount and chroot need it)"
for t in git unzip; do command -v "$t" >/dev/null || fail "$t not found (install the package $t)"; done
zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. The zip and what it says of its build.
names=$(unzip -Z1 "$zip" 2>/dev/null) || fail "$zip is not a zip archive"
grep -qx BUILDINFO.txt <<<"$names" ||
    fail "$zip holds no BUILDINFO.txt: it does not say what built it, so nothing can rebuild it"
if ! unzip -tqq "$zip" >/dev/null 2>&1; then
    bad=$(unzip -t "$zip" 2>&1 | awk '/testing:/ && !/OK$/ { print $2; exit }' || true)
    fail "$zip is damaged: ${bad:-an entry} fails its check (CRC): it is not the file that was packed"
fi
unzip -p "$zip" BUILDINFO.txt >"$work/release.buildinfo"
field() {  # NAME [FILE]: a one-line field's value
    awk -v f="$1" 'index($0, f ":") == 1 { sub(/^[^:]*:[ \t]*/, ""); print; exit }' "${2:-$work/release.buildinfo}"
}
for f in Version Source-Commit Source-Date-Epoch Build-Origin Build-Suite Build-Architecture; do
    [ -n "$(field "$f")" ] || fail "BUILDINFO.txt has no $f field: it does not say what to rebuild"
done
grep -q '^Installed-Build-Depends:' "$work/release.buildinfo" ||
    fail "BUILDINFO.txt has no Installed-Build-Depends field: it does not say what to rebuild"
version=$(field Version) commit=$(field Source-Commit) epoch=$(field Source-Date-Epoch)
suite=$(field Build-Suite) arch=$(field Build-Architecture)
[ "$(field Build-Origin)" = Debian ] || fail "BUILDINFO.txt names $(field Build-Origin), not Debian: this rebuilds on Debian only"
[[ "$commit" != *+modified ]] ||
    fail "BUILDINFO.txt says the zip was built from changed sources of ${commit%+modified}: no commit holds them"
[[ "$commit" =~ ^[0-9a-f]{40}$ ]] || fail "BUILDINFO.txt's Source-Commit '$commit' is no commit name"
[[ "$epoch" =~ ^[0-9]+$ ]] || fail "BUILDINFO.txt's Source-Date-Epoch '$epoch' is no time"
here=$(dpkg --print-architecture 2>/dev/null ||
    case $(uname -m) in x86_64) echo amd64 ;; aarch64) echo arm64 ;; *) uname -m ;; esac)
[ "$arch" = "$here" ] || fail "BUILDINFO.txt names the architecture $arch; this machine builds $here: verify on $arch"
[ -n "$(git -C "$src" for-each-ref --contains "$commit" 2>/dev/null | head -n1)" ] ||
    fail "commit $commit is not in this clone ($src): fetch the release's branch or tag first"

# 2. The build, in a chroot of that release, from that commit.
source "$src/tools/release/debian-chroot.sh"
root=${VERIFY_DIR:-}
[ -n "$root" ] || { [ "$(id -u)" = 0 ] && root=$(mktemp -d "/var/tmp/pacelark-verify-$suite.XXXXXX"); } || true
CHROOT_KEEP=${VERIFY_KEEP:-0} CHROOT_ARCH=$arch
trap 'chroot_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
chroot_setup verify-release "$suite" "${root:-/nonexistent}"
chroot_mount
tree="$chroot_root/root/pacelark"
rm -rf --one-file-system "$tree"
git init --quiet "$tree"
git -C "$tree" fetch --quiet --no-tags "$src" '+refs/*:refs/source/*'
git -C "$tree" -c advice.detachedHead=false checkout --quiet "$commit"
log="$src/build/verify-release.log"
mkdir -p "$src/build"
echo "== make dist in $suite ($arch), commit $(git -C "$src" log -1 --format='%h %s' "$commit" | cut -c1-60); log: $log"
start=$(date +%s)
status=0
chroot_run "cd /root/pacelark && SOURCE_DATE_EPOCH=$epoch make dist" >"$log" 2>&1 || status=$?
took=$(( $(date +%s) - start ))
echo "== make dist took $((took / 60)) min $((took % 60)) s"

# 3. The packages: each BUILDINFO.txt recorded against what is here (the
# rebuild's own record, or else what dpkg says of those recorded).
depends() {  # BUILDINFO: "PACKAGE VERSION" a line
    awk '/^Installed-Build-Depends:/ { l = 1; next } /^[^ ]/ { l = 0 }
         l { gsub(/[ ,()=]+/, " "); print $1, $2 }' "$1" | sort
}
depends "$work/release.buildinfo" >"$work/recorded"
if [ -f "$tree/dist/BUILDINFO.txt" ] && [ "$status" = 0 ]; then
    depends "$tree/dist/BUILDINFO.txt" >"$work/here"
else
    # shellcheck disable=SC2016  # dpkg-query's fields, not the shell's
    chroot_run "dpkg-query -W -f='\${binary:Package} \${Version} \${db:Status-Status}\n' $(cut -d' ' -f1 "$work/recorded" | tr '\n' ' ') 2>/dev/null" |
        awk -v a=":$arch" '$3 == "installed" { sub(a "$", "", $1); print $1, $2 }' | sort >"$work/here" || true
fi
join -a1 -a2 -e - -o 0,1.2,2.2 "$work/recorded" "$work/here" | awk '$2 != $3' >"$work/changed"
while read -r pkg was now; do
    case "$was:$now" in
    -:*) echo "   $pkg: not in the release's record, $now here" ;;
    *:-) echo "   $pkg: $was in the release, not here" ;;
    *) echo "   $pkg: $was in the release, $now here" ;;
    esac
done <"$work/changed"
echo "== $(wc -l <"$work/recorded") packages recorded, $(wc -l <"$work/changed") of them otherwise here"
[ "$status" = 0 ] || { tail -n 15 "$log" >&2; fail "make dist failed in the $suite chroot (status $status): see $log"; }

# 4. Every file, in the zip's order.
rebuilt="$tree/dist/Pacelark-$version-win64.zip"
[ -f "$rebuilt" ] || fail "the rebuild made no $(basename "$rebuilt")"
mkdir "$work/a" "$work/b"
unzip -q "$zip" -d "$work/a" && unzip -q "$rebuilt" -d "$work/b"
[ "$names" = "$(unzip -Z1 "$rebuilt")" ] ||
    { echo "verify-release: the release holds $(tr '\n' ' ' <<<"$names")but the rebuild $(unzip -Z1 "$rebuilt" | tr '\n' ' ')"; exit 1; }
differs() {  # FILE: how it differs from the rebuilt one, or nothing
    local a="$work/a/$1" b="$work/b/$1" n first
    cmp -s "$a" "$b" && return 0
    # cmp counts from 1; past the shorter file's end it says "EOF ... after byte N".
    n=$(cmp -l "$a" "$b" 2>/dev/null | wc -l)
    first=$(cmp "$a" "$b" 2>&1 | awk '{ for (i = 1; i < NF; i++) if ($i == "byte") { n = $(i + 1) + 0
                                     print /EOF/ ? n + 1 : n; exit } }')
    [ "$(stat -c %s "$a")" = "$(stat -c %s "$b")" ] ||
        n="$n (and its length: $(stat -c %s "$a") bytes against $(stat -c %s "$b"))"
    echo "$1 differs from the rebuild in $n byte$([ "${n%% *}" = 1 ] || echo s)${first:+, the first at byte $first}"
}
for f in $names; do
    [ "$f" = BUILDINFO.txt ] && continue
    d=$(differs "$f")
    [ -z "$d" ] || { echo "verify-release: $d"; exit 1; }
done
# BUILDINFO.txt: the same but for the versions named above.
strip() { awk '/^Installed-Build-Depends:/ { l = 1 } /^[^ ]/ && !/^Installed-Build-Depends:/ { l = 0 } !l' "$1"; }
cmp -s <(strip "$work/a/BUILDINFO.txt") <(strip "$work/b/BUILDINFO.txt") ||
    { echo "verify-release: BUILDINFO.txt differs from the rebuild's beyond the package versions:"; \
      diff <(strip "$work/a/BUILDINFO.txt") <(strip "$work/b/BUILDINFO.txt") | grep '^[<>]' | head -n 6; exit 1; }
built="the release of commit ${commit:0:12} rebuilt on Debian $suite ($arch)"
if cmp -s "$work/a/BUILDINFO.txt" "$work/b/BUILDINFO.txt"; then
    d=$(cmp -s "$zip" "$rebuilt" || echo "the zip itself differs in $(cmp -l "$zip" "$rebuilt" 2>/dev/null | wc -l) bytes")
    [ -z "$d" ] || { echo "verify-release: every file in it is the same, but $d"; exit 1; }
    echo "verify-release: $(basename "$zip") is $built: all $(wc -w <<<"$names") files the same, byte for byte, and the zip too"
else
    echo "verify-release: $(basename "$zip") is $built: all $(($(wc -w <<<"$names") - 1)) files built the same," \
        "byte for byte; BUILDINFO.txt differs in the package versions named above alone"
fi
