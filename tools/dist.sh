#!/bin/bash
# The release package: the DLL, the sample settings and the players' readme.
set -euo pipefail
cd "$(dirname "$0")/.."
version="$1"
mkdir -p dist
cp build/windows/bin/Pacelark.dll dist/Pacelark.dll
echo "dist/Pacelark.dll"
cp config/Pacelark.ini dist/Pacelark.ini
echo "dist/Pacelark.ini"
