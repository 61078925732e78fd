#!/bin/bash
# Builds the release package into a scratch folder, unpacks it and checks
# what a player gets. Arguments: the source folder, the version, the DLL built.
set -euo pipefail
src="$1" version="$2" dll="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "dist_check: $*" >&2; exit 1; }

# Outside a git checkout there is no commit: any fixed date and name serve here.
if ! git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
    export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-315532800} SOURCE_COMMIT=${SOURCE_COMMIT:-none}
fi
DIST_DIR="$work/out" bash "$src/tools/release/dist.sh" "$version" >/dev/null
zip="$work/out/Pacelark-$version-win64.zip"
[ -f "$zip" ] || fail "no $zip"
ls "$work/out" | grep -q tmp && fail "a temporary file was left beside the package"
cmp -s "$work/out/Pacelark.dll" "$dll" || fail "dist/Pacelark.dll is not the one built"
cmp -s "$work/out/Pacelark.ini" "$src/config/Pacelark.ini" || fail "dist/Pacelark.ini is not the sample"
page="$src/build/web/Pacelark-settings.html"
cmp -s "$work/out/Pacelark-settings.html" "$page" || fail "dist/Pacelark-settings.html is not the page built"
# Every file shipped has its sum, and the sums hold.
(cd "$work/out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
listed=$(awk '{print $2}' "$work/out/SHA256SUMS" | sort | tr '\n' ' ')
shipped=$(ls "$work/out" | grep -v '^SHA256SUMS$' | sort | tr '\n' ' ')
[ "$listed" = "$shipped" ] || fail "SHA256SUMS lists '$listed' but dist holds '$shipped'"

names=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "BUILDINFO.txt Pacelark-settings.html Pacelark.dll Pacelark.ini README.txt THIRD-PARTY-NOTICES.txt " ] ||
    fail "the package holds: $names"

mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
cd "$work/unpacked"
cmp -s Pacelark.dll "$dll" || fail "Pacelark.dll is not the one built"
[ "$(head -c 2 Pacelark.dll)" = "MZ" ] || fail "Pacelark.dll is no Windows program file"
cmp -s Pacelark.ini "$src/config/Pacelark.ini" || fail "Pacelark.ini is not the sample"
cmp -s Pacelark-settings.html "$page" || fail "Pacelark-settings.html is not the page built"
# One file that loads nothing from elsewhere: its policy allows no connection.
grep -q "connect-src 'none'" Pacelark-settings.html || fail "Pacelark-settings.html has no strict policy"

# The notices: as loose, Windows line ends, no path of this build, and every
# system archive or object that either link took, named with its package's
# version, as read here from the DLL's link map and the page's link trace.
notices=THIRD-PARTY-NOTICES.txt
cmp -s "$notices" "$work/out/$notices" || fail "dist/$notices is not the one in the zip"
[ -s "$notices" ] || fail "$notices is empty"
[ "$(grep -c $'\r$' "$notices")" = "$(wc -l <"$notices")" ] || fail "$notices has lines without CR LF"
grep -qF "$src" "$notices" && fail "$notices holds the build's path $src"
grep -q "^Pacelark $version: third-party notices"$'\r$' "$notices" || fail "$notices does not name the version"
linked=$(awk '/^Linked in:/ { l = 1 } l && !/^(Linked in:|  )/ { l = 0 } l' "$notices")
taken=$({
    awk '/^Archive member included/ { a = 1; next } /^Discarded input sections/ { a = 0 }
         a && /^\// { sub(/\(.*/, "", $1); print $1 } /^LOAD \/.*\.o$/ { print $2 }' "$(dirname "$dll")/../Pacelark.map"
    awk '/^\// { sub(/\(.*/, ""); print }' "$src/build/web/plk_page.trace"
} | sort -u)
[ -n "$taken" ] || fail "the links took no system archive"
owners=""
for path in $taken; do
    grep -qFw "$(basename "$path")" <<<"$linked" || fail "$notices does not name $(basename "$path") among what is linked in"
    pkg=$(dpkg -S "$(readlink -f "$path")" | sed 's/[:,].*//')
    grep -qF "$(dpkg-query -W -f='${Package} ${Version}' "$pkg")" "$notices" ||
        fail "$notices does not give the version of $pkg"
    owners+=" $pkg"
done
for part in libstdc++ libgcc winpthreads mingw-w64 musl libc++ libc++abi compiler-rt dlmalloc \
    "Emscripten's JavaScript runtime" "GCC RUNTIME LIBRARY EXCEPTION"; do
    grep -qF "$part" "$notices" || fail "$notices does not name $part"
done

# How the notices read a DEP-5 file: the last stanza whose pattern matches a
# source file whole covers it, so does an earlier one naming it, and a member
# without debugging information ("") is matched by "*" alone.
/usr/bin/python3 - "$src/tools/release" <<'PY' || fail "notices.py covers source files with the wrong stanzas"
import sys
sys.path.insert(0, sys.argv[1])
import notices
text = "".join(f"\nFiles: {files}\nCopyright: {who}\nLicense: {terms}\n" for files, who, terms in (
    ("*", "A", "Expat"), ("lib/gdtoa/* lib/pformat.c", "B", "Lucent"),
    ("lib/pformat.*", "C", "KM"), ("lib/x.c lib/y/*", "D", "Other")))
