#!/usr/bin/env bash
# Builds the program and runs it on a shipped example: with a display, opens the editor on
# examples/shapes-tour.txt; without one, renders that scene to a PNG. Says which it did.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh program
source scripts/build_env.sh
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_TESTS=OFF
cmake --build build -j"$(nproc)" --target penwick penwick_data
cd build
scene=examples/shapes-tour.txt
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "Opening the editor on $(pwd)/$scene (close the window to finish)"
  exec ./penwick "$scene"
fi
export QT_QPA_PLATFORM=offscreen
out=shapes-tour.png
rm -f "$out"
echo "No display: rendering $scene instead of opening the editor"
if ./penwick --export-png "$out" "$scene"; then
  echo "Rendered $scene to $(pwd)/$out"
else
  echo "The image export failed; here is the scene as JSON instead:" >&2
  ./penwick --dump-json "$scene"
  exit 1
fi
