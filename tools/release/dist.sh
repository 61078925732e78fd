#!/bin/bash
# The release package: the DLL, the sample settings, the settings page and the
# players' readme, in dist/Pacelark-VERSION-win64.zip (DIST_DIR chooses another
# folder), the files a player copies and the page loose beside it, and a
# SHA256SUMS file over them all.
set -euo pipefail
cd "$(dirname "$0")/../.."
version="${1:?usage: dist.sh VERSION}"
dir="${DIST_DIR:-dist}"
zip="$dir/Pacelark-$version-win64.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
page=build/web/Pacelark-settings.html
[ -f "$page" ] || { echo "dist.sh: $page is missing: build the settings page first (make web)" >&2; exit 1; }
cp build/windows/bin/Pacelark.dll "$stage/Pacelark.dll"
cp config/Pacelark.ini "$stage/Pacelark.ini"
cp "$page" "$stage/Pacelark-settings.html"
# Players open it in Notepad: Windows line ends.
sed 's/\r\?$/\r/' tools/release/players-readme.txt >"$stage/README.txt"
mkdir -p "$dir"
zip=$(cd "$dir" && pwd)/$(basename "$zip")
rm -f "$zip.tmp"
(cd "$stage" && zip -q -X "$zip.tmp" Pacelark.dll Pacelark.ini Pacelark-settings.html README.txt)
mv -f "$zip.tmp" "$zip"
# The two files a player copies and the settings page, also loose beside the zip.
for f in Pacelark.dll Pacelark.ini Pacelark-settings.html; do
    cp "$stage/$f" "$dir/$f.tmp" && mv -f "$dir/$f.tmp" "$dir/$f"
done
# What dist/ ships, each with its SHA-256, checkable with `sha256sum -c SHA256SUMS`.
shipped=("$(basename "$zip")" Pacelark.dll Pacelark.ini Pacelark-settings.html)
(cd "$dir" && sha256sum "${shipped[@]}" >SHA256SUMS.tmp && mv -f SHA256SUMS.tmp SHA256SUMS)
for f in "${shipped[@]}" SHA256SUMS; do echo "$dir/$f"; done
