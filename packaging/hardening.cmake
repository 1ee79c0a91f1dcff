# Debian's hardening flags, as dpkg-buildflags gives them with every hardening feature on:
# lintian looks for fortified libc calls and immediate binding in the programs a package
# ships. Included before the programs, so that their libraries are built the same way.
# Only the hardening flags are taken: the build type keeps its optimisation and debug
# information, and the source paths stay as they are.
find_program(KESTRIX_DPKG_BUILDFLAGS dpkg-buildflags)
# Fortified calls need an optimised build; the sanitized build is never shipped.
set(hardening_default OFF)
if(KESTRIX_DPKG_BUILDFLAGS AND NOT KESTRIX_SANITIZE
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    set(hardening_default ON)
endif()
option(KESTRIX_DEBIAN_HARDENING
       "Build with Debian's hardening flags (dpkg-buildflags), as the package is" ${hardening_default})
unset(hardening_default)

if(NOT KESTRIX_DEBIAN_HARDENING)
    return()
endif()
if(NOT KESTRIX_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "KESTRIX_DEBIAN_HARDENING needs dpkg-buildflags (package dpkg-dev)")
endif()

function(kestrix_debian_buildflags variable out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${KESTRIX_DPKG_BUILDFLAGS} --get ${variable}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g|O).*$|^-f[a-z-]*prefix-map=")
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

kestrix_debian_buildflags(CPPFLAGS cppflags)
kestrix_debian_buildflags(CXXFLAGS cxxflags)
kestrix_debian_buildflags(LDFLAGS ldflags)
string(REPLACE ";" " " shown "${cppflags};${cxxflags};${ldflags}")
message(STATUS "Debian hardening flags: ${shown}")
add_compile_options(${cppflags} ${cxxflags})
add_link_options(${ldflags})
