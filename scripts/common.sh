# Steps shared by run.sh and test.sh: install what the build needs from
# Debian's packages, then configure and build the Release tree in build/.
# Sourced by those scripts; not meant to be run on its own.

VOSTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VOSTREL_BUILD="$VOSTREL_ROOT/build"
# libzstd-dev is a test-only oracle for the FSE and Huffman block formats.
VOSTREL_PACKAGES=(cmake g++ make libtbb-dev libtclap-dev googletest libgtest-dev libzstd-dev)

# Installs those of the named packages that are missing. Nothing is asked of
# apt when all are there, so a machine without network access still builds.
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    local as_root=()
    [[ $(id -u) -ne 0 ]] && as_root=(sudo)
    echo "installing: ${missing[*]}" >&2
    "${as_root[@]}" apt-get update >&2
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}" >&2
}

# Build output goes to the error stream so that `./run.sh FILE > out.txt`
# captures only what the program prints. Targets may be named (run.sh builds
# the program alone); without any, everything is built, tests included.
build_release() {
    local targets=()
    [[ $# -gt 0 ]] && targets=(--target "$@")
    cmake -S "$VOSTREL_ROOT" -B "$VOSTREL_BUILD" -DCMAKE_BUILD_TYPE=Release >&2
    cmake --build "$VOSTREL_BUILD" -j"$(nproc)" "${targets[@]}" >&2
}
