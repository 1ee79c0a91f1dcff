# Sourced by build.sh and CI: the folder that holds the shared Qt and libusb prefix for
# Windows, beside the checkout given as $1 unless KESTRIX_WINDOWS_SHARED names another.
kestrix_windows_shared() {
    printf '%s' "${KESTRIX_WINDOWS_SHARED:-$1/../shared/windows}"
}
