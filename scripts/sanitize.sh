#!/usr/bin/env bash
# Sanitizer runs of the test suite, the CI step after ./test.sh:
#
#   build-asan  address and undefined-behaviour sanitizers: every unit test
#               and every protocol case, except the emulated processors (that
#               case checks which instructions start-up executes, and the
#               sanitizer runtime does not run under qemu-user), and the
#               protocol fuzzer's fixed seeds (fuzz.protocol). The archive
#               corruption sweeps take every tenth of their positions here
#               (the Release run takes all); VOSTREL_FULL_SWEEP=1 in the
#               environment makes them take all here too.
#   build-tsan  thread sanitizer: the solver thread, the queries and edits
#               made while it runs (with uncompressed river stores and at
#               compression levels 2 and 4), the schedulers of the work items,
#               the commands of forgotten streets against a running solver, the
#               parallel solve of all splits (uncompressed and at levels 2 and
#               4), the per-split capture, the protocol cases that race the
#               solver and the fuzzer's seeds.
#
# The thread sanitizer build uses Clang with LLVM's OpenMP runtime, whose
# Archer tool tells the sanitizer about the team's fork, barriers and join:
# GCC's runtime synchronises in code the sanitizer cannot see, so every
# parallel loop would report races that cannot happen.
#
# Both builds are RelWithDebInfo: optimised enough for the solver tests to
# finish quickly, with line numbers in the reports.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ASAN_BUILD="$VOSTREL_ROOT/build-asan"
TSAN_BUILD="$VOSTREL_ROOT/build-tsan"
TSAN_TESTS='^(SolverThread\.|QueriesWhileSolving\.|SmallSolves\.SchedulersAgree$|ForgetWhileSolving\.|SolveAllSplits\.|QueryResults\.PerSplitCapture|Levels/ForgetCompressed\.RebuiltAndSolvedAgain/|e2e\.(edits|equity)_while_solving$|fuzz\.protocol$)'
JOBS=$(nproc)

# Undefined behaviour fails the run instead of printing and going on. The
# allocator answers a refused allocation with null, as the C library does:
# the program reports it itself ("out of memory"), and death tests check that.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1

configure() {
    local dir=$1
    shift
    cmake -S "$VOSTREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
}

run_address_sanitizer() {
    configure "$ASAN_BUILD" -DVOSTREL_SANITIZE=ON
    cmake --build "$ASAN_BUILD" -j"$JOBS" --target vostrel_tests vostrel vostrel_fuzz >&2
    ctest --test-dir "$ASAN_BUILD" --output-on-failure -j"$JOBS" -E '^e2e\.emulated_'
}

run_thread_sanitizer() {
    configure "$TSAN_BUILD" -DVOSTREL_TSAN=ON -DCMAKE_CXX_COMPILER=clang++
    cmake --build "$TSAN_BUILD" -j"$JOBS" --target vostrel_tests vostrel vostrel_fuzz >&2
    ctest --test-dir "$TSAN_BUILD" --output-on-failure -j"$JOBS" -R "$TSAN_TESTS"
}

install_missing_packages "${VOSTREL_PACKAGES[@]}" clang libomp-dev
run_address_sanitizer
run_thread_sanitizer
