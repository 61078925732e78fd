#!/bin/bash
# The real DLL, out of storage for a notice copy: message and status 1.
set -uo pipefail
run="$1" bin="$2"
cd "$bin"
for mode in label word; do
    err=$("$run" plk_alloc_fail.exe "$mode" 2>&1 >/dev/null)
    status=$?
    [ "$status" = 1 ] || { echo "FAIL ($mode): exit status $status, want 1"; exit 1; }
    [ "$err" = "Memory Allocation Failed! Exiting..." ] || { echo "FAIL ($mode): stderr was: $err"; exit 1; }
done
echo "allocation failure: message and status 1, for the label and for the word"
