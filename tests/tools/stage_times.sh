#!/bin/bash
# The stages of a `make` run, from a log whose lines start with the seconds
# since the start (fresh_machine.sh writes one): each install, configure and
# build, each suite; a stage lasts until the next one starts.
# usage: stage_times.sh LOG
set -euo pipefail
awk '
    function stage(name) { if (cur != "") { t[cur] += $1 - since } ; if (!(name in t)) order[++n] = name; cur = name; since = $1 }
    { line = substr($0, 7) }
    line ~ /^installing:/                   { stage("install packages") }
    line ~ /^npm ci/                        { stage("install npm modules") }
    line ~ /^cmake --build --preset /       { split(line, w, " "); stage("build " w[4]) }
    line ~ /^cmake --preset fuzz/           { stage("build fuzz") }
    line ~ /^bash fuzz\/run.sh/             { stage("suite fuzz") }
    line ~ /^ctest --preset /               { split(line, w, " "); stage("suite " w[3]) }
    line ~ /^bash tests\/tools\/release_check.sh/ { stage("release rebuilt") }
    line ~ /^frame +tick +mod/             { stage("demo") }
    END { if (cur != "") t[cur] += $1 - since
          for (i = 1; i <= n; i++) printf "%-22s %3d:%02d\n", order[i], t[order[i]] / 60, t[order[i]] % 60
          printf "%-22s %3d:%02d\n", "all", $1 / 60, $1 % 60 }' "$1"
