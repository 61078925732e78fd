#!/bin/bash
# The release rebuilds bit for bit. The shipped targets, Pacelark.dll and the
# settings page, built again from a copy of the sources in a folder whose path
# has another length, as the system runs any build (address randomisation as
# it is set, no namespace), give the bytes of the build at hand; the package
# made from each tree, the second time with another umask and time zone and
# without git (the commit as BUILDINFO.txt named it the first time), gives
# the same zip and SHA256SUMS, with every entry dated the release date.
# Arguments: the source folder (build/windows and build/web built), build jobs.
set -euo pipefail
src=$(cd "$1" && pwd) jobs=${2:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release_check: $*" >&2; exit 1; }

version=$(awk '/^project/ {print $3}' "$src/CMakeLists.txt")
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || true)}
[ -n "$epoch" ] || epoch=315532800  # not a git checkout: any fixed date serves

other="$work/another-folder/Pacelark"
[ ${#other} != ${#src} ] || other="$other-2"
mkdir -p "$other"
tar -C "$src" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$other" -xf -
log="$work/build.log"
build() {  # build PRESET TARGET
    (cd "$other" && cmake --preset "$1" && cmake --build "build/$1" --target "$2" -j "$jobs") >>"$log" 2>&1 ||
        { cat "$log" >&2; fail "the $1 build in $other failed"; }
}
build windows Pacelark
build web settings_page
same() {
    cmp -s "$1" "$2" ||
        fail "$(basename "$1") differs between the two builds in $(cmp -l "$1" "$2" 2>/dev/null | wc -l) bytes"
}
same "$src/build/windows/bin/Pacelark.dll" "$other/build/windows/bin/Pacelark.dll"
same "$src/build/web/Pacelark-settings.html" "$other/build/web/Pacelark-settings.html"

git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || export SOURCE_COMMIT=${SOURCE_COMMIT:-none}
SOURCE_DATE_EPOCH=$epoch DIST_DIR="$work/one" bash "$src/tools/release/dist.sh" "$version" >/dev/null
commit=$(awk '/^Source-Commit:/ { print $2 }' "$work/one/BUILDINFO.txt")
(umask 077 && SOURCE_DATE_EPOCH=$epoch SOURCE_COMMIT=$commit TZ=Pacific/Kiritimati DIST_DIR="$work/two" \
    bash "$other/tools/release/dist.sh" "$version" >/dev/null)
for f in $(ls "$work/one") ; do same "$work/one/$f" "$work/two/$f"; done
[ "$(ls "$work/one")" = "$(ls "$work/two")" ] || fail "the two packages hold different files"

# Every entry: the release date (zip rounds up to even seconds), mode 644.
date=$(TZ=UTC date -d "@$(((epoch + 1) / 2 * 2))" +%Y%m%d.%H%M%S)
entries=$(TZ=UTC zipinfo -T "$work/two/Pacelark-$version-win64.zip" | awk 'NF == 8 && $1 ~ /^-/')
[ "$(wc -l <<<"$entries")" = 6 ] || fail "the zip holds other than six files: $entries"
bad=$(awk -v d="$date" '$1 != "-rw-r--r--" || $7 != d' <<<"$entries")
[ -z "$bad" ] || fail "zip entries not dated $date with mode 644: $bad"
echo "release ok: Pacelark.dll, the settings page and the package rebuild bit for bit"
