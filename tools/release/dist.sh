#!/bin/bash
# The release package: the DLL, the sample settings and the players' readme,
# in dist/Pacelark-VERSION-win64.zip (DIST_DIR chooses another folder), the
# files a player copies loose beside it, and a SHA256SUMS file over them all.
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
# What dist/ ships, each with its SHA-256, checkable with `sha256sum -c SHA256SUMS`.
shipped=("$(basename "$zip")" Pacelark.dll Pacelark.ini)
(cd "$dir" && sha256sum "${shipped[@]}" >SHA256SUMS.tmp && mv -f SHA256SUMS.tmp SHA256SUMS)
for f in "${shipped[@]}" SHA256SUMS; do echo "$dir/$f"; done
