#!/bin/bash
# notices.sh VERSION DLL_MAP PAGE_TRACE: the release's third-party notices on
# standard output, with LF line ends (dist.sh makes them CR LF).
#
# What each shipped file links in is read from its own link: the DLL's linker
# map and the page's linker trace name every system object and archive member
# taken; each member's debugging information names the source file it was
# compiled from; the Debian package that holds the archive gives the version,
# and its copyright file the terms that cover those source files. The same
# build gives the same bytes: lists are sorted and no build path goes in.
set -euo pipefail
export LC_ALL=C
version="${1:?usage: notices.sh VERSION DLL_MAP PAGE_TRACE}" map="${2:?}" trace="${3:?}"
for f in "$map" "$trace"; do
    [ -s "$f" ] || { echo "notices.sh: $f is missing or empty: build first" >&2; exit 1; }
done
die() { echo "notices.sh: $*" >&2; exit 1; }
# Both come with Debian's llvm (whichever version the release calls llvm).
ar=llvm-ar dwarfdump=llvm-dwarfdump
for t in $ar $dwarfdump dpkg; do
    command -v "$t" >/dev/null || die "$t not found (Debian package llvm)"
done
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
    while IFS=$'\t' read -r file source; do
        printf '%s\t%s\t%s\t%s\n' "$path" "$file" "$pkg" "$source"
    done <"$work/src.$n"
done <"$work/paths" >"$work/sources"
# PATH<TAB>MEMBER-OR-FILE<TAB>PACKAGE<TAB>SOURCE (SOURCE empty without debugging information)

# 3. Components: the parts a reader knows by name, in a fixed order.
# component PACKAGE-SOURCE FILE-NAME -> "ORDER<TAB>TITLE"
component() {
    case "$1:$2" in
    gcc-mingw-w64:*) printf '1\tlibstdc++ and libgcc, the runtime libraries of GCC %s\n' "$3" ;;
    mingw-w64:libpthread.a | mingw-w64:libwinpthread*) printf '3\twinpthreads, the POSIX threads library of mingw-w64\n' ;;
    mingw-w64:*) printf '2\tThe mingw-w64 C runtime, with the import libraries of msvcrt and Windows\n' ;;
    emscripten:libc++abi*) printf '6\tlibc++abi, the C++ ABI library of LLVM, as part of Emscripten\n' ;;
    emscripten:libc++*) printf '5\tlibc++, the C++ standard library of LLVM, as part of Emscripten\n' ;;
    emscripten:libcompiler_rt*) printf '7\tcompiler-rt, the builtins library of LLVM, as part of Emscripten\n' ;;
    emscripten:libdlmalloc*) printf '8\tdlmalloc, the memory allocator, as part of Emscripten\n' ;;
    emscripten:*) printf "4\\tEmscripten's C library: musl with Emscripten's own system code\\n" ;;
    *) printf '9\t%s\n' "$2" ;;
    esac
}
: >"$work/comp"
while read -r path; do
    pkg=$(awk -F '\t' -v p="$path" '$1 == p { print $3; exit }' "$work/sources")
    srcpkg=$(dpkg-query -W -f='${source:Package}' "$pkg")
    major=$(dpkg-query -W -f='${Version}' "$pkg")
    for target in $(awk -F '\t' -v p="$path" '$2 == p { print $1 }' "$work/taken" | sort -u); do
        printf '%s\t%s\t%s\t%s\n' "$target" "$(component "$srcpkg" "$(basename "$path")" "${major%%.*}")" "$path" "$pkg"
    done >>"$work/comp"
done <"$work/paths"
# The JavaScript that Emscripten writes around the WebAssembly comes from its
# own src/ folder: the shell, pre- and postamble and the library of runtime calls.
printf "Pacelark-settings.html\\t4.5\\tEmscripten's JavaScript runtime\\t-\\temscripten\\n" >>"$work/comp"
# TARGET<TAB>ORDER<TAB>TITLE<TAB>PATH<TAB>PACKAGE
sort -t $'\t' -k1,1r -k2,2n -k4,4 -o "$work/comp" "$work/comp"

