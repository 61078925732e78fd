#!/bin/bash
# Runs a Windows program under Wine with a private prefix in the build folder.
# Wine writes CR LF; the CRs are stripped so output reads as on Linux.
set -o pipefail
prefix="${PLK_WINEPREFIX:-$(dirname "$(readlink -f "$0")")/../build/wineprefix}"
mkdir -p "$prefix"
export WINEPREFIX="$(readlink -f "$prefix")" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
"$wine" "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'
status=$?
wait $! 2>/dev/null  # let the error stream's filter finish writing
exit $status
