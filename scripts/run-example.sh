#!/usr/bin/env bash
# Builds the program and runs it on a shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target penwick penwick_data
cd build
QT_QPA_PLATFORM=offscreen ./penwick --dump-json examples/shapes-tour.txt
