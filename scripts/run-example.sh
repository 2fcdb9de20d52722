#!/usr/bin/env bash
# Builds the program and runs it on a shipped example: renders examples/shapes-tour.txt to a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target penwick penwick_data
cd build
export QT_QPA_PLATFORM=offscreen
scene=examples/shapes-tour.txt
out=shapes-tour.png
rm -f "$out"
if ./penwick --export-png "$out" "$scene"; then
  echo "Rendered $scene to $(pwd)/$out"
else
  echo "The image export failed; here is the scene as JSON instead:" >&2
  ./penwick --dump-json "$scene"
  exit 1
fi
