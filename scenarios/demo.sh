#!/bin/bash
# The main job: the real Pacelark.dll in the stand-in host under Wine, through
# the demo scenario; the native pacelark-sim draws the marked frames.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/demo
mkdir -p "$out"
rm -f "$out"/*.png "$out"/draws.txt
(
    cd build/windows/bin
    ../../../cmake/wine-run.sh pacelark-host.exe --scenario ../../../scenarios/demo.txt --draws ../../demo/draws.txt
)
build/linux/tools/pacelark-sim render "$out/draws.txt" --out "$out" >/dev/null
echo
echo "The frame table above is the real Pacelark.dll under Wine, through scenarios/demo.txt."
echo "Pictures of the marked frames are in $out/:"
for png in "$out"/*.png; do echo "  $png"; done
