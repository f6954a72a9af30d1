#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it.
#
#   check_layering.sh [source root]
#
# The layers, bottom up: platform, cards, codecs, tree, storage, solver, and
# on top queries and shell together (the shell's command table names the
# query commands' handlers; the query commands answer through the shell's
# replies, number reading and settings). A folder includes only its own
# headers and those of folders below it. Tests, benchmarks and examples sit
# above everything and are not checked.
set -u

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

declare -A rank=([platform]=0 [cards]=1 [codecs]=2 [tree]=3 [storage]=4 [solver]=5
                 [queries]=6 [shell]=6)

status=0
for folder in "${!rank[@]}"; do
    [ -d "$root/$folder" ] || continue
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        line=${rest%%:*}
        included=$(sed -E 's/.*#include "([a-z_0-9]+)\/.*/\1/' <<<"$rest")
        [ -n "${rank[$included]+set}" ] || continue
        if [ "${rank[$included]}" -gt "${rank[$folder]}" ]; then
            echo "${file#"$root"/}:$line: $folder includes $included, a layer above it"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_0-9]+/' \
                 --include='*.h' --include='*.cpp' "$root/$folder")
done
exit $status
