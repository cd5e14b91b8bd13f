#!/usr/bin/env bash
# Builds the program and starts it on the virtual camera.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$(nproc 2>/dev/null || echo 2)" --target glintview
cd "$root/build/bin"   # sounds are played from sound/ in the working directory
exec ./glintview
