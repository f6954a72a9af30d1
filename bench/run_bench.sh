#!/usr/bin/env bash
# Solves the shipped spots (bench/spots: river, turn, flop) to their accuracy
# targets with 8 and then 2 threads, each run under /usr/bin/time -v, and
# prints per spot and thread count: wall seconds, iterations, the final
# exploitability in % of the pot, and the peak resident memory.
#
#   bench/run_bench.sh [build dir]     default: build/ beside this folder
#   SPOTS="turn river" THREADS="8" bench/run_bench.sh   a subset
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build}"
runner="$build/solve_spot"
if [[ ! -x "$runner" ]]; then
    echo "run_bench.sh: no $runner; build the project first" >&2
    exit 1
fi

printf '%-6s %7s %9s %10s %14s %10s\n' spot threads seconds iterations "exploit (%pot)" "peak MB"
for spot in ${SPOTS:-river turn flop}; do
    for threads in ${THREADS:-8 2}; do
        log=$(mktemp)
        /usr/bin/time -v "$runner" "$here/spots/$spot.txt" "$threads" >"$log.out" 2>"$log"
        read -r _ _ iterations _ pot _ exploit < <(grep '^spot iterations' "$log.out")
        seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, t, ":"); s = 0
            for (i = 1; i <= n; ++i) s = s * 60 + t[i]
            print s }' "$log")
        peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
        awk -v s="$spot" -v t="$threads" -v sec="$seconds" -v it="$iterations" \
            -v e="$exploit" -v p="$pot" -v kb="$peak_kb" \
            'BEGIN { printf "%-6s %7d %9.2f %10d %14.4f %10.1f\n", s, t, sec, it, 100 * e / p, kb / 1024 }'
        rm -f "$log" "$log.out"
    done
done
