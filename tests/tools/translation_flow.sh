#!/bin/bash
# The translators' flow of CONTRIBUTING.md, played on copies: one English
# sentence of the template changed and the merge run as CONTRIBUTING.md
# writes it keep the old translation as fuzzy, with the English it was made
# for beside it; the tools (the page's engine too) show that message in
# English and the rest translated, and lang-check names it. Two merges gone
# wrong fail lang-check by name: a translation msgmerge copied from another
# message, and one a merge without fuzzy matching set aside.
# Arguments: the source folder, a C++ compiler.
set -euo pipefail
src=$(cd "$1" && pwd) cxx=$2
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "translation_flow: $*" >&2; exit 1; }

id=page.boot.loading new="Starting the page's engine…"
# Of message $2 in catalog $1: its text (English for the template), and the
# English under its "#|" lines.
text() {
    msggrep -J -e "^${2//./\\.}\$" "$1" | if [[ $1 == *.pot ]]; then msgen -; else cat; fi |
        msgexec 0 | tr '\0' '\n' | sed -n '$p'
}
previous() { msggrep -J -e "^${2//./\\.}\$" "$1" | msgexec sh -c 'echo "${MSGEXEC_PREV_MSGID-}"' | sed -n '$p'; }
# A copy of the catalogs in $1/tools/lang (German as it.po, the language of
# CONTRIBUTING.md's example), $id's English changed.
copy() {
    mkdir -p "$1/tools/lang"
    cp "$src/tools/lang/de.po" "$1/tools/lang/it.po"
    sed "/^msgctxt \"$id\"\$/{n;s/^msgid .*/msgid \"$new\"/}" "$src/tools/lang/pacelark.pot" >"$1/tools/lang/pacelark.pot"
    [ "$(text "$1/tools/lang/pacelark.pot" $id)" = "$new" ] || fail "the copy's English of $id did not change"
}
english=$(text "$src/tools/lang/pacelark.pot" $id)
translated=$(text "$src/tools/lang/de.po" $id)
documented=$(grep -m1 '^ *msgmerge ' "$src/CONTRIBUTING.md")

# ---- the merge as documented ----
flow="$work/flow"
copy "$flow"
(cd "$flow" && eval "$documented")
catalog="$flow/tools/lang/it.po"
[ -n "$(msgattrib --only-fuzzy "$catalog" | msggrep -J -e "^${id//./\\.}\$")" ] || fail "$id is not fuzzy after: $documented"
[ "$(text "$catalog" $id)" = "$translated" ] || fail "$id lost its translation in: $documented"
[ "$(previous "$catalog" $id)" = "$english" ] || fail "$id keeps not its English before (#| msgid)"

report=$(bash "$src/tools/lang/check.sh" "$catalog") || fail "lang-check fails on a merged catalog: $report"
grep -q "fuzzy.*: .*$id" <<<"$report" || fail "lang-check does not name $id: $report"
! bash "$src/tools/lang/check.sh" --complete "$catalog" >/dev/null || fail "lang-check --complete passes with $id fuzzy"

# The tools' table from the copy: $id in English, the rest still German.
bash "$src/cmake/catalog-table.sh" "$flow/tools/lang" "$work/table.cpp"
cat >"$work/main.cpp" <<'EOF'
#include <cstdio>
#include "tools/lib/messages.h"
int main(int, char** argv) {
    if (!setLanguage("it")) return 2;
    std::printf("%s\n%s\n", tr(argv[1]).c_str(), tr("language.name").c_str());
}
EOF
"$cxx" -std=c++20 -I"$src" -I"$src/tools/lib" "$work/main.cpp" "$src/tools/lib/messages.cpp" "$work/table.cpp" -o "$work/tr"
shown=$("$work/tr" $id)
[ "$shown" = "$new"$'\n'"$(text "$src/tools/lang/de.po" language.name)" ] || fail "the tools show, for $id and language.name: $shown"

# ---- a new message whose English is near another's: msgmerge copies its translation ----
near="$work/near"
copy "$near"
printf '\n#, python-brace-format\nmsgctxt "language.readme_again"\nmsgid "%s"\nmsgstr ""\n' \
    "$(text "$src/tools/lang/pacelark.pot" language.readme | sed 's/your browser/a browser/')" >>"$near/tools/lang/pacelark.pot"
(cd "$near" && eval "$documented")
! report=$(bash "$src/tools/lang/check.sh" "$near/tools/lang/it.po") || fail "lang-check passes a translation copied from another message"
grep -q "language.readme_again .*language.readme\b" <<<"$report" || fail "lang-check does not name both messages: $report"

# ---- a merge without fuzzy matching: the translation set aside ----
aside="$work/aside"
copy "$aside"
msgmerge --quiet --update --no-fuzzy-matching --backup=off "$aside/tools/lang/it.po" "$aside/tools/lang/pacelark.pot"
! report=$(bash "$src/tools/lang/check.sh" "$aside/tools/lang/it.po") || fail "lang-check passes a translation set aside"
grep -q "$id is obsolete" <<<"$report" || fail "lang-check does not name $id as set aside: $report"
echo "translation flow ok: $id fuzzy with its English before, shown in English, named by lang-check"
