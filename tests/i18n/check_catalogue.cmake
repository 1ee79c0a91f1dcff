# Fails when a translatable text of the sources has no finished translation in the
# catalogue: lupdate merges the sources into a copy, and every text it had to add, or
# that has no translation, is listed.
#   cmake -DLUPDATE=... -DCATALOGUE=x.ts -DWORK_DIR=... -DSOURCES="dir;dir" -P check_catalogue.cmake
get_filename_component(name ${CATALOGUE} NAME)
set(copy ${WORK_DIR}/${name})
file(MAKE_DIRECTORY ${WORK_DIR})
configure_file(${CATALOGUE} ${copy} COPYONLY)
execute_process(
    COMMAND ${LUPDATE} -silent -no-obsolete -locations none ${SOURCES} -ts ${copy}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}")
endif()

file(READ ${copy} merged)
string(REPLACE "</message>" "</message>;" merged "${merged}")
set(missing "")
foreach(message IN LISTS merged)
    if(message MATCHES "<translation type=\"unfinished\"" OR message MATCHES "<translation></translation>"
       OR message MATCHES "<translation/>")
        string(REGEX MATCH "<source>([^<]*)</source>" _ "${message}")
        list(APPEND missing "${CMAKE_MATCH_1}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " listing)
    message(FATAL_ERROR "${name}: no translation for\n  ${listing}\n"
                        "Run lupdate on the sources and translate these texts.")
endif()
message(STATUS "${name}: every text is translated")
