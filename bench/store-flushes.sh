#!/usr/bin/env bash
# Counts the disk flushes (fsync, fdatasync) of one ordinary store through
# the program, from the store until two seconds after it, as the median of
# several runs:  bench/store-flushes.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
counts=()
for ((k = 0; k < runs; ++k)); do
    trace=$(mktemp)
    strace -f -qq -e trace=fsync,fdatasync,write -o "$trace" build/bin/tarvo-bench-store --one 2>/dev/null
    counts+=("$(awk '/store begins/ { on = 1; next } /two seconds after the list/ { on = 0 }
                   on && /(fsync|fdatasync)\(/ { n++ } END { print n + 0 }' "$trace")")
    rm -f "$trace"
done
printf '%s\n' "${counts[@]}" | sort -n | awk -v runs="$runs" '{ c[NR] = $1 } END {
    printf "flushes per store, %d runs: median %d (min %d, max %d)\n", runs, c[int((NR + 1) / 2)], c[1], c[NR] }'
