#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UBSan, and runs every
# target for SECONDS (default 60) from its corpus in fuzz/corpus/<target>/. New inputs that
# reach new code go to build/fuzz/corpus/<target>/ (the repository's corpus is only read);
# a crash leaves its input in build/fuzz/crashes/ and fails the script.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
TESSEL_WITH_CLANG=1 "$root/scripts/setup.sh"

build=$root/build/fuzz
jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSEL_FUZZ=ON \
    -DTESSEL_SANITIZE=ON -DTESSEL_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs" --target tessel-fuzz
fuzzer=$build/fuzz/tessel-fuzz

if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(TESSEL_FUZZ_LIST=1 "$fuzzer")
fi
mkdir -p "$build/crashes"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
    work=$build/corpus/$target
    seeds=$root/fuzz/corpus/$target
    mkdir -p "$work"
    dirs=("$work")
    [ -d "$seeds" ] && dirs+=("$seeds")
    echo "== $target: $seconds s"
    if ! TESSEL_FUZZ_TARGET=$target "$fuzzer" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=0 \
            -artifact_prefix="$build/crashes/$target-" "${dirs[@]}" \
            >"$build/$target.log" 2>&1; then
        tail -n 40 "$build/$target.log"
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz targets failed: ${failed[*]} (inputs in $build/crashes)"
    exit 1
fi
echo "all ${#targets[@]} fuzz targets ran $seconds s each without a fault"
