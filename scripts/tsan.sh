#!/usr/bin/env bash
# Builds the network text receiver's tests with ThreadSanitizer in build/tsan and runs
# them: the receiver thread and its readers must meet only through atomics.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$root/build/tsan" -DCMAKE_BUILD_TYPE=Debug -DTESSEL_WERROR=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread "${launcher[@]}" >/dev/null
cmake --build "$root/build/tsan" -j "$(nproc 2>/dev/null || echo 2)" --target test_zuknet
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$root/build/tsan/tests/test_zuknet"
