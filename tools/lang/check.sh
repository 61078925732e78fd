#!/bin/bash
# Checks the message catalogs against the English template:
#   bash tools/lang/check.sh [--complete] [CATALOG.po ...]   (default: every tools/lang/*.po)
# A catalog fails when it lacks a message of the template, holds one the
# template does not, translates a message whose English has changed since,
# or (msgfmt -c) uses an argument its English message does not give. Empty
# and fuzzy translations fall back to English in the tools, message by
# message: they are counted, and fail only with --complete.
set -euo pipefail
export LC_ALL=C  # join and sort agree on the order
here=$(cd "$(dirname "$0")" && pwd)
template="$here/pacelark.pot"
complete=0
if [ "${1:-}" = "--complete" ]; then complete=1; shift; fi
if [ $# -eq 0 ]; then set -- "$here"/*.po; fi
for tool in msgfmt msgcat; do
    command -v $tool >/dev/null || { echo "check.sh: $tool is missing: install Debian's gettext" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

entries() { bash "$here/entries.sh" "$1"; }

entries "$template" | cut -f1-3 >"$work/template"
status=0
for po in "$@"; do
    name=$(basename "$po")
    problems=()
    if ! msgfmt -c -o /dev/null "$po" 2>"$work/msgfmt"; then
        problems+=("msgfmt -c: $(grep -v 'warning: header field' "$work/msgfmt" | tr '\n' ' ')")
    fi
    entries "$po" >"$work/entries"
    cut -f1-3 "$work/entries" >"$work/catalog"
    lacking=$(join -t $'\t' -v1 -o 1.1 "$work/template" "$work/catalog" | tr '\n' ' ')
    extra=$(join -t $'\t' -v2 -o 2.1 "$work/template" "$work/catalog" | tr '\n' ' ')
    [ -z "$lacking" ] || problems+=("lacks $lacking")
    [ -z "$extra" ] || problems+=("holds messages the template does not: $extra")
    # Same id, other English or other argument flag: translated from an older template.
    stale=$(join -t $'\t' "$work/template" "$work/catalog" | awk -F'\t' '$2 != $4 || $3 != $5 { print $1 }' | tr '\n' ' ')
    [ -z "$stale" ] || problems+=("translates an older English (or lacks its python-brace-format flag): $stale")
    untranslated=$(awk -F'\t' '$4 == 0' "$work/entries" | wc -l)
    if [ ${#problems[@]} -gt 0 ] || { [ $complete = 1 ] && [ "$untranslated" -gt 0 ]; }; then
        status=1
        echo "$name: FAILS"
        for p in "${problems[@]}"; do echo "  $p"; done
    else
        echo "$name: ok"
    fi
    [ "$untranslated" = 0 ] ||
        echo "  $untranslated untranslated or fuzzy (shown in English): $(awk -F'\t' '$4 == 0 { print $1 }' "$work/entries" | tr '\n' ' ')"
done
exit $status
