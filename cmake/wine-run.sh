#!/bin/bash
# Runs a Windows program under Wine with a private prefix in the build folder.
# Wine writes CR LF; the CRs are stripped so output reads as on Linux.
set -o pipefail
prefix="${PLK_WINEPREFIX:-$(dirname "$(readlink -f "$0")")/../build/wineprefix}"
mkdir -p "$prefix"
export WINEPREFIX="$(readlink -f "$prefix")" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# The error stream goes to a file and through the filter once the program has
# ended: a filter on a pipe would see its end only when Wine's helper processes
# let go of it, and its last lines could come after this script had ended.
err=$(mktemp) || exit 125
trap 'rm -f "$err"' EXIT
"$wine" "$@" 2>"$err" | tr -d '\r'
status=$?
tr -d '\r' <"$err" >&2
exit $status
