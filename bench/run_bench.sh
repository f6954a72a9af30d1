#!/usr/bin/env bash
# Solves the shipped spots (bench/spots: river, turn, flop) to their accuracy
# targets with 8 and then 2 threads, the flop spot at every compression level
# (turn and river roots keep uncompressed stores, so they run at level 0
# only), each run under /usr/bin/time -v, and prints per spot, thread count
# and level: wall seconds, iterations, the final exploitability in % of the
# pot, EV OOP (half the pot included), the peak resident memory and that
# memory as a share of the same spot's level 0 at the same thread count.
#
#   bench/run_bench.sh [build dir]     default: build/ beside this folder
#   SPOTS="flop" THREADS="8" LEVELS="0 2 4" bench/run_bench.sh   a subset
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build}"
runner="$build/solve_spot"
if [[ ! -x "$runner" ]]; then
    echo "run_bench.sh: no $runner; build the project first" >&2
    exit 1
fi

printf '%-6s %7s %5s %9s %10s %14s %8s %10s %9s\n' spot threads level seconds iterations \
    "exploit (%pot)" "EV OOP" "peak MB" "of level0"
for spot in ${SPOTS:-river turn flop}; do
    levels=0
    if [[ $spot == flop ]]; then levels=${LEVELS:-0 1 2 3 4}; fi
    for threads in ${THREADS:-8 2}; do
        level0_kb=""
        for level in $levels; do
            log=$(mktemp)
            /usr/bin/time -v "$runner" "$here/spots/$spot.txt" "$threads" "$level" \
                >"$log.out" 2>"$log"
            read -r _ _ iterations _ pot _ exploit _ ev _ < <(grep '^spot iterations' "$log.out")
            seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
                n = split($2, t, ":"); s = 0
                for (i = 1; i <= n; ++i) s = s * 60 + t[i]
                print s }' "$log")
            peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
            if [[ -z $level0_kb ]]; then level0_kb=$peak_kb; fi
            awk -v s="$spot" -v t="$threads" -v l="$level" -v sec="$seconds" -v it="$iterations" \
                -v e="$exploit" -v p="$pot" -v ev="$ev" -v kb="$peak_kb" -v kb0="$level0_kb" \
                'BEGIN { printf "%-6s %7d %5d %9.2f %10d %14.4f %8.3f %10.1f %9.2f\n",
                         s, t, l, sec, it, 100 * e / p, ev, kb / 1024, kb / kb0 }'
            rm -f "$log" "$log.out"
        done
    done
done
