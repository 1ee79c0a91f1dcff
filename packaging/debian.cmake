# The Debian package: `cmake --build <build> --target package` writes
# kestrix_<version>_<arch>.deb into the build directory, with everything the install rules
# put under /usr.

set(KESTRIX_PACKAGE_MAINTAINER "Kestrix developers <kestrix@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

# The copyright and changelog files every Debian package carries. The packaging lives in
# the project's own source, which makes the package native: its changelog is changelog.gz.
string(SUBSTRING "${KESTRIX_RELEASE_DATE}" 0 4 KESTRIX_RELEASE_YEAR)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -R -d ${KESTRIX_RELEASE_DATE}
                OUTPUT_VARIABLE KESTRIX_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(debian/copyright.in ${generated}/doc/copyright @ONLY)
configure_file(debian/changelog.in ${generated}/doc/changelog @ONLY)
kestrix_gzip(${generated}/doc/changelog changelog)
install(FILES ${generated}/doc/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT KESTRIX_DEBIAN_HARDENING)
    message(STATUS "KESTRIX_DEBIAN_HARDENING is off: lintian will find the package's "
                   "programs built without Debian's hardening flags")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KESTRIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tools for Kestrix force-feedback controllers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
hwconfig reads the hardware settings of a Kestrix joystick, rudder or wheel
(force and calibration switches, limits, motor axes, GPIO pins, buttons and
analog axes), writes the edited settings back and restarts the controller.
wheelconfig lives in the system tray, sends every change of the wheel's
force-effect settings to the wheel at once, stores them on request and keeps
named effect profiles. kestrix backs up, restores and scripts the settings from
the command line. A udev rule gives the user at the seat access to the
controllers.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KESTRIX_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The launchers and desktop entries are written at install time with the prefix they are
# installed to: that has to be /usr, with the staging directory as DESTDIR in front.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# The libraries the programs link come from dpkg-shlibdeps. Qt loads its platform plugins
# at run time, where dpkg-shlibdeps can not see them, and libqt6gui6 only recommends them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)

# Both scripts tell udev about the rule and the controllers of this vendor id.
set(KESTRIX_VENDOR_ID 045b)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "")
function(kestrix_maintainer_script KESTRIX_SCRIPT KESTRIX_ACTIONS)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/debian/${KESTRIX_SCRIPT})
    configure_file(debian/maintainer-script.in ${script} @ONLY)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA} ${script}
        PARENT_SCOPE)
endfunction()
kestrix_maintainer_script(postinst configure)
kestrix_maintainer_script(postrm remove)
# Scripts 0755, the rest of the control files 0644, as dpkg expects.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
