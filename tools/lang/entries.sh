#!/bin/bash
# The messages of one catalog, a line each, for the scripts that read the
# catalogs without the tools (the check, the page's first lines, the
# players' README.txt):
#   id TAB takes-arguments(0/1) TAB English TAB translated(0/1) TAB text
# English is the msgid (a plural's forms joined by "|"); translated means
# every form filled and not fuzzy; text is the first form, msgstr or
# msgstr[0]. Texts keep the catalog's escapes (\" \\ \n). msgcat writes each
# entry as a block of lines, blocks apart by a blank line. Sorted by id.
set -euo pipefail
msgcat --no-wrap --sort-output "$1" | awk '
    function text(line) { sub(/^[^"]*"/, "", line); sub(/"$/, "", line); return line }
    function flush() {
        if (form != "") empty += (form == "\001")
        if (id != "") printf "%s\t%d\t%s\t%d\t%s\n", id, brace, english, (!fuzzy && forms > 0 && empty == 0), first
        id = ""; english = ""; brace = 0; fuzzy = 0; forms = 0; empty = 0; field = ""; form = ""; first = ""
    }
    /^$/ { flush(); next }
    /^#,/ { brace = /python-brace-format/; fuzzy = /fuzzy/; next }
    /^#/ { next }
    /^msgctxt / { id = text($0); field = "ctxt"; next }
    /^msgid_plural / { english = english "|" text($0); field = "id"; next }
    /^msgid / { english = text($0); field = "id"; next }
    /^msgstr/ {
        if (form != "") empty += (form == "\001")
        forms++; field = "str"; s = text($0); form = s == "" ? "\001" : "x"
        if (forms == 1) first = s
        next
    }
    /^"/ {
        s = text($0)
        if (field == "str") { if (s != "") form = "x"; if (forms == 1) first = first s }
        else if (field == "id") english = english s
        next
    }
    END { flush() }
' | LC_ALL=C sort
