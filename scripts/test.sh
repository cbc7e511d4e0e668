#!/usr/bin/env bash
# Builds Tessel twice out of tree (optimised, and with AddressSanitizer + UBSan) and runs
# the whole test suite in both builds, then builds the fuzz targets with clang and runs each
# for 10 seconds. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -DTESSEL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== optimised build =="
run_suite "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build (ASan + UBSan) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite "$root/build/asan" -DCMAKE_BUILD_TYPE=Debug -DTESSEL_SANITIZE=ON
echo "== fuzz targets (clang, libFuzzer, ASan + UBSan; 10 s each) =="
"$root/scripts/fuzz.sh" 10
echo "all tests passed in both builds, and every fuzz target ran without a fault"
