#!/bin/sh
# Builds the search benchmark tree: copies of the system's C headers and Python library
# (text and source only) until the tree holds SIZE_MB megabytes.
#   bench/make_corpus.sh DIR SIZE_MB
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 DIR SIZE_MB" >&2
    exit 2
fi
dir=$1
limit=$(( $2 * 1024 * 1024 ))
mkdir -p "$dir"
sources="/usr/include $(ls -d /usr/lib/python3* 2>/dev/null || true)"
size() { du -sb "$dir" | cut -f1; }
copy=0
while [ "$(size)" -lt "$limit" ]; do
    copy=$((copy + 1))
    for src in $sources; do
        [ -d "$src" ] || continue
        target="$dir/copy$copy/$(basename "$src")"
        mkdir -p "$target"
        # Text files only: compiled and binary files are no search material.
        (cd "$src" && find . -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.py' -o -name '*.txt' \
            -o -name '*.rst' -o -name '*.c' -o -name '*.cfg' -o -name '*.tcc' -o -name '*.def' \
            -o ! -name '*.*' \) -size -2M -print0 |
            xargs -0 -r cp --parents -t "$target" 2>/dev/null || true)
        [ "$(size)" -lt "$limit" ] || break
    done
    if [ "$copy" -gt 200 ]; then
        echo "$0: sources too small to reach the size" >&2
        break
    fi
done
echo "$dir: $(du -sm "$dir" | cut -f1) MB in $(find "$dir" -type f | wc -l) files"