# 4. Terms. DEP-5 copyright files: the stanzas whose Files patterns last match
# a source file linked (a member without debugging information counts as
# matched by "*" only), verbatim; the licence paragraphs they name go at the
# end. Other copyright files: the part that covers GCC's runtime libraries,
# or else the whole file.
dep5_stanzas() {  # COPYRIGHT NEEDFILE SOURCES (one a line, maybe empty)
    awk -v need="$2" '
        function glob(p) {
            gsub(/[.+^$|(){}\[\]\\]/, "\\\\&", p); gsub(/\*/, ".*", p); gsub(/\?/, ".", p)
            return "^" p "$"
        }
        function endpara() {
            if (np > 0 && files != "") {
                ns++; text[ns] = para; lic[ns] = licname; body[ns] = licbody
                k = split(files, pats, /[ \t]+/); npat[ns] = 0
                for (i = 1; i <= k; i++)
                    if (pats[i] != "") { npat[ns]++; pat[ns, npat[ns]] = glob(pats[i]); raw[ns, npat[ns]] = pats[i] }
            }
            np = 0; para = ""; files = ""; licname = ""; licbody = 0; field = ""
        }
        FILENAME == ARGV[1] { want[++nw] = $0; next }
        /^[ \t]*$/ { endpara(); next }
        {
            np++; para = para $0 "\n"
            if ($0 ~ /^[A-Za-z][A-Za-z0-9-]*:/) {
                field = $0; sub(/:.*/, "", field); v = $0; sub(/^[^:]*:[ \t]*/, "", v)
                if (field == "Files") files = v
                if (field == "License") licname = v
            } else if (field == "Files") files = files " " $0
            else if (field == "License") licbody = 1
        }
        END {
            endpara()
            for (w = 1; w <= nw; w++) {
                hit = 0
                for (s = 1; s <= ns; s++)
                    for (i = 1; i <= npat[s]; i++)
                        if (want[w] ~ pat[s, i] && (want[w] != "" || pat[s, i] == "^.*$")) { hit = s; hitpat = i; break }
                if (!hit) { print "notices.sh: no stanza covers " want[w] > "/dev/stderr"; exit 1 }
                count[hit]++; used[hit, hitpat] = 1
                # A stanza that names the file itself covers it too, though a later one matches.
                for (s = 1; s < hit; s++)
                    for (i = 1; i <= npat[s]; i++)
                        if (raw[s, i] == want[w] && !used[s, i]) { count[s]++; used[s, i] = 1 }
            }
            for (s = 1; s <= ns; s++) {
                if (!count[s]) continue
                printf "\nFor %d %s linked in:\n\n", count[s], count[s] == 1 ? "object or file" : "objects or files"
                n = split(text[s], l, "\n"); f = ""
                for (i = 1; i < n; i++) {
                    if (l[i] ~ /^[A-Za-z][A-Za-z0-9-]*:/) { f = l[i]; sub(/:.*/, "", f) }
                    if (f != "Files") { print "    " l[i]; continue }
                    if (l[i] !~ /^Files:/) continue
                    label = "Files: "
                    for (j = 1; j <= npat[s]; j++)
                        if (used[s, j]) { print "    " label raw[s, j]; label = "       " }
                }
                # "A or B and C with X exception": the names A, B and C.
                full = lic[s]; sub(/[ \t]+$/, "", full)
                e = full; gsub(/ with [^ ]+ exception/, "", e)
                k = split(e, names, / *, *| +or +| +and +/)
                for (i = 1; i <= k; i++) {
                    if (names[i] == "" || (body[s] && names[i] == full)) continue
                    print tolower(names[i]) >> need
                }
            }
        }' "$3" "$1"
}
dep5_licences() {  # COPYRIGHT NEEDFILE: the stand-alone licence paragraphs named
    awk '
        FILENAME == ARGV[1] { need[$0] = 1; next }
        function endpara() {
            if (para != "" && !hasfiles && name != "" && need[tolower(name)]) {
                printf "\n"
                n = split(para, l, "\n")
                for (i = 1; i < n; i++) print (l[i] == "" ? "" : "    " l[i])
                # A licence Debian keeps in common-licenses: its text, once.
                if (!hasbody && ref ~ /^\/usr\/share\/common-licenses\// && !done[ref]++) {
                    printf "\n    Text of %s:\n\n", ref
                    while ((getline t < ref) > 0) print (t == "" ? "" : "    " t)
                    close(ref)
                }
            }
            para = ""; name = ""; ref = ""; hasfiles = 0; hasbody = 0; field = ""
        }
        /^[ \t]*$/ { endpara(); next }
        {
            para = para $0 "\n"
            if ($0 ~ /^[A-Za-z][A-Za-z0-9-]*:/) {
                field = $0; sub(/:.*/, "", field); v = $0; sub(/^[^:]*:[ \t]*/, "", v); sub(/[ \t]+$/, "", v)
                if (field == "Files") hasfiles = 1
                if (field == "License") name = v
                if (field == "Reference") ref = v
            } else if (field == "License") hasbody = 1
        }
        END { endpara() }' "$2" "$1"
}
gcc_terms() {  # COPYRIGHT: the statement on GCC, the list of runtime libraries under the exception, and the exception
    awk '
        /^GCC is Copyright/ { a = 1 }
        /^The libbacktrace library/ { a = 0 }
        /^GCC RUNTIME LIBRARY EXCEPTION/ { b = 1 }
        b == 1 && /^2\. No Weakening/ { b = 2 }
        b == 2 && /^[ \t]*$/ { blank++ }
        b == 2 && blank == 2 { b = 0 }
        a || b { print (length($0) ? "    " $0 : ""); got++ }
        END { exit got ? 0 : 1 }' "$1"
}
indent() { awk '{ print (length($0) ? "    " $0 : "") }' "$1"; }
join() { awk '{ printf "%s%s", (NR > 1 ? ", " : ""), $0 } END { print "" }'; }
# Our own sentences at 76 columns, later lines indented: read in Notepad too.
wrap() {
    awk '{
        n = split($0, w, " "); line = ""
        for (i = 1; i <= n; i++)
            if (line == "") line = w[i]
            else if (length(line) + 1 + length(w[i]) > 76) { print line; line = "  " w[i] }
            else line = line " " w[i]
        print line
    }'
}

