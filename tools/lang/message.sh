#!/bin/bash
# One message in every language built in: a line per catalog, English first,
# then the .po files by name, each "tag TAB text" (tags as the files name
# them: de, pt_BR), a language whose catalog leaves it untranslated left
# out. For the texts made at build: the page's first lines, README.txt's.
#   bash tools/lang/message.sh ID
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
unescape() { sed 's/\\"/"/g; s/\\n/ /g; s/\\\\/\\/g'; }
english=$(bash "$here/entries.sh" "$here/pacelark.pot" | awk -F'\t' -v id="$1" '$1 == id { print $3 }')
[ -n "$english" ] || { echo "message.sh: $1 is not in the template" >&2; exit 1; }
printf 'en\t%s\n' "$english" | unescape
for po in "$here"/*.po; do
    bash "$here/entries.sh" "$po" | awk -F'\t' -v id="$1" -v tag="$(basename "$po" .po)" \
        '$1 == id && $4 == 1 { printf "%s\t%s\n", tag, $5 }' | unescape
done
