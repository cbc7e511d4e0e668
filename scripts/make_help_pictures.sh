#!/usr/bin/env bash
# Makes the help's chapter pictures again: every src/help/pictures/*.batch is played by the
# program offscreen from the repository's root, with a fresh configuration, and its "shot"
# writes the JPEG beside it. Run it after the window changed; the next build embeds them.
#   scripts/make_help_pictures.sh [TESSEL]    (default: builds build/release/src/app/tessel)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tessel=${1:-}
if [ -z "$tessel" ]; then
    cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build/release" -j "$(nproc 2>/dev/null || echo 2)" --target tessel
    tessel=$root/build/release/src/app/tessel
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"
for batch in src/help/pictures/*.batch; do
    args=$(sed -n 's/^#args:[ ]*//p' "$batch")
    rm -rf "$work/config"
    mkdir -p "$work/config"
    # shellcheck disable=SC2086 # the arguments are words on purpose
    XDG_CONFIG_HOME=$work/config HOME=$work QT_QPA_PLATFORM=offscreen \
        "$tessel" -batch "$batch" $args >/dev/null
    echo "made from $batch"
done
ls -l src/help/pictures/*.jpg
