#!/usr/bin/env bash
# Builds the program and every test, and runs them all (the fuzzer's corpus replay and the
# Xvfb smoke tests among them). The sanitizer pass is scripts/sanitize.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh tests
source scripts/build_env.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The benchmarks are built too (not run), so that they keep building as the code changes.
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_TESTS=ON -DPENWICK_BENCH=ON \
  -DPENWICK_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