dep5 = notices.Dep5("test", "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n" + text)
out = dep5.stanzas(["lib/pformat.c", "lib/x.cpp", "", "lib/gdtoa/a.c"])
got = [(block.split()[0], block.split("\n\n", 1)[1].split("    Copyright")[0]) for block in out.split("\nFor ")[1:]]
want = [("2", "    Files: *\n"), ("2", "    Files: lib/gdtoa/*\n           lib/pformat.c\n"),
        ("1", "    Files: lib/pformat.*\n")]
assert got == want, got
assert dep5.needed == {"expat", "lucent", "km"}, dep5.needed
PY

# BUILDINFO.txt: as loose; this checkout's commit, release and architecture;
# the sum of every other file; and the exact version of every package whose
# files go into the bytes: those the links took archives from, and those of
# the compilers, linker and tools the build runs.
info=BUILDINFO.txt
cmp -s "$info" "$work/out/$info" || fail "dist/$info is not the one in the zip"
grep -qF "$src" "$info" && fail "$info holds the build's path $src"
field() { awk -v f="$1" 'index($0, f ": ") == 1 { print substr($0, length(f) + 3); exit }' "$info"; }
head=$(git -C "$src" rev-parse HEAD 2>/dev/null || echo none)
[[ "$(field Source-Commit)" =~ ^$head(\+modified)?$ ]] || fail "$info names the commit '$(field Source-Commit)', not $head"
[ "$(field Version)" = "$version" ] || fail "$info does not name version $version"
[ "$(field Build-Suite)/$(field Build-Architecture)" = "$(. /etc/os-release && echo "$VERSION_CODENAME")/$(dpkg --print-architecture)" ] ||
    fail "$info names $(field Build-Suite)/$(field Build-Architecture), not this machine's release and architecture"
sums=$(awk '/^Checksums-Sha256:/ { l = 1; next } /^[^ ]/ { l = 0 } l { print $1 "  " $3 }' "$info")
[ "$(awk '{ print $2 }' <<<"$sums" | LC_ALL=C sort | tr '\n' ' ')" = "${names/BUILDINFO.txt /}" ] ||
    fail "$info gives the sums of $(awk '{ print $2 }' <<<"$sums" | tr '\n' ' ')"
sha256sum --quiet -c <<<"$sums" || fail "$info's sums do not hold"
for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-ld emcc wasm-opt esbuild node zip msgcat llvm-dwarfdump; do
    path=$(readlink -f "$(command -v "$tool")")
    owners+=" $(dpkg -S "$path" 2>/dev/null | sed 's/[:,].*//')" || fail "$tool ($path) is of no Debian package"
done
depends=$(awk '/^Installed-Build-Depends:/ { l = 1; next } /^[^ ]/ { l = 0 } l { sub(/^ /, ""); sub(/,$/, ""); print }' "$info")
for pkg in $(tr ' ' '\n' <<<"$owners" | sort -u); do
    grep -qxF "$(dpkg-query -W -f='${Package} (= ${Version})' "$pkg")" <<<"$depends" ||
        fail "$info does not give the version of $pkg"
done

# The readme: Windows line ends, the version, where the files go, every
# setting, the keys, and what to do when settings seem ignored.
[ "$(grep -c $'\r$' README.txt)" = "$(wc -l <README.txt)" ] || fail "README.txt has lines without CR LF"
# Notepad shows every language of a UTF-8 file with a byte-order mark; a line
# per catalog, English first, each naming the page, before the title.
[ "$(head -c 3 README.txt | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt does not start with a byte-order mark"
catalogs=$(ls "$src"/tools/lang/*.po | wc -l)
lines=$(tail -c +4 README.txt | sed -n "1,$((catalogs + 1))p")
[ "$(head -1 <<<"$lines")" = "For help in English, open Pacelark-settings.html in your browser."$'\r' ] ||
    fail "README.txt does not open with the English line: $(head -1 <<<"$lines")"
[ "$(grep -c 'Pacelark-settings.html' <<<"$lines")" = $((catalogs + 1)) ] ||
    fail "README.txt does not open with one line per language naming the page: $lines"
[ "$(sed -n "$((catalogs + 3)),$((catalogs + 4))p" README.txt)" = "Pacelark $version"$'\r\n'"$(printf '=%.0s' $(seq ${#version}))========="$'\r' ] ||
    fail "README.txt's title is not 'Pacelark $version', underlined, after the language lines"
grep -q "ScriptHookFRTR.dll" README.txt || fail "README.txt does not say where the files go"
grep -q "Pacelark-settings.html" README.txt || fail "README.txt does not say how to use the settings page"
for key in $(grep -o '^[A-Z_]*=' "$src/config/Pacelark.ini" | tr -d =); do
    grep -q "$key" README.txt || fail "README.txt does not explain $key"
done
for k in F10 F11 F8; do grep -q "^ *$k " README.txt || fail "README.txt does not list the $k key"; done
echo "package ok: $(basename "$zip")"
