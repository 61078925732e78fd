#!/bin/bash
# stdout-to.sh FILE COMMAND...: runs COMMAND with its standard output in FILE,
# written whole or not at all (a link's --trace list, kept out of the build log).
set -euo pipefail
out=$1
shift
"$@" >"$out.tmp"
mv -f "$out.tmp" "$out"
