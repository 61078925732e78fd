#!/bin/bash
# notices.sh VERSION DLL_MAP PAGE_TRACE: the release's third-party notices on
# standard output, with LF line ends (dist.sh makes them CR LF).
#
# What each shipped file links in is read from its own link: the DLL's linker
# map and the page's linker trace name every system object and archive member
# taken; each member's debugging information names the source file it was
# compiled from; the Debian package that holds the archive gives the version,
# and its copyright file the terms that cover those source files. This part
# gathers those facts; notices.py writes the notices from them, reading the
# copyright files with python3-debian. The same build gives the same bytes:
# lists are sorted and no build path goes in.
set -euo pipefail
export LC_ALL=C
version="${1:?usage: notices.sh VERSION DLL_MAP PAGE_TRACE}" map="${2:?}" trace="${3:?}"
for f in "$map" "$trace"; do
    [ -s "$f" ] || { echo "notices.sh: $f is missing or empty: build first" >&2; exit 1; }
done
die() { echo "notices.sh: $*" >&2; exit 1; }
# llvm-ar and llvm-dwarfdump come with Debian's llvm, whichever version the
# release calls llvm; the first python3 in PATH may not be Debian's.
ar=llvm-ar dwarfdump=llvm-dwarfdump python=/usr/bin/python3
for t in "$ar:llvm" "$dwarfdump:llvm" "dpkg-query:dpkg" "$python:python3"; do
    command -v "${t%:*}" >/dev/null || die "${t%:*} not found (Debian package ${t#*:})"
done
"$python" -c 'import debian.copyright' 2>/dev/null ||
    die "$python cannot import debian.copyright (Debian package python3-debian)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. What each link took: "TARGET<TAB>PATH<TAB>MEMBER" (MEMBER empty for a
# plain object). Relative paths are the project's own objects and import
# library: not third-party.
{
    awk '/^Archive member included/ { a = 1; next }
         /^(Discarded input sections|Memory Configuration)/ { a = 0 }
         a && /^\// { print $1 }
         /^LOAD \// && $2 ~ /\.o$/ { print $2 }' "$map" | sed 's/^/Pacelark.dll\t/'
    awk '/^\// { print $1 }' "$trace" | sed 's/^/Pacelark-settings.html\t/'
} | awk -F '\t' '{
        path = $2; member = ""
        if (path ~ /\)$/) { member = path; sub(/^[^(]*\(/, "", member); sub(/\)$/, "", member); sub(/\(.*$/, "", path) }
        print $1 "\t" path "\t" member
    }' | sort -u >"$work/taken.raw"
[ -s "$work/taken.raw" ] || die "no system object in $map or $trace"
# ../ in the toolchain's paths resolved, as dpkg knows them.
while IFS=$'\t' read -r target path member; do
    printf '%s\t%s\t%s\n' "$target" "$(readlink -f "$path")" "$member"
done <"$work/taken.raw" | sort -u >"$work/taken"

# 2. Each archive's or object's package, and each member's source file.
cut -f2 "$work/taken" | sort -u >"$work/paths"
# One query for all ("PACKAGE[:ARCH][, ...]: PATH"): dpkg -S is slow to start.
xargs dpkg -S <"$work/paths" 2>/dev/null | grep -v '^diversion' |
    sed -n 's/^\([^:, ]*\)[^ ]*: \(.*\)$/\2\t\1/p' >"$work/owners" || true
n=0
while read -r path; do
    n=$((n + 1))
    pkg=$(awk -F '\t' -v p="$path" '$1 == p { print $2; exit }' "$work/owners")
    [ -n "$pkg" ] || die "$path belongs to no Debian package"
    dir="$work/x/$n"
    mkdir -p "$dir"
    members=$(awk -F '\t' -v p="$path" '$2 == p && $3 != "" { print $3 }' "$work/taken")
    if [ -n "$members" ]; then
        # shellcheck disable=SC2086  # member names hold no blanks
        (cd "$dir" && $ar x "$path" $members)
    else
        cp "$path" "$dir/"
    fi
    # The first compile unit's file, relative to the source tree.
    $dwarfdump --debug-info --recurse-depth=0 "$dir"/* 2>/dev/null | awk -v dir="$dir/" '
        function flush() { if (f != "") print f "\t" src(name, cdir) }
        function src(s, d) {
            if (d != "" && index(s, d "/") == 1) s = substr(s, length(d) + 2)
            sub(/^(\.\/)+/, "", s)
            return s
        }
        function value(s) { sub(/^[^(]*\("/, "", s); sub(/"\)[ \t]*$/, "", s); return s }
        /:\tfile format / { flush(); f = $0; sub(/:\tfile format .*/, "", f)
                            if (index(f, dir) == 1) f = substr(f, length(dir) + 1)
                            name = cdir = ""; seen = 0; next }
        /DW_TAG_compile_unit/ { seen++ }
        seen == 1 && /DW_AT_name/ && name == "" { name = value($0) }
        seen == 1 && /DW_AT_comp_dir/ && cdir == "" { cdir = value($0) }
        END { flush() }' >"$work/src.$n"
    # TARGET<TAB>PATH<TAB>MEMBER<TAB>PACKAGE<TAB>SOURCE for each taken from it.
    awk -F '\t' -v p="$path" -v pkg="$pkg" -v b="$(basename "$path")" '
        FILENAME == ARGV[1] { src[$1] = $2; next }
        $2 == p { print $1 "\t" $2 "\t" $3 "\t" pkg "\t" src[$3 != "" ? $3 : b] }' "$work/src.$n" "$work/taken"
    echo "$pkg" >>"$work/pkgs"
done <"$work/paths" >"$work/links"
# The page's script around the WebAssembly comes from Emscripten's src/ folder.
echo emscripten >>"$work/pkgs"
sort -u "$work/pkgs" | xargs dpkg-query -W -f='${Package}\t${Version}\t${source:Package}\n' >"$work/packages"

"$python" "$(dirname "$0")/notices.py" "$version" "$work/links" "$work/packages"
