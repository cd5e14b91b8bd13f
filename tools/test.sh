#!/usr/bin/env bash
# Builds everything and runs every test headless: the program's tests (ctest
# in build/), then the fuzz targets' smoke runs under AddressSanitizer and
# UndefinedBehaviorSanitizer (ctest in build-fuzz/).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
export QT_QPA_PLATFORM=offscreen

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

if [ -f "$root/fuzz/CMakeLists.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S "$root/fuzz" -B "$root/build-fuzz" -G Ninja
  cmake --build "$root/build-fuzz" -j"$jobs"
  ctest --test-dir "$root/build-fuzz" --output-on-failure -j"$jobs"
fi
