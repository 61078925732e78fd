#!/bin/bash
# Runs a Windows program under Wine with a private prefix in the build folder.
# Wine writes CR LF; the CRs are stripped so output reads as on Linux.
#
# What Wine says of itself stays out of the program's streams, where tests
# read every line: the prefix is made once, apart, with its messages in a log
# beside it; and Wine's display drivers get a runtime folder of their own
# (Wine 10's Wayland driver complains on standard error when there is none).
set -o pipefail
prefix="${PLK_WINEPREFIX:-$(dirname "$(readlink -f "$0")")/../build/wineprefix}"
mkdir -p "$prefix"
prefix=$(readlink -f "$prefix")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" XDG_RUNTIME_DIR="$prefix.xdg"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine) ||
    { echo "wine-run: wine not found (Debian package wine64)" >&2; exit 127; }
# Tests run side by side: one makes the prefix (again when Wine is another
# version), the others wait for it.
version=$("$wine" --version)
(
    flock 9
    if [ "$(cat "$prefix.ready" 2>/dev/null)" != "$version" ]; then
        server=$(dirname "$wine")/wineserver64
        [ -x "$server" ] || server=$(command -v wineserver)
        # wineserver -w: until the prefix is written out and Wine has gone quiet.
        { "$wine" wineboot --init && "$server" -w; } >"$prefix.log" 2>&1 ||
            { echo "wine-run: making the Wine prefix $prefix failed; see $prefix.log" >&2; exit 125; }
        echo "$version" >"$prefix.ready"
    fi
) 9>"$prefix.lock" || exit $?
# The error stream goes to a file and through the filter once the program has
# ended: a filter on a pipe would see its end only when Wine's helper processes
# let go of it, and its last lines could come after this script had ended.
err=$(mktemp) || exit 125
trap 'rm -f "$err"' EXIT
"$wine" "$@" 2>"$err" | tr -d '\r'
status=$?
tr -d '\r' <"$err" >&2
exit $status
