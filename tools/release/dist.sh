#!/bin/bash
# The release package: the DLL, the sample settings and the players' readme,
# in dist/Pacelark-VERSION-win64.zip (DIST_DIR chooses another folder).
set -euo pipefail
cd "$(dirname "$0")/../.."
version="${1:?usage: dist.sh VERSION}"
dir="${DIST_DIR:-dist}"
zip="$dir/Pacelark-$version-win64.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build/windows/bin/Pacelark.dll "$stage/Pacelark.dll"
cp config/Pacelark.ini "$stage/Pacelark.ini"
# Players open it in Notepad: Windows line ends.
sed 's/\r\?$/\r/' tools/release/players-readme.txt >"$stage/README.txt"
mkdir -p "$dir"
zip=$(cd "$dir" && pwd)/$(basename "$zip")
rm -f "$zip.tmp"
(cd "$stage" && zip -q -X "$zip.tmp" Pacelark.dll Pacelark.ini README.txt)
mv -f "$zip.tmp" "$zip"
# The two files a player copies, also loose beside the zip.
cp "$stage/Pacelark.dll" "$dir/Pacelark.dll.tmp" && mv -f "$dir/Pacelark.dll.tmp" "$dir/Pacelark.dll"
cp "$stage/Pacelark.ini" "$dir/Pacelark.ini.tmp" && mv -f "$dir/Pacelark.ini.tmp" "$dir/Pacelark.ini"
echo "$dir/$(basename "$zip")"
echo "$dir/Pacelark.dll"
echo "$dir/Pacelark.ini"
