#!/bin/bash
# Builds the project for 64-bit Windows with Debian's mingw-w64, runs its tests under Wine
# with --test, and with --package makes the zip (kestrix-<version>-windows-x64.zip in the
# build folder) and checks that it runs from where it is unpacked.
#
#   scripts/windows/build.sh [--test] [--package] [BUILD_DIR]      (default build-windows/)
#
# Qt 6.4.2 and libusb for Windows come from ../shared/windows/qt6-mingw-6.4.2.tar.xz beside
# the checkout, unpacked once into the cache folder; where that tarball is missing, they are
# built once from Debian's source packages of the same versions (about half an hour on two
# cores). KESTRIX_WINDOWS_CACHE names the cache folder (default ~/.cache/kestrix-windows);
# KESTRIX_WINDOWS_PREFIX names a finished prefix to use as it is.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
run_tests=0
make_package=0
build_dir=
for argument in "$@"; do
    case $argument in
    --test) run_tests=1 ;;
    --package) make_package=1 ;;
    -h | --help)
        sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    -*)
        echo "build.sh: unknown option $argument" >&2
        exit 2
        ;;
    *) build_dir=$argument ;;
    esac
done
build_dir=$(realpath -m "${build_dir:-$source_dir/build-windows}")
cache=${KESTRIX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrix-windows}
source "$here/shared_folder.sh"
shared=$(kestrix_windows_shared "$source_dir")
tarball=$shared/qt6-mingw-6.4.2.tar.xz
qt_version=6.4.2
libusb_version=1.0.26
# The Debian source versions the shared prefix was built from.
qt_source=qt6-base=6.4.2+dfsg-10
libusb_source=libusb-1.0=2:1.0.26-1

cd "$source_dir"
source scripts/setup.sh
# The cross compiler, Wine to run the result, and what the host's Qt lends the build
# (moc, uic, rcc, lrelease).
kestrix_install_missing g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xz-utils unzip

# Builds Qt's qtbase and libusb for Windows from Debian's source packages into $1.
build_prefix() {
    local prefix=$1
    local work=$cache/source
    kestrix_install_missing dpkg-dev
    mkdir -p "$work"
    if ! ls "$work"/qt6-base_"$qt_version"*.dsc >/dev/null 2>&1 ||
        ! ls "$work"/libusb-1.0_"$libusb_version"*.dsc >/dev/null 2>&1; then
        # apt-get source needs a deb-src entry; Debian's own mirror, as the binary packages.
        if ! apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx Sources; then
            echo "build.sh: no deb-src entry for Debian's sources: add one (for example" \
                "'Types: deb deb-src' in /etc/apt/sources.list.d/debian.sources) and run" \
                "apt-get update" >&2
            exit 1
        fi
        (cd "$work" && apt-get source --download-only "$qt_source" "$libusb_source")
    fi
    (cd "$work" && rm -rf qt6-base-src libusb-src &&
        dpkg-source -x qt6-base_"$qt_version"*.dsc qt6-base-src >/dev/null &&
        dpkg-source -x libusb-1.0_"$libusb_version"*.dsc libusb-src >/dev/null)

    local toolchain=$here/mingw-w64-x86_64.cmake
    mkdir -p "$prefix"
    export KESTRIX_WINDOWS_PREFIX=$prefix
    local options=(
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_TESTS=OFF
        -DQT_BUILD_EXAMPLES=OFF -DFEATURE_pkg_config=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF
        -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=ON
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF
        -DFEATURE_androiddeployqt=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON
        -DFEATURE_direct2d1_1=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_openssl=OFF)
    # Qt's bundled copies, not the host's Linux libraries.
    for library in zlib pcre2 harfbuzz png jpeg freetype doubleconversion md4c libb2; do
        options+=("-DFEATURE_system_$library=OFF")
    done
    nice -n 10 cmake -S "$work/qt6-base-src" -B "$work/qt6-base-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
    nice -n 10 cmake --build "$work/qt6-base-build" --parallel
    cmake --install "$work/qt6-base-build"

    (cd "$work/libusb-src" &&
        ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-static \
            CC=x86_64-w64-mingw32-gcc-posix &&
        nice -n 10 make -j"$(nproc)" && make install)
}

if [ -n "${KESTRIX_WINDOWS_PREFIX:-}" ]; then
    prefix=$KESTRIX_WINDOWS_PREFIX
elif [ -f "$tarball" ]; then
    prefix=$cache/qt6-mingw
    stamp=$cache/qt6-mingw.unpacked
    if [ ! -f "$stamp" ] || [ "$tarball" -nt "$stamp" ]; then
        echo "Unpacking $tarball into $cache"
        rm -rf "$prefix"
        mkdir -p "$cache"
        tar -xJf "$tarball" -C "$cache"
        touch "$stamp"
    fi
else
    prefix=$cache/qt6-mingw-built
    if [ ! -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] || [ ! -f "$prefix/bin/libusb-1.0.dll" ]; then
        echo "$tarball is missing: building Qt $qt_version and libusb $libusb_version for Windows" \
            "from Debian's sources into $prefix (about half an hour, once)"
        build_prefix "$prefix"
    fi
fi
if [ ! -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "build.sh: $prefix holds no Qt for Windows" >&2
    exit 1
fi

launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$source_dir}
    export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
export KESTRIX_WINDOWS_PREFIX=$prefix
nice -n 10 cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" -DKESTRIX_WINDOWS_PREFIX="$prefix" \
    "${launcher[@]}"
nice -n 10 cmake --build "$build_dir" --parallel

if [ "$run_tests" = 1 ]; then
    (cd "$build_dir" && nice -n 10 ctest --output-on-failure --parallel "${KESTRIX_TEST_JOBS:-2}")
fi
if [ "$make_package" = 1 ]; then
    nice -n 10 cmake --build "$build_dir" --target package
    "$here/check-package.sh" "$build_dir"
fi
