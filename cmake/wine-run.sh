#!/bin/bash
# Runs a Windows program under Wine with a private prefix in the build folder.
# Wine writes CR LF; the CRs are stripped so output reads as on Linux.
set -o pipefail
prefix="${PLK_WINEPREFIX:-$(dirname "$(readlink -f "$0")")/../build/wineprefix}"
mkdir -p "$prefix"
export WINEPREFIX="$(readlink -f "$prefix")" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# The error stream goes to a file and is filtered once Wine has exited: a
# filter in the pipeline could still be writing when this script returns,
# and under load a test would then find the errors missing.
err=$(mktemp)
trap 'rm -f "$err"' EXIT
"$wine" "$@" 2>"$err" | tr -d '\r'
status=$?
tr -d '\r' <"$err" >&2
exit $status
