#!/bin/bash
# The release package: the DLL, the sample settings, the settings page, the
# players' readme, the third-party notices and BUILDINFO.txt, in
# dist/Pacelark-VERSION-win64.zip (DIST_DIR chooses another folder), the files
# a player copies, the page, the notices and BUILDINFO.txt loose beside it, and
# a SHA256SUMS file over them all.
#
# The same commit gives the same bytes in any folder, at any time, for any
# user, on the same Debian release: every file in the zip carries the release
# date (SOURCE_DATE_EPOCH, or else the commit's time), mode 644, in a fixed
# order, with no extra fields. BUILDINFO.txt names the commit (SOURCE_COMMIT,
# or else HEAD, "+modified" when the tree differs from it), the release and
# the package versions, so the bytes can be rebuilt elsewhere
# (tools/release/verify.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
version="${1:?usage: dist.sh VERSION}"
dir="${DIST_DIR:-dist}"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || true)
    [ -n "$SOURCE_DATE_EPOCH" ] ||
        { echo "dist.sh: no release date: build from a git checkout or set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
if [ -z "${SOURCE_COMMIT:-}" ]; then
    SOURCE_COMMIT=$(git rev-parse --verify --quiet HEAD 2>/dev/null) ||
        { echo "dist.sh: no commit: build from a git checkout or set SOURCE_COMMIT" >&2; exit 1; }
    [ -z "$(git status --porcelain 2>/dev/null)" ] || SOURCE_COMMIT+="+modified"
fi
zip="$dir/Pacelark-$version-win64.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
page=build/web/Pacelark-settings.html
[ -f "$page" ] || { echo "dist.sh: $page is missing: build the settings page first (make web)" >&2; exit 1; }
cp build/windows/bin/Pacelark.dll "$stage/Pacelark.dll"
cp config/Pacelark.ini "$stage/Pacelark.ini"
cp "$page" "$stage/Pacelark-settings.html"
# Players open it in Notepad: UTF-8 with a byte-order mark, so it shows every
# language, and Windows line ends. It opens with one line per language (the
# catalogs found, English first) pointing at the settings page; its title
# names the version; the licence closes it, with a pointer to the other
# projects' terms.
{
    bash tools/lang/message.sh "language.readme" | cut -f2- | sed 's/{page}/Pacelark-settings.html/g'
    echo
    cat tools/release/players-readme.txt
    printf '\n\nLicence\n-------\n\n'
    cat LICENSE
    printf '\n%s\n%s\n' "Pacelark.dll and Pacelark-settings.html also contain code of other projects," \
        "each under its own terms: THIRD-PARTY-NOTICES.txt names them and their terms."
} | awk -v version="$version" '
    BEGIN { printf "\357\273\277" }
    { sub(/\r$/, "") }
    /@VERSION@/ { sub(/@VERSION@/, version); title = $0; titled = NR }
    titled && NR == titled + 1 && /^=+$/ { $0 = title; gsub(/./, "=") }
    { printf "%s\r\n", $0 }' >"$stage/README.txt"
# What the DLL and the page link in, read from their links (build/windows and
# build/web), with each component's version and terms; Windows line ends too.
bash tools/release/notices.sh "$version" build/windows/Pacelark.map build/web/plk_page.trace |
    awk '{ printf "%s\r\n", $0 }' >"$stage/THIRD-PARTY-NOTICES.txt"
# What built them: the commit, the release, each file's sum, and the version of
# every package the release build installs (the Makefile's DIST_PACKAGES) and
# of all they depend on.
built=(Pacelark.dll Pacelark.ini Pacelark-settings.html README.txt THIRD-PARTY-NOTICES.txt)
roots=$(MAKEFLAGS='' make -s --no-print-directory dist-packages)
# shellcheck disable=SC2086  # one package name a word
/usr/bin/python3 tools/release/buildinfo.py "$version" "$SOURCE_COMMIT" "$SOURCE_DATE_EPOCH" \
    "$stage" "${built[@]}" -- $roots >"$stage/BUILDINFO.txt"
packed=("${built[@]}" BUILDINFO.txt)
(cd "$stage" && chmod 644 "${packed[@]}" && touch -d "@$SOURCE_DATE_EPOCH" "${packed[@]}")
mkdir -p "$dir"
zip=$(cd "$dir" && pwd)/$(basename "$zip")
rm -f "$zip.tmp"
# zip writes local times: in UTC they are the same everywhere.
(cd "$stage" && TZ=UTC zip -q -X "$zip.tmp" "${packed[@]}")
mv -f "$zip.tmp" "$zip"
# The two files a player copies, the settings page, the notices and what built
# them, also loose beside the zip.
loose=(Pacelark.dll Pacelark.ini Pacelark-settings.html THIRD-PARTY-NOTICES.txt BUILDINFO.txt)
for f in "${loose[@]}"; do
    cp "$stage/$f" "$dir/$f.tmp" && mv -f "$dir/$f.tmp" "$dir/$f"
done
# What dist/ ships, each with its SHA-256, checkable with `sha256sum -c SHA256SUMS`.
shipped=("$(basename "$zip")" "${loose[@]}")
(cd "$dir" && sha256sum "${shipped[@]}" >SHA256SUMS.tmp && mv -f SHA256SUMS.tmp SHA256SUMS)
for f in "${shipped[@]}" SHA256SUMS; do echo "$dir/$f"; done
