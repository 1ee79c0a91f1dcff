# Shared by run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds the project in build/. Source it; it sets KESTRIX_BUILD_DIR.

KESTRIX_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libusb-1.0-0-dev libudev-dev fonts-dejavu-core desktop-file-utils
    umockdev libumockdev-dev valgrind
    dpkg-dev file appstream
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
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" --parallel
}

KESTRIX_BUILD_DIR=${KESTRIX_BUILD_DIR:-build}
