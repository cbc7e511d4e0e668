#!/bin/sh
# Times Tessel's whole start-up on a tree (load, then quit) beside ripgrep reading the same
# tree, alternating, and prints each run with the machine's state: the steal time and the
# load average, which on a shared virtual machine explain most outliers.
#   bench/load_vs_rg.sh DIR [RUNS] [MODES]
# MODES is a blank-separated list of lines, fastload and bench-lines, bench-fast (the load as
# tessel-bench reports it); default "lines fastload". TESSEL_BUILD names the build folder
# (default build/release). The tree is read once before the first run, so that every run
# finds it in the page cache.
set -eu
if [ $# -lt 1 ]; then
    echo "usage: $0 DIR [RUNS] [MODES]" >&2
    exit 2
fi
dir=$1
runs=${2:-5}
modes=${3:-"lines fastload"}
build=${TESSEL_BUILD:-build/release}
app="$build/src/app"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'wait 600000\nquit\n' > "$work/quit.batch"

steal() { awk '/^cpu /{print $9}' /proc/stat; }

# timed LABEL COMMAND...: one line of figures for one run.
timed() {
    label=$1
    shift
    before=$(steal)
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" > "$work/out" 2>&1 || true
    end=$(date +%s%N)
    after=$(steal)
    set -- $(tail -n 1 "$work/time")
    printf '%-12s %6.2f s   user %5.2f s   sys %5.2f s   rss %5d MB   steal %4d ms   load %s\n' \
        "$label" "$(awk "BEGIN { print ($end - $start) / 1e9 }")" "$1" "$2" $(($3 / 1024)) \
        $(( (after - before) * 10 )) "$(cut -d' ' -f1 /proc/loadavg)"
    if [ "${label#bench}" != "$label" ]; then grep -E '^(load|memory)' "$work/out" | sed 's/^/             /'; fi
}

rg -c -i quaternion "$dir" > /dev/null 2>&1 || true
for run in $(seq "$runs"); do
    for mode in $modes; do
        timed rg rg -c -i quaternion "$dir"
        case $mode in
            lines) timed lines env QT_QPA_PLATFORM=offscreen "$app/tessel" -batch "$work/quit.batch" "$dir" ;;
            fastload) timed fastload env QT_QPA_PLATFORM=offscreen "$app/tessel" -fastload -batch "$work/quit.batch" "$dir" ;;
            bench-lines) timed bench-lines "$app/tessel-bench" -lines "$dir" ;;
            bench-fast) timed bench-fast "$app/tessel-bench" "$dir" ;;
            *) echo "unknown mode $mode" >&2; exit 2 ;;
        esac
    done
done