title() { printf '\n%s\n%s\n' "$1" "$(printf '%s' "$1" | sed 's/./'"$2"'/g')"; }
plural() { [ "$1" = 1 ] && echo "$1 $2" || echo "$1 $2s"; }

: >"$work/copyrights"
heading="Pacelark $version: third-party notices"
printf '%s\n%s\n\n' "$heading" "$(printf '%s' "$heading" | sed 's/./=/g')"
cat <<'EOF'
Pacelark.dll and Pacelark-settings.html contain code of other projects,
linked in when they were built. For each file, this names every such
component, the Debian 12 package and version it was built from, what of it
was linked in, and the terms it comes under, in the words of Debian's
copyright file of that package (/usr/share/doc/PACKAGE/copyright): the parts
of it that cover the source files linked in. The licence texts that those
parts name follow at the end.
EOF
for target in Pacelark.dll Pacelark-settings.html; do
    title "$target" '='
    awk -F '\t' -v t="$target" '$1 == t { print $2 "\t" $3 }' "$work/comp" | uniq >"$work/titles"
    while IFS=$'\t' read -r order name; do
        rows=$(awk -F '\t' -v t="$target" -v o="$order" '$1 == t && $2 == o' "$work/comp")
        title "$name" '-'
        pkgs=$(cut -f5 <<<"$rows" | sort -u)
        printf 'Debian package: %s\n' "$(for p in $pkgs; do dpkg-query -W -f='${Package} ${Version}\n' "$p"; done | join)" | wrap
        : >"$work/want"
        linked=()
        while IFS=$'\t' read -r _ _ _ path _; do
            if [ "$path" = - ]; then
                linked+=("the script around the WebAssembly, written from Emscripten's src/ folder")
                printf '%s\n' src/shell.js src/preamble.js src/postamble.js src/library.js >>"$work/want"
                continue
            fi
            count=$(awk -F '\t' -v p="$path" -v t="$target" '$1 == t && $2 == p && $3 != ""' "$work/taken" | wc -l)
            if [ "$count" -gt 0 ]; then
                linked+=("$(basename "$path") ($(plural "$count" member))")
            else
                linked+=("$(basename "$path")")
            fi
            # The source file of each member taken (of the object itself).
            awk -F '\t' -v p="$path" -v t="$target" -v b="$(basename "$path")" '
                FILENAME == ARGV[1] { if ($1 == p) src[$2] = $4; next }
                $1 == t && $2 == p { print src[$3 != "" ? $3 : b] }' "$work/sources" "$work/taken" >>"$work/want"
        done <<<"$rows"
        printf 'Linked in: %s\n' "$(printf '%s\n' "${linked[@]}" | join)" | wrap
        for p in $pkgs; do
            copyright=/usr/share/doc/$p/copyright
            [ -f "$copyright" ] || die "$copyright is missing"
            # Packages of one source often share one copyright file: terms once.
            sum=$(sha256sum <"$copyright" | cut -c1-64)
            grep -qxF "$name"$'\t'"$sum" "$work/copyrights" && continue
            printf '%s\t%s\n' "$name" "$sum" >>"$work/copyrights"
            if head -1 "$copyright" | grep -q '^Format: .*copyright-format'; then
                printf '\nTerms, from %s (machine-readable): the stanzas that cover the source files linked in, with the patterns of their Files field that match them.\n' "$copyright" | wrap
                touch "$work/need.$sum"
                dep5_stanzas "$copyright" "$work/need.$sum" "$work/want"
                echo "$copyright" >>"$work/dep5"
                # The upstream notice beside the sources, where Debian installs them.
                srcpkg=$(dpkg-query -W -f='${source:Package}' "$p")
                for d in $(grep / "$work/want" | sed 's|/[^/]*$||' | sort -u); do
                    while [ "$d" != . ] && [ -n "$d" ]; do
                        for n in COPYRIGHT LICENSE LICENSE.TXT LICENSE.txt COPYING; do
                            if [ -f "/usr/share/$srcpkg/$d/$n" ]; then echo "/usr/share/$srcpkg/$d/$n"; fi
                        done
                        if [[ "$d" == */* ]]; then d=${d%/*}; else d=.; fi
                    done
                done | sort -u >"$work/upstream"
                while read -r u; do
                    printf '\nThe upstream notice, %s:\n\n' "$u"
                    indent "$u"
                done <"$work/upstream"
            elif gcc_terms "$copyright" >"$work/part"; then
                printf '\nTerms, from %s (not machine-readable): its statement on GCC and on the runtime libraries under the GCC Runtime Library Exception, and the exception. The GNU General Public License, version 3, is at https://www.gnu.org/licenses/gpl-3.0.txt.\n\n' "$copyright" | wrap
                cat "$work/part"
            else
                printf '\nTerms, from %s (not machine-readable), whole:\n\n' "$copyright" | wrap
                indent "$copyright"
            fi
        done
    done <"$work/titles"
done

title "Licence texts named above" '='
touch "$work/dep5"
for copyright in $(sort -u "$work/dep5"); do
    sum=$(sha256sum <"$copyright" | cut -c1-64)
    sort -u "$work/need.$sum" -o "$work/need.$sum"
    printf '\nFrom %s:\n' "$copyright"
    dep5_licences "$copyright" "$work/need.$sum"
done
