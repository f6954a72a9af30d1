#!/usr/bin/env bash
# Builds Vostrel (installing what is missing) and feeds it a command script:
#   ./run.sh [FILE]     FILE defaults to examples/solve.txt
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/scripts/common.sh"

script="${1:-$VOSTREL_ROOT/examples/solve.txt}"
if [[ ! -f "$script" ]]; then
    echo "run.sh: no such script file: $script" >&2
    exit 1
fi

install_missing_packages "${VOSTREL_PACKAGES[@]}"
build_release vostrel
exec "$VOSTREL_BUILD/vostrel" <"$script"
