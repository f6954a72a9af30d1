#!/usr/bin/env bash
# Input that must neither end the program nor block it: lines longer than
# the line limit, memory running out while a line is read, tokenized or
# answered, and scripts or redirections on FIFOs without a peer. After each
# the program answers the next command.
#
#   run_limits.sh <vostrel binary> [--no-memory-limits]
#
# The memory cases run the program under a virtual-memory limit (ulimit -v),
# which the sanitizer runtimes cannot start under; their builds pass
# --no-memory-limits.
set -u

binary=$1
memory_cases=1
[[ "${2:-}" == --no-memory-limits ]] && memory_cases=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# The output without the banner line; a program that hangs is stopped.
run() {
    timeout 60 "$binary" 2>/dev/null | tail -n +2
}

expect() {
    local what=$1 expected=$2 actual=$3
    if [[ "$expected" != "$actual" ]]; then
        printf '%s: expected\n%s\ngot\n%s\n' "$what" "${expected:0:300}" "${actual:0:300}"
        status=1
    fi
}

repeat_char() {
    head -c "$2" /dev/zero | tr '\0' "$1"
}

# Lines: 1048576 characters are kept, a longer line is answered and skipped,
# also when it is the last one and has no newline.
output=$( (printf 'echo '; repeat_char x 1048571; printf '\nis_ready\n') | run)
expect "line at the limit" "$(repeat_char x 1048571)"$'\nis_ready ok!' "$output"
output=$( (printf 'echo '; repeat_char x 3000000; printf '\nis_ready\n') | run)
expect "line over the limit" $'ERROR: line longer than 1048576 characters\nis_ready ok!' "$output"
output=$( (printf 'is_ready\necho '; repeat_char x 3000000) | run)
expect "unterminated last line over the limit" \
    $'is_ready ok!\nERROR: line longer than 1048576 characters' "$output"

if [[ $memory_cases == 1 ]]; then
    # Half a million tokens do not fit in 20 MB.
    output=$( (printf 'echo '; repeat_char a 520000 | sed 's/a/a /g'; printf '\nis_ready\n') |
              (ulimit -v 20000; run))
    expect "tokens beyond memory" $'ERROR: echo out of memory\nis_ready ok!' "$output"
    # 200 MB of output in 450 MB: written where it stands, without a copy.
    output=$( (printf 'repeat 99999 '; repeat_char z 2000; printf '\nis_ready\n') |
              (ulimit -v 450000; run) | tail -n 3 | cut -c1-12)
    expect "large output in little memory" $'zzzzzzzzzzzz\nEND\nis_ready ok!' "$output"
    # 99999 copies of a long line do not fit at all.
    output=$( (printf 'repeat 99999 '; repeat_char y 20000; printf '\nis_ready\n') |
              (ulimit -v 450000; run))
    expect "output beyond memory" $'ERROR: repeat out of memory\nis_ready ok!' "$output"
fi

# FIFOs without a peer are refused at once; with a peer they work.
fifo="$work/fifo"
mkfifo "$fifo"
output=$(printf 'load_script %s\nstdoutredi %s\nload_tree %s\nis_ready\n' "$fifo" "$fifo" "$fifo" | run)
expect "FIFOs without a peer" \
    $'ERROR: load_script can\'t open file\nERROR: stdoutredi can\'t open file\nERROR: load_tree can\'t open file (errno 6)\nis_ready ok!' \
    "$output"

# Devices may never end: /dev/zero reads as zeros for ever.
output=$(printf 'load_script /dev/zero\nload_tree /dev/zero\nis_ready\n' | run)
expect "devices" \
    $'ERROR: load_script can\'t open file\nERROR: load_tree can\'t open file (errno 19)\nis_ready ok!' \
    "$output"

# An archive head from a FIFO's writer: read to its version, which is refused.
printf 'AI6:\006\000\000\000' > "$fifo" &
writer=$!
output=$(printf 'sleep 300\nload_tree %s\nis_ready\n' "$fifo" | run)
wait $writer
expect "archive from a FIFO with a writer" \
    $'ERROR: load_tree unsupported data format, update to latest version\nis_ready ok!' "$output"

printf 'echo from_fifo\n' > "$fifo" &
writer=$!
output=$(printf 'sleep 300\nload_script %s\nis_ready\n' "$fifo" | run)
wait $writer
expect "script from a FIFO with a writer" $'from_fifo\nis_ready ok!' "$output"

cat "$fifo" > "$work/from_fifo" &
reader=$!
output=$(printf 'sleep 300\nstdoutredi %s\necho into_fifo\nstdoutback\nis_ready\n' "$fifo" | run)
wait $reader
expect "redirection into a FIFO with a reader" $'stdoutback ok!\nis_ready ok!' "$output"
expect "what the FIFO's reader got" $'stdoutredi ok!\ninto_fifo' "$(cat "$work/from_fifo")"

exit $status
