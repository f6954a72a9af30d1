#!/usr/bin/env bash
# Runs one protocol case and compares what the program printed.
#
#   run_case.sh <vostrel binary> <path/NAME.cmd>
#
# NAME.cmd is fed to the program's standard input in a fresh temporary
# directory that holds copies of every NAME.* file beside it (scripts and other
# fixtures the case refers to by name). Optional companions:
#   NAME.args   extra command-line arguments, one per line
#   NAME.out    expected standard output; its banner line (the first line when
#               it is the banner, which carries the build date) reads "BANNER"
#   NAME.err    expected standard error (not compared when absent)
#   NAME.code   expected exit code (0 when absent)
#   NAME.check  files the run should leave behind, one per line; each is
#               appended to the output as "=== file ===" and its contents
#   NAME.mask   sed script applied to the output before the comparison, for
#               figures that vary from run to run (timings)
#   NAME.meminfo  what the program reads as /proc/meminfo: the run takes place
#               in a private mount namespace with this file bound over it;
#               where no such namespace can be had, the case is skipped
#               (exit code 77)
# On a mismatch a unified diff is printed and the exit code is 1.
set -u

binary=$1
case_file=$2
case_dir=$(cd "$(dirname "$case_file")" && pwd)
name=$(basename "$case_file" .cmd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$case_dir/$name".* "$work"/

args=()
if [ -f "$work/$name.args" ]; then
    mapfile -t args < "$work/$name.args"
fi

cd "$work" || exit 1
# A fixed program name keeps the parser's usage and error texts stable.
if [ -f "$name.meminfo" ]; then
    in_namespace='mount --bind "$1" /proc/meminfo && shift && exec -a vostrel "$@"'
    if ! unshare -m bash -c "$in_namespace" _ "$name.meminfo" true 2>/dev/null; then
        echo "skipped: no private mount namespace for $name.meminfo"
        exit 77
    fi
    unshare -m bash -c "$in_namespace" _ "$name.meminfo" "$binary" "${args[@]}" \
        < "$name.cmd" > actual.out 2> actual.err
else
    (exec -a vostrel "$binary" "${args[@]}") < "$name.cmd" > actual.out 2> actual.err
fi
code=$?

sed -i '1s/^Vostrel (Quillon) build .*$/BANNER/' actual.out
if [ -f "$name.mask" ]; then
    sed -i -f "$name.mask" actual.out
fi
if [ -f "$name.check" ]; then
    while IFS= read -r file; do
        echo "=== $file ==="
        cat "$file"
    done < "$name.check" >> actual.out
fi

status=0
if ! diff -u --label expected --label actual "$name.out" actual.out; then
    status=1
fi
if [ -f "$name.err" ] && ! diff -u --label expected.err --label actual.err "$name.err" actual.err; then
    status=1
fi
expected_code=0
if [ -f "$name.code" ]; then
    expected_code=$(tr -d '[:space:]' < "$name.code")
fi
if [ "$code" != "$expected_code" ]; then
    echo "exit code $code, expected $expected_code"
    status=1
fi
exit $status
