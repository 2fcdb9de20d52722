#!/usr/bin/env bash
# Builds and runs every test: once plainly, a short run of the scene-reader fuzzer, then every
# test again with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_TESTS=ON -DPENWICK_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)

if command -v clang++ >/dev/null 2>&1; then
  CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_FUZZ=ON -DPENWICK_WERROR=ON \
    -DPENWICK_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs" --target fuzz_scene
  mkdir -p build-fuzz/corpus
  ./build-fuzz/fuzz/fuzz_scene -max_total_time=20 -max_len=4096 build-fuzz/corpus fuzz/corpus
fi

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPENWICK_SANITIZE=ON -DPENWICK_TESTS=ON -DPENWICK_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)
