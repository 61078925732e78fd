#!/bin/bash
# What a newcomer meets: a bare Debian (minbase with git, make and
# ca-certificates, made by Debian's own debootstrap, with the release's updates
# and security sources) in a chroot, where a clone of one commit runs `make
# test` as root and installs all it needs. A chroot allows no user namespace,
# so this is also where a build that leans on one would fail.
#
# usage: fresh_machine.sh [COMMIT]      (default HEAD, of this checkout)
# env:   SUITE      the Debian release: bookworm (default) or trixie
#        FRESH_DIR  where the chroot goes (default: a new folder in /var/tmp,
#                   removed at the end)
#        FRESH_KEEP=1  keep the chroot (to look inside, or run again in it)
#        FRESH_TARGETS what to make in it, one after the other (default: test;
#                      "demo test" for both commands)
# Needs root. The Debian mirror and the CA certificates are this machine's.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
suite=${SUITE:-bookworm}
[ "$(id -u)" = 0 ] || { echo "fresh_machine: run as root (debootstrap, mount and chroot need it)" >&2; exit 2; }
commit=$(git -C "$src" rev-parse --verify --quiet "${1:-HEAD}^{commit}") ||
    { echo "fresh_machine: no commit '${1:-HEAD}' in $src" >&2; exit 2; }
log="$src/build/fresh-machine-$suite.log"
mkdir -p "$src/build"
source "$src/tools/release/debian-chroot.sh"

root=${FRESH_DIR:-}
[ -n "$root" ] || { [ "$(id -u)" = 0 ] && root=$(mktemp -d "/var/tmp/pacelark-fresh-$suite.XXXXXX"); } || true
CHROOT_KEEP=${FRESH_KEEP:-0}
trap chroot_cleanup EXIT
trap 'exit 130' INT TERM
start=$(date +%s)
chroot_setup fresh_machine "$suite" "${root:-/nonexistent}"
chroot_mount

rm -rf "$chroot_root/root/pacelark"
git clone --quiet --no-local "$src" "$chroot_root/root/pacelark"
git -C "$chroot_root/root/pacelark" checkout --quiet "$commit"
# Each line of the log carries the seconds since the start, so the stages'
# times can be read off it: installs, each build, each suite.
stamp() { while IFS= read -r line; do printf '%5d %s\n' $(($(date +%s) - start)) "$line"; done; }
status=0
: >"$log"
for target in ${FRESH_TARGETS:-test}; do
    echo "== make $target in a bare $suite, commit $(git -C "$src" log -1 --format='%h %s' "$commit")"
    chroot_run "cd /root/pacelark && make $target" 2>&1 | stamp | tee -a "$log" | cut -c7- || status=$?
    [ "$status" = 0 ] || break
done
echo "== stages (minutes:seconds)"
bash "$src/tests/tools/stage_times.sh" "$log"
echo "== fresh machine ($suite): make ${FRESH_TARGETS:-test} $([ "$status" = 0 ] && echo passed || echo "FAILED ($status)")" \
    "in $(( ($(date +%s) - start) / 60 )) min; log: $log"
exit "$status"
