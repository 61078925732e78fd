#!/bin/bash
# bash cmake/catalog-table.sh DIR OUT
# Writes the message catalogs of DIR (the English template pacelark.pot and
# every .po, by name) as one C++ table. GNU gettext does the reading: msgfmt -c
# checks each catalog (a fault stops the build with msgfmt's own file:line)
# and compiles it, without its fuzzy and untranslated messages, to a .mo
# file; msgen makes the template's English its translation. The .mo files
# are read as the gettext manual's "The Format of GNU MO Files" lays them
# out, and each catalog's plural rule becomes a C++ function. Only the
# files' names go in, so any folder gives the same source.
set -euo pipefail
export LC_ALL=C
dir=$1 out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# $1 the catalog, $2 the .mo to write. A template's header keeps its
# placeholders, and the tools read no header field but Plural-Forms:
# msgfmt's warnings about header fields are no news here.
compile() {
    if ! msgfmt -c --endianness=little --no-hash -o "$2" "$1" 2>"$work/said"; then
        cat "$work/said" >&2
        echo "catalog-table.sh: msgfmt -c rejects $1" >&2
        exit 1
    fi
    grep -v 'warning: header field' "$work/said" >&2 || true
}
compile "$dir/pacelark.pot" /dev/null
msgen -o "$work/en.po" "$dir/pacelark.pot"
compile "$work/en.po" "$work/en.mo"
tags=(en)
for po in "$dir"/*.po; do
    tag=$(basename "$po" .po)
    compile "$po" "$work/$tag.mo"
    tags+=("$tag")
done

# Each .mo as its bytes, a decimal a line, after a line "@ TAG".
for tag in "${tags[@]}"; do
    echo "@ $tag"
    od -An -v -tu1 -w1 "$work/$tag.mo"
done | awk '
    function fail(why) { print "catalog-table.sh: " tag ": " why >"/dev/stderr"; failed = 1; exit 1 }
    function u32(at) { return b[at] + 256 * (b[at + 1] + 256 * (b[at + 2] + 256 * b[at + 3])) }
    function bytes(at, n,    s, i) {
        s = ""
        for (i = at; i < at + n; i++) s = s sprintf("%c", b[i])
        return s
    }
    # The bytes as a C++ literal. A plural'"'"'s forms are apart by a NUL, a
    # literal of its own, so no digit can extend its escape; "?" is escaped
    # so that no "??" reads as a trigraph.
    function literal(at, n,    s, i, c) {
        s = ""
        for (i = at; i < at + n; i++) {
            c = b[i]
            if (c == 0) s = s "\" \"\\0\" \""
            else if (c == 34 || c == 63 || c == 92) s = s "\\" sprintf("%c", c)
            else if (c < 32 || c == 127) s = s sprintf("\\%03o", c)
            else s = s sprintf("%c", c)
        }
        return "\"" s "\"sv"
    }
    # The header'"'"'s plural expression, which msgfmt -c has checked.
    function plural(s) {
        if (!match(s, /Plural-Forms:[^\n]*/)) fail("its header has no Plural-Forms")
        s = substr(s, RSTART, RLENGTH)
        if (!match(s, /plural=[^;]*/)) fail("its Plural-Forms has no plural=")
        return substr(s, RSTART + 7, RLENGTH - 7)
    }
    # A message is found by its context (its id), stored before an EOT.
    function context(at, n,    i) {
        for (i = at; i < at + n && b[i] != 4; i++) ;
        return i < at + n ? bytes(at, i - at) : ""
    }
    function finish(    i, o, t, id) {
        if (tag == "") return
        if (u32(0) != 2500072158 || int(u32(4) / 65536) > 1) fail("msgfmt wrote no MO file this reads")
        for (i = 0; i < u32(8); i++) {
            o = u32(12) + 8 * i
            t = u32(16) + 8 * i
            if (u32(o) == 0) { rule[tag] = plural(bytes(u32(t + 4), u32(t))); continue }
            id = context(u32(o + 4), u32(o))
            if (id !~ /^[A-Za-z0-9_.-]+$/) fail("a message without a msgctxt of letters, digits and _.-")
            if (tag == "en") {
                if (messages && ids[messages] >= id) fail("the MO file is not in order")
                ids[++messages] = id
            }
            text[tag, id] = literal(u32(t + 4), u32(t))
        }
        if (!(tag in rule)) fail("it has no header")
        tags[++catalogs] = tag
        delete b
    }
    /^@/ { finish(); tag = $2; name[tag] = tag; gsub(/[^A-Za-z0-9_]/, "_", name[tag]); size = 0; next }
    { b[size++] = $1 + 0 }
    END {
        if (failed) exit 1
        finish()
        print "// Made by cmake/catalog-table.sh from tools/lang; do not edit."
        print "#include \"tools/lib/catalog_data.h\"\n\nusing namespace std::string_view_literals;\n"
        print "const std::string_view kMessageIds[] = {"
        for (i = 1; i <= messages; i++) print "    \"" ids[i] "\"sv,"
        print "};\nconst std::size_t kMessageCount = " messages ";\n\nnamespace {"
        for (c = 1; c <= catalogs; c++) {
            t = tags[c]
            printf "\nstd::size_t plural_%s([[maybe_unused]] unsigned long long n) { return (%s); }\n", name[t], rule[t]
            print "const std::string_view texts_" name[t] "[] = {"
            for (i = 1; i <= messages; i++) print "    " ((t, ids[i]) in text ? text[t, ids[i]] : "{}") ",  // " ids[i]
            print "};"
        }
        print "\n}  // namespace\n\nconst CatalogTable kCatalogTables[] = {"
        for (c = 1; c <= catalogs; c++) printf "    {\"%s\", plural_%s, texts_%s},\n", tags[c], name[tags[c]], name[tags[c]]
        print "};\nconst std::size_t kCatalogTableCount = " catalogs ";"
    }' >"$work/table.cpp"
# Unchanged, the source keeps its time and nothing is compiled again.
mkdir -p "$(dirname "$out")"
cmp -s "$work/table.cpp" "$out" || cp "$work/table.cpp" "$out"
