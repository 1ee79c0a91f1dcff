# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads, which the Qt
# prefix was built with). KESTRIX_WINDOWS_PREFIX names the folder that holds Qt and libusb
# built for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(KESTRIX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRIX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRIX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRIX_MINGW}-windres)
set(CMAKE_AR ${KESTRIX_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KESTRIX_MINGW}-ranlib CACHE FILEPATH "")

if(NOT KESTRIX_WINDOWS_PREFIX AND DEFINED ENV{KESTRIX_WINDOWS_PREFIX})
    set(KESTRIX_WINDOWS_PREFIX $ENV{KESTRIX_WINDOWS_PREFIX})
endif()
if(NOT KESTRIX_WINDOWS_PREFIX)
    message(FATAL_ERROR "KESTRIX_WINDOWS_PREFIX must name the prefix of Qt and libusb for Windows")
endif()
# try_compile projects read this file again without the cache.
set(ENV{KESTRIX_WINDOWS_PREFIX} ${KESTRIX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRIX_MINGW} ${KESTRIX_WINDOWS_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${KESTRIX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks in the Windows prefix alone: the host's libusb is Linux's. The prefix in
# a .pc file is where the prefix was built, not where it is now: --define-prefix takes it
# from the file's own place.
set(ENV{PKG_CONFIG_LIBDIR} ${KESTRIX_WINDOWS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_ARGN --define-prefix CACHE STRING "")

# moc, uic, rcc and lrelease run on this machine: the host's Qt of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

