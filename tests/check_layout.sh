#!/bin/bash
# The include graph keeps the layout's promises: no file includes another that
# includes it back; the HUD sees only the runtime record of control/; host/
# reaches up to the other plug-in folders from its entry alone; the plug-in
# includes nothing of the stand-in, the tools or the tests.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

for file in $(git ls-files '*.h' '*.cpp' 2>/dev/null || find host config control hud standin tools tests bench fuzz -name '*.h' -o -name '*.cpp'); do
    dir=$(dirname "$file")
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | while read -r inc; do
        if [ -f "$dir/$inc" ]; then target=$(realpath --relative-to=. "$dir/$inc")
        elif [ -f "$inc" ]; then target=$inc
        else continue; fi
        echo "$file $target"
    done
done >"$edges"

# A file's header and source count as one unit, so a .cpp including a header
# that includes the .cpp's own header is caught as a loop too.
sed -E 's/\.(h|cpp)\b//g' "$edges" | awk '$1 != $2' | sort -u | tsort >/dev/null 2>"$edges.loops" || true
if grep -q "loop" "$edges.loops"; then
    echo "include loop:"; grep -v "^tsort: input contains a loop" "$edges.loops" | sed 's/^tsort: /  /'
    status=1
fi
rm -f "$edges.loops"

rule() {  # rule WHAT FROM TO [ALLOWED]: no include from FROM to TO unless "FROM TO" matches ALLOWED
    local bad
    bad=$(awk -v f="$2" -v t="$3" -v ok="${4:-^$}" '$1 ~ f && $2 ~ t && ($1 " " $2) !~ ok' "$edges")
    if [ -n "$bad" ]; then echo "$1:"; sed 's/^/  /' <<<"$bad"; status=1; fi
}
rule "the HUD includes control/ only for the runtime record" '^hud/' '^control/' ' control/mod_state\.h$'
rule "host/ includes the other plug-in folders only from the entry" '^host/' '^(config|control|hud)/' '^host/entry\.cpp '
rule "the plug-in includes nothing outside it" '^(host|config|control|hud)/' '^(standin|tools|tests|bench|fuzz)/'
[ $status = 0 ] && echo "layout: $(wc -l <"$edges") includes, no loops, rules kept"
exit $status
