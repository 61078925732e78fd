#!/bin/bash
# Checks message catalogs against the English template beside them, with GNU
# gettext's tools:
#   bash tools/lang/check.sh [--complete] [CATALOG.po ...]   (default: every tools/lang/*.po)
# A catalog fails when msgfmt -c finds a fault (syntax, header, plural rule,
# an argument its English does not give, also by the template's flags); when
# msgcmp finds a message of the template it lacks, or whose English has
# changed since it was merged, or one the template does not have; when a
# fuzzy message holds another message's translation (msgmerge matched it by
# its English under another id); and when an obsolete message has an id the
# template still has (its translation set aside). Untranslated messages, and
# fuzzy ones whose English changed, fall back to English in the tools,
# message by message: they are listed, and fail only with --complete.
set -euo pipefail
export LC_ALL=C.UTF-8  # msggrep matches in the catalogs' UTF-8
here=$(cd "$(dirname "$0")" && pwd)
complete=0
if [ "${1:-}" = "--complete" ]; then complete=1; shift; fi
if [ $# -eq 0 ]; then set -- "$here"/*.po; fi
for tool in msgfmt msgcmp msgattrib msgmerge msgexec msggrep; do
    command -v $tool >/dev/null || { echo "check.sh: $tool is missing: install Debian's gettext" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The messages of a catalog on stdin, a line each: id TAB previous id (the
# msgctxt under "#|", if any).
ids() {
    msgexec -i - sh -c '[ "${MSGEXEC_PLURAL_FORM:-0}" != 0 ] || [ -z "${MSGEXEC_MSGCTXT+set}" ] ||
        printf "%s\t%s\n" "$MSGEXEC_MSGCTXT" "${MSGEXEC_PREV_MSGCTXT-}"'
}
has() { [ -n "$(msggrep -J -e "^${2//./\\.}\$" "$1")" ]; }
# A problem, indented; a tool's own lines under it.
say() { printf '%s\n' "$1" | sed '1s/^/  /; 2,$s/^/    /'; }

status=0
for po in "$@"; do
    name=$(basename "$po")
    template=$(dirname "$po")/pacelark.pot
    problems=()
    if ! msgfmt -c --statistics -o /dev/null "$po" 2>"$work/said"; then
        problems+=("msgfmt -c:"$'\n'"$(grep -v 'warning: header field' "$work/said")")
        # Unreadable, it has nothing more to check.
        if ! msgattrib -o /dev/null "$po" 2>/dev/null; then
            echo "$name: FAILS"; say "${problems[0]}"; status=1; continue
        fi
    fi
    statistics=$(grep -E 'translated messages?[.,]' "$work/said" || echo "statistics missing")
    msgcmp --use-fuzzy --use-untranslated "$po" "$template" 2>"$work/said" || true
    [ ! -s "$work/said" ] || problems+=("not in step with the template (merge it, CONTRIBUTING.md); msgcmp:"$'\n'"$(grep -v '^msgcmp: found' "$work/said")")
    # Merged as is, a message whose translation breaks the template's argument
    # flags comes out fuzzy.
    msgattrib --no-fuzzy "$po" | msgmerge --quiet --no-fuzzy-matching - "$template" | msgattrib --only-fuzzy | ids >"$work/flags"
    [ ! -s "$work/flags" ] || problems+=("its arguments do not fit the template's (python-brace-format): $(cut -f1 "$work/flags" | tr '\n' ' ')")
    retranslate=()
    while IFS=$'\t' read -r id previous; do
        if [ -n "$previous" ] && [ "$previous" != "$id" ]; then
            problems+=("$id holds the translation of $previous, which msgmerge matched by its English: translate it anew (CONTRIBUTING.md)")
        else
            retranslate+=("$id")
        fi
    done < <(msgattrib --only-fuzzy --no-obsolete "$po" | ids)
    while IFS=$'\t' read -r id previous; do
        ! has "$template" "$id" ||
            problems+=("$id is obsolete (#~) though the template has it: its translation was set aside (CONTRIBUTING.md)")
    done < <(msgattrib --only-obsolete --clear-obsolete "$po" | ids)
    untranslated=$(msgattrib --untranslated --no-obsolete "$po" | ids | cut -f1 | tr '\n' ' ')
    if [ ${#problems[@]} -gt 0 ] || { [ $complete = 1 ] && [ -n "$untranslated${retranslate[*]}" ]; }; then
        status=1
        echo "$name: FAILS ($statistics)"
        for p in "${problems[@]}"; do say "$p"; done
    else
        echo "$name: ok ($statistics)"
    fi
    [ -z "$untranslated" ] || echo "  untranslated (shown in English): $untranslated"
    [ ${#retranslate[@]} = 0 ] || echo "  fuzzy, its English changed (shown in English until translated anew): ${retranslate[*]}"
done
exit $status
