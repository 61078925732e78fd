#!/bin/bash
# Runs every benchmark, then prints one table of all figures and goals.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux="$root/build/linux/bench"
bin="$root/build/windows/bin"
figures=$(mktemp)
out=$(mktemp)
trap 'rm -f "$figures" "$out"' EXIT

status=0
run() {
    echo "== $*"
    if ! "$@" | tee "$out" | { grep -v '^FIGURE' || true; }; then
        echo "FAILED: $*"
        status=1
    fi
    grep '^FIGURE' "$out" >>"$figures" || true
}

run "$linux/plk_bench_pass" --benchmark_color=false
run "$linux/plk_bench_ini"
size=$(stat -c %s "$bin/Pacelark.dll")
awk -v s="$size" 'BEGIN { printf "FIGURE\tPacelark.dll size\t%d bytes (%.1f KiB)\t\t\n", s, s / 1024 }' >>"$figures"
(cd "$bin" && run bash "$root/cmake/wine-run.sh" ./plk_load_cycles.exe)
export NODE_MODULES="$root/build/web/node/node_modules"
run node "$root/bench/page_bench.js" "$root/build/web/Pacelark-settings.html" "$root/build/web/bench"
run node "$root/bench/try_bench.js" "$root/build/web/Pacelark-settings.html" "$root/build/web/bench-try"

echo
awk -F'\t' '
    { name[NR] = $2; value[NR] = $3; goal[NR] = $4; verdict[NR] = $5
      if (length($2) > w1) w1 = length($2); if (length($3) > w2) w2 = length($3); if (length($4) > w3) w3 = length($4) }
    END {
        if (w3 < 4) w3 = 4
        line = sprintf("%" (w1 + w2 + w3 + 18) "s", ""); gsub(/ /, "-", line)
        printf "%-" w1 "s | %-" w2 "s | %-" w3 "s | %s\n", "Figure", "Value", "Goal", "Verdict"
        print line
        for (i = 1; i <= NR; i++) printf "%-" w1 "s | %-" w2 "s | %-" w3 "s | %s\n", name[i], value[i], goal[i], verdict[i]
    }' "$figures"
exit $status
