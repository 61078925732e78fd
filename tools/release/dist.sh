#!/bin/bash
# The release package: the DLL, the sample settings, the settings page and the
# players' readme, in dist/Pacelark-VERSION-win64.zip (DIST_DIR chooses another
# folder), the files a player copies and the page loose beside it, and a
# SHA256SUMS file over them all.
#
# The same commit gives the same bytes in any folder, at any time, for any
# user: every file in the zip carries the release date (SOURCE_DATE_EPOCH, or
# else the commit's time), mode 644, in a fixed order, with no extra fields.
set -euo pipefail
cd "$(dirname "$0")/../.."
version="${1:?usage: dist.sh VERSION}"
dir="${DIST_DIR:-dist}"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || true)
    [ -n "$SOURCE_DATE_EPOCH" ] ||
        { echo "dist.sh: no release date: build from a git checkout or set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
zip="$dir/Pacelark-$version-win64.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
page=build/web/Pacelark-settings.html
[ -f "$page" ] || { echo "dist.sh: $page is missing: build the settings page first (make web)" >&2; exit 1; }
cp build/windows/bin/Pacelark.dll "$stage/Pacelark.dll"
cp config/Pacelark.ini "$stage/Pacelark.ini"
cp "$page" "$stage/Pacelark-settings.html"
# Players open it in Notepad: Windows line ends. Its title names the version;
# the licence closes it.
{ cat tools/release/players-readme.txt; printf '\n\nLicence\n-------\n\n'; cat LICENSE; } | awk -v version="$version" '
    { sub(/\r$/, "") }
    NR == 1 { sub(/@VERSION@/, version); title = $0 }
    NR == 2 && /^=+$/ { $0 = title; gsub(/./, "=") }
    { printf "%s\r\n", $0 }' >"$stage/README.txt"
packed=(Pacelark.dll Pacelark.ini Pacelark-settings.html README.txt)
(cd "$stage" && chmod 644 "${packed[@]}" && touch -d "@$SOURCE_DATE_EPOCH" "${packed[@]}")
mkdir -p "$dir"
zip=$(cd "$dir" && pwd)/$(basename "$zip")
rm -f "$zip.tmp"
# zip writes local times: in UTC they are the same everywhere.
(cd "$stage" && TZ=UTC zip -q -X "$zip.tmp" "${packed[@]}")
mv -f "$zip.tmp" "$zip"
# The two files a player copies and the settings page, also loose beside the zip.
for f in Pacelark.dll Pacelark.ini Pacelark-settings.html; do
    cp "$stage/$f" "$dir/$f.tmp" && mv -f "$dir/$f.tmp" "$dir/$f"
done
# What dist/ ships, each with its SHA-256, checkable with `sha256sum -c SHA256SUMS`.
shipped=("$(basename "$zip")" Pacelark.dll Pacelark.ini Pacelark-settings.html)
(cd "$dir" && sha256sum "${shipped[@]}" >SHA256SUMS.tmp && mv -f SHA256SUMS.tmp SHA256SUMS)
for f in "${shipped[@]}" SHA256SUMS; do echo "$dir/$f"; done
