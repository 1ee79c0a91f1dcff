# Where an installation puts things, relative to the prefix. Shared by the install rules
# and the test that checks an installed tree.
include(GNUInstallDirs)

# The programs are started through their launchers, never from PATH.
set(KESTRIX_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/kestrix)
# Icons and catalogues, linked into each user's data directory by the launchers.
set(KESTRIX_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/kestrix)
set(KESTRIX_INSTALL_ICON_THEME_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
# AppStream metadata, one file per program, named after its component id.
set(KESTRIX_INSTALL_METAINFO_DIR ${CMAKE_INSTALL_DATADIR}/metainfo)
set(KESTRIX_APPSTREAM_ID_PREFIX org.example.kestrix)
# udev reads <prefix>/lib/udev/rules.d for the prefixes /usr and /usr/local.
set(KESTRIX_INSTALL_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING
    "Directory of the udev rule, relative to the prefix (or absolute, e.g. /etc/udev/rules.d)")
