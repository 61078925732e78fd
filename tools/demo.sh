#!/bin/bash
# The main job: the real Pacelark.dll in the stand-in host under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/windows/bin
cd "$bin"
../../../cmake/wine-run.sh pacelark-host.exe --frames 120
