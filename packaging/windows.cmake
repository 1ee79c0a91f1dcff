# The Windows package: `cmake --build <build> --target package` writes
# kestrix-<version>-windows-x64.zip into the build directory. Unpacked, its folder runs as
# it is: the programs beside the Qt, libusb and compiler runtime DLLs, Qt's plugins in
# their folders, and the icons and catalogues the programs read from their working folder.

set(KESTRIX_WINDOWS_CATALOGUES simulator_panel_ru live_input_ru)
set(hwconfig_catalogue hardware_settings_ui_ru)
set(wheelconfig_catalogue wheel_ui_ru)
foreach(program hwconfig wheelconfig kestrix)
    if(NOT TARGET ${program})
        continue()
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION .)
    if(${program}_catalogue)
        list(APPEND KESTRIX_WINDOWS_CATALOGUES ${${program}_catalogue})
    endif()
endforeach()
list(TRANSFORM KESTRIX_WINDOWS_CATALOGUES REPLACE "(.+)" "${KESTRIX_I18N_OUTPUT_DIR}/\\1.qm")
install(FILES ${KESTRIX_WINDOWS_CATALOGUES} DESTINATION i18n)
install(FILES ${KESTRIX_ICONS} DESTINATION .)
install(FILES ${KESTRIX_WINDOWS_RUNTIME_DLLS} DESTINATION .)
foreach(plugin IN LISTS KESTRIX_WINDOWS_PLUGINS)
    get_filename_component(folder ${plugin} DIRECTORY)
    install(FILES ${KESTRIX_QT_PREFIX}/plugins/${plugin} DESTINATION ${folder})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME kestrix-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The build keeps its debugging information; the zip goes without.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
