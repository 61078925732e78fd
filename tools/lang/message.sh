#!/bin/bash
# One message in every language built in: a line per catalog, English first,
# then the .po files by name, each "tag TAB text" (tags as the files name
# them: de, pt_BR), a language whose catalog leaves it untranslated or fuzzy
# left out. For the texts made at build: the page's first lines, README.txt's.
#   bash tools/lang/message.sh ID
# gettext's tools read the catalogs: msggrep finds the message by its id,
# msgattrib keeps it only translated, msgexec writes the header's text and
# then the message's, escapes undone, each ended by a NUL; a line end in a
# text becomes a space.
set -euo pipefail
export LC_ALL=C.UTF-8  # msggrep matches in the catalogs' UTF-8
here=$(cd "$(dirname "$0")" && pwd)
id=$1
# Catalog $1's text (a plural's first form) of the message, from what
# command $2 makes of it.
text() { msggrep -J -e "^${id//./\\.}\$" "$1" | $2 | msgexec 0 | tr '\n\0' ' \n' | sed -n 2p; }
english=$(text "$here/pacelark.pot" "msgen -")
[ -n "$english" ] || { echo "message.sh: $id is not in the template" >&2; exit 1; }
printf 'en\t%s\n' "$english"
for po in "$here"/*.po; do
    translated=$(text "$po" "msgattrib --translated --no-fuzzy")
    [ -z "$translated" ] || printf '%s\t%s\n' "$(basename "$po" .po)" "$translated"
done
