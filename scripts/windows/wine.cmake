# The Windows build's programs and tests run here under Wine: a wrapper that CTest uses as
# the cross-compiling emulator, and the DLLs and plugins the programs load placed beside
# them in bin/, so that bin/ runs as it is, as on Linux.
find_program(KESTRIX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)

get_filename_component(KESTRIX_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                OUTPUT_VARIABLE winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(gcc_dll_dir "${libstdcxx}" DIRECTORY)
if(NOT EXISTS "${libstdcxx}" OR NOT EXISTS "${winpthread}")
    # Debian keeps libwinpthread beside the import libraries.
    set(winpthread /usr/${KESTRIX_MINGW}/lib/libwinpthread-1.dll)
endif()
set(KESTRIX_WINDOWS_RUNTIME_DLLS
    ${gcc_dll_dir}/libstdc++-6.dll ${gcc_dll_dir}/libgcc_s_seh-1.dll ${winpthread}
    ${KESTRIX_QT_PREFIX}/bin/Qt6Core.dll ${KESTRIX_QT_PREFIX}/bin/Qt6Gui.dll
    ${KESTRIX_QT_PREFIX}/bin/Qt6Widgets.dll ${KESTRIX_QT_PREFIX}/bin/Qt6Network.dll
    ${KESTRIX_QT_PREFIX}/bin/libusb-1.0.dll)
foreach(dll IN LISTS KESTRIX_WINDOWS_RUNTIME_DLLS)
    if(NOT EXISTS ${dll})
        message(FATAL_ERROR "${dll} is missing: the programs can not run without it")
    endif()
endforeach()
set(KESTRIX_WINDOWS_PLUGINS platforms/qwindows.dll platforms/qoffscreen.dll
    platforms/qminimal.dll styles/qwindowsvistastyle.dll imageformats/qico.dll)

# bin/ as it would be unpacked on Windows.
set(deployed)
foreach(dll IN LISTS KESTRIX_WINDOWS_RUNTIME_DLLS)
    get_filename_component(name ${dll} NAME)
    list(APPEND deployed ${KESTRIX_RUN_DIR}/${name})
    add_custom_command(OUTPUT ${KESTRIX_RUN_DIR}/${name}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${KESTRIX_RUN_DIR}/${name}
        DEPENDS ${dll} VERBATIM)
endforeach()
foreach(plugin IN LISTS KESTRIX_WINDOWS_PLUGINS)
    list(APPEND deployed ${KESTRIX_RUN_DIR}/${plugin})
    add_custom_command(OUTPUT ${KESTRIX_RUN_DIR}/${plugin}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESTRIX_QT_PREFIX}/plugins/${plugin}
                ${KESTRIX_RUN_DIR}/${plugin}
        DEPENDS ${KESTRIX_QT_PREFIX}/plugins/${plugin} VERBATIM)
endforeach()
add_custom_target(kestrix_windows_runtime ALL DEPENDS ${deployed})

if(NOT KESTRIX_WINE)
    message(STATUS "wine64 not found: the Windows tests can not run here")
    return()
endif()
get_filename_component(winpthread_dir ${winpthread} DIRECTORY)
set(KESTRIX_WINE_DLL_DIRS "${KESTRIX_QT_PREFIX}/bin ${gcc_dll_dir} ${winpthread_dir}")
set(KESTRIX_WINE_PLUGIN_DIR ${KESTRIX_QT_PREFIX}/plugins)
set(KESTRIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
