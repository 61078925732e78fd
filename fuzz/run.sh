#!/bin/bash
# Runs each fuzz target for the given number of seconds, starting from the
# seed corpus in the repository; new inputs go to the build folder only.
# A crash leaves its input in <build>/artifacts and fails the run.
set -euo pipefail
build="$1"
seconds="${2:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
status=0
for target in ini settings scenario drawlist checker; do
    work="$build/corpus/$target"
    mkdir -p "$work" "$build/artifacts"
    # The plug-in's reader takes a settings file; the tools also take files of
    # several megabytes from players.
    case $target in
        ini|settings) max_len=65536 dict="$here/ini.dict" ;;
        checker) max_len=$((4 << 20)) dict="$here/ini.dict" ;;
        *) max_len=$((4 << 20)) dict="$here/$target.dict" ;;
    esac
    echo "fuzz: $target for ${seconds}s"
    if ! "$build/plk_fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$max_len" -dict="$dict" -artifact_prefix="$build/artifacts/$target-" \
        -print_final_stats=1 "$work" "$here/corpus/$target" >"$build/$target.log" 2>&1; then
        tail -n 40 "$build/$target.log"
        echo "fuzz: $target FAILED (input in $build/artifacts)"
        status=1
    else
        grep -E "stat::number_of_executed_units|cov: " "$build/$target.log" | tail -n 2
    fi
done
exit $status
