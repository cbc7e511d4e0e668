#!/usr/bin/env bash
# Builds Tessel (optimised, out of tree) and runs it. Without arguments it opens the
# repository's own sources and documents, so there is something to search at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/release" -j "$(nproc 2>/dev/null || echo 2)" --target tessel
# The default collection: the repository without its build output and history.
if [ $# -eq 0 ]; then set -- -dir "$root" '!build' '!.git'; fi
exec "$root/build/release/src/app/tessel" "$@"
