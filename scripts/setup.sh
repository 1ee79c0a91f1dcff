# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds the project in build/. Source it; it sets KESTRIX_BUILD_DIR.

KESTRIX_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libusb-1.0-0-dev libudev-dev libevdev-dev fonts-dejavu-core desktop-file-utils
    umockdev libumockdev-dev valgrind strace
    dpkg-dev file appstream ccache lintian
)

kestrix_install_missing() {
    local missing=()
    for package in "${KESTRIX_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

kestrix_build() {
    local dir=$1
    shift
    # ccache, where installed, with paths taken relative to the checkout: a fresh clone on
    # the same machine reuses the objects of the working tree.
    local launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
        # Debug builds otherwise key on the build folder, and a fresh clone would miss them all.
        export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
        # The tests share one precompiled Qt header; ccache takes it with these.
        export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
    cmake --build "$dir" --parallel
}

KESTRIX_BUILD_DIR=${KESTRIX_BUILD_DIR:-build}
