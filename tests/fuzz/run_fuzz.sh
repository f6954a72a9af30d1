#!/usr/bin/env bash
# Runs protocol fuzzer sessions against a build of the program and reports
# every session that ends the program with an error code (a crash, an abort,
# the fatal exit, a sanitizer's halt), hangs, draws a sanitizer report, or
# accepts one of the generator's out-of-bounds lines (an "ok!" between its
# "bound-probe" markers).
#
#   run_fuzz.sh <vostrel binary> <vostrel_fuzz binary> [options]
#     --seeds FIRST COUNT   seeds FIRST to FIRST+COUNT-1 (default 1 100)
#     --commands N          commands per session (default 60)
#     --jobs N              sessions run at once (default: processors)
#     --timeout S           seconds a session may take (default 120)
#     --keep DIR            copy each failing session's directory into DIR
#
# CI runs a fixed range of seeds through ctest (fuzz.protocol) in every
# build, the sanitizer builds included; a longer run is, for instance,
#   tests/fuzz/run_fuzz.sh build-asan/vostrel build-asan/vostrel_fuzz \
#       --seeds 1000 5000 --keep fuzz-failures
# A failing session is replayed from its directory: the program reads
# session.cmd there (vostrel < session.cmd); each finding becomes a small
# regression case in tests/e2e.
set -u

if [[ $# -lt 2 ]]; then
    sed -n '2,22p' "$0"
    exit 2
fi
binary=$(realpath "$1")
generator=$(realpath "$2")
shift 2
first=1
count=100
commands=60
jobs=$(nproc)
timeout_seconds=120
keep=""
while [[ $# -gt 0 ]]; do
    case $1 in
        --seeds) first=$2; count=$3; shift 3 ;;
        --commands) commands=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        --timeout) timeout_seconds=$2; shift 2 ;;
        --keep) keep=$(realpath -m "$2"); shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

# Sanitizer reports end the session with an error code.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One session; prints a report and fails when the session failed.
run_session() {
    local seed=$1
    local dir="$work/seed-$seed"
    mkdir -p "$dir"
    (cd "$dir" && "$generator" --seed "$seed" --commands "$commands" --dir . > session.cmd) || {
        echo "seed $seed: the generator failed"
        return 1
    }
    (cd "$dir" && timeout -k 5 "$timeout_seconds" "$binary" < session.cmd > stdout.txt 2> stderr.txt)
    local code=$?
    local problem=""
    if [[ $code == 124 || $code == 137 ]]; then
        problem="no end after ${timeout_seconds} s"
    elif [[ $code != 0 ]]; then
        problem="exit code $code"
    elif grep -qE 'Sanitizer|runtime error:' "$dir/stderr.txt"; then
        problem="sanitizer report"
    elif awk '$0 == "bound-probe" { on = 1; next } $0 == "bound-probe-end" { on = 0 }
              on && /ok!$/ { found = 1 } END { exit !found }' "$dir/stdout.txt"; then
        problem="a number out of bounds answered ok!"
    fi
    if [[ -z $problem ]]; then
        rm -rf "$dir"
        return 0
    fi
    echo "seed $seed: $problem"
    grep -m 5 -E 'ERROR|WARNING|runtime error|#[0-4] ' "$dir/stderr.txt" | sed 's/^/    /'
    if [[ -n $keep ]]; then
        mkdir -p "$keep"
        rm -rf "$keep/seed-$seed"
        cp -r "$dir" "$keep/seed-$seed"
    fi
    return 1
}
export -f run_session
export work generator binary commands timeout_seconds keep

last=$((first + count - 1))
failures=$(seq "$first" "$last" | xargs -P "$jobs" -I{} bash -c 'run_session {} || echo FAILED' |
           tee /dev/stderr | grep -c '^FAILED$')
echo "fuzz: $count sessions from seed $first, $failures failed"
[[ $failures == 0 ]]
