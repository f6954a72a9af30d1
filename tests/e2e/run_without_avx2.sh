#!/usr/bin/env bash
# Runs the program on emulated processors that lack what this machine has:
# a Sandy Bridge (AVX without AVX2) must start, answer and pick the generic
# kernels, so nothing before the dispatch may execute an AVX2 instruction; a
# Nehalem (no AVX) must be refused at start-up.
#
#   run_without_avx2.sh <qemu-x86_64> <vostrel binary>
set -u

qemu=$1
binary=$2
status=0

# qemu warns on its error stream about host features it cannot emulate; only
# the program's standard output is compared.
run_on() {
    local cpu=$1 input=$2
    printf '%s' "$input" | "$qemu" -cpu "$cpu" "$binary" 2>/dev/null
}

expect() {
    local what=$1 expected=$2 actual=$3
    if [[ "$expected" != "$actual" ]]; then
        printf '%s: expected\n%s\ngot\n%s\n' "$what" "$expected" "$actual"
        status=1
    fi
}

output=$(run_on SandyBridge $'echo hi\nai6_get_instruction_set\n')
code=$?
expect "SandyBridge exit code" 0 "$code"
expect "SandyBridge output" $'hi\nAVX' "$(tail -n +2 <<<"$output")"

# The generic hand-category kernels give what this machine's variant gives.
categories=$'show_categories 9h8h2cKd\nshow_categories 2s2d2c7h7d\n'
expect "SandyBridge hand categories" "$(printf '%s' "$categories" | "$binary" | tail -n +2)" \
    "$(run_on SandyBridge "$categories" | tail -n +2)"

# The answer names AVX2 whenever the processor has it, also where the AVX2
# kernels cannot run (no BMI2); checked only where this qemu emulates AVX2.
if [[ "$(run_on Haswell $'ai6_get_instruction_set\n' | tail -n 1)" == AVX2 ]]; then
    output=$(run_on Haswell,-bmi2 $'ai6_get_instruction_set\n')
    expect "Haswell without BMI2 output" "AVX2" "$(tail -n 1 <<<"$output")"
fi

output=$(run_on Nehalem $'echo hi\n')
code=$?
expect "Nehalem exit code" 1 "$code"
expect "Nehalem output" "" "$output"

exit $status
