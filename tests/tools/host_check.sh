#!/bin/bash
# The Windows host under Wine: the demo scenario gives a table and the draw
# lists of every marked frame; bad input gives one error line and status 2.
# Arguments: the source folder, the folder holding pacelark-host.exe.
set -uo pipefail
src="$1" bin="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "host_check: $*" >&2; exit 1; }
host() { (cd "$bin" && "$src/cmake/wine-run.sh" pacelark-host.exe "$@"); }

host --scenario "$src/scenarios/demo.txt" --draws "$work/draws.txt" >"$work/table" 2>"$work/err"
status=$?
[ $status = 0 ] || fail "demo run ended with status $status: $(cat "$work/err")"
head -1 "$work/table" | grep -q '^frame *tick *mod' || fail "no table header"
sed -n 2p "$work/table" | grep -q '^ *0 ' || fail "the table does not start at frame 0"
grep -q '?' "$work/table" && fail "the demo table has values the host could not read"
for name in $(awk '$2 == "snapshot" {print $3}' "$src/scenarios/demo.txt"); do
    grep -q "^frame $name " "$work/draws.txt" || fail "no draw list for snapshot $name"
done

printf 'frames 5\n2 tap NOKEY\n' >"$work/bad.txt"
host --scenario "$work/bad.txt" >"$work/out" 2>"$work/err"
status=$?
[ $status = 2 ] || fail "a bad scenario ended with status $status"
[ "$(wc -l <"$work/err")" = 1 ] || fail "a bad scenario gave more than one error line: $(cat "$work/err")"
grep -q 'bad.txt:2: ' "$work/err" || fail "the error does not name file and line: $(cat "$work/err")"

host --frames >"$work/out" 2>"$work/err"
[ $? = 2 ] && grep -q -- '--frames' "$work/err" || fail "a missing option value is not an error naming it"
echo "host ok"
