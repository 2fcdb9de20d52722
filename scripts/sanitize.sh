#!/usr/bin/env bash
# The slower checks CI runs after scripts/test.sh: a short run of the scene-reader fuzzer, then
# every test again with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh sanitize
source scripts/build_env.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

CXX=clang++ configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_FUZZ=ON \
  -DPENWICK_WERROR=ON -DPENWICK_TESTS=OFF
cmake --build build-fuzz -j"$jobs" --target fuzz_scene
mkdir -p build-fuzz/corpus
./build-fuzz/fuzz/fuzz_scene -max_total_time=20 -max_len=4096 build-fuzz/corpus fuzz/corpus

configure build-asan -DCMAKE_BUILD_TYPE=Debug -DPENWICK_SANITIZE=ON -DPENWICK_TESTS=ON \
  -DPENWICK_WERROR=ON
cmake --build build-asan -j"$jobs"
# One test at a time: the leak checker stops every thread of a program at its exit, which
# goes wrong more often on a loaded machine.
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure)
