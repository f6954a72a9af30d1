#!/usr/bin/env bash
# Builds Vostrel (installing what is missing) and runs every test through ctest.
# qemu-user lets one test run the program on an emulated processor without AVX2.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/scripts/common.sh"

install_missing_packages "${VOSTREL_PACKAGES[@]}" qemu-user
build_release
exec ctest --test-dir "$VOSTREL_BUILD" --output-on-failure -j"$(nproc)"
