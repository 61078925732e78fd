#!/bin/bash
# The code and the English template name the same messages: every id the
# tools' C++, the page's script and markup, and the release script use is in
# tools/lang/pacelark.pot, and every message there is used (a setting's
# description by its name, made at run time).
set -euo pipefail
src="$1"
cd "$src"
# The template's ids, as gettext's msgexec reads them (a plural once).
ids=$(msgexec -i tools/lang/pacelark.pot sh -c \
    '[ "${MSGEXEC_PLURAL_FORM:-0}" != 0 ] || [ -z "${MSGEXEC_MSGCTXT+set}" ] || echo "$MSGEXEC_MSGCTXT"' | sort)
used=$( {
    grep -rhoE "[\"'](language|check|report|edit|key|setting|page|try)\.[a-z0-9_.]+[\"']" \
        tools --include=*.cpp --include=*.h --include=*.js --include=*.html --include=*.sh | tr -d "\"'"
    grep -o '^[A-Z_]*=' config/Pacelark.ini | tr -d = | tr 'A-Z' 'a-z' | sed 's/.*/setting.&.what/'
} | sort -u)
unknown=$(comm -13 <(echo "$ids") <(echo "$used"))
unused=$(comm -23 <(echo "$ids") <(echo "$used"))
status=0
[ -z "$unknown" ] || { echo "used but not in tools/lang/pacelark.pot:" $unknown; status=1; }
[ -z "$unused" ] || { echo "in tools/lang/pacelark.pot but used nowhere:" $unused; status=1; }
[ $status = 1 ] || echo "message ids ok: $(echo "$ids" | wc -l) messages, each used"
exit $status
