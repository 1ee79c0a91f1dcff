# Builds the Debian package afresh, so that the package test never looks at one left
# from an earlier build. Run with -DBUILD_DIR=<build directory> -DPACKAGE=<expected .deb>.
file(REMOVE "${PACKAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target package
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "building the package failed: ${result}")
endif()
if(NOT EXISTS "${PACKAGE}")
    message(FATAL_ERROR "the package was not written as ${PACKAGE}")
endif()
