# Runs at install time: writes a program's launcher and desktop entry with the absolute
# paths under the prefix actually installed to (cmake --install --prefix may differ from
# the configured one). The install rules set the KESTRIX_* variables.

function(kestrix_installed_path out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

# One word for sh, whatever the path holds.
function(kestrix_shell_word out text)
    string(REPLACE "'" "'\\''" text "${text}")
    set(${out} "'${text}'" PARENT_SCOPE)
endfunction()

# An Exec program for a desktop entry: quoted where the path needs it, with the escapes
# of the quoting rules and then of the string type.
function(kestrix_desktop_exec out text)
    if(text MATCHES "^[A-Za-z0-9/._+-]+$")
        set(${out} "${text}" PARENT_SCOPE)
        return()
    endif()
    string(REPLACE "\\" "\\\\\\\\" text "${text}")
    foreach(special "\"" "`" "$")
        string(REPLACE "${special}" "\\\\${special}" text "${text}")
    endforeach()
    string(REPLACE "%" "%%" text "${text}")
    set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

kestrix_installed_path(program_path "${KESTRIX_PROGRAM_DIR}/${KESTRIX_PROGRAM}")
kestrix_installed_path(shared_path "${KESTRIX_DATA_DIR}")
kestrix_installed_path(launcher_path "${KESTRIX_BIN_DIR}/kestrix-${KESTRIX_PROGRAM}")

kestrix_shell_word(KESTRIX_PROGRAM_PATH "${program_path}")
kestrix_shell_word(KESTRIX_SHARED_PATH "${shared_path}")
kestrix_shell_word(KESTRIX_LAUNCHER_PATH "${launcher_path}")
configure_file("${KESTRIX_TEMPLATE_DIR}/kestrix-launcher.in"
               "${KESTRIX_OUTPUT_DIR}/kestrix-${KESTRIX_PROGRAM}" @ONLY)

kestrix_desktop_exec(KESTRIX_EXEC "${launcher_path}")
configure_file("${KESTRIX_TEMPLATE_DIR}/kestrix-${KESTRIX_PROGRAM}.desktop.in"
               "${KESTRIX_OUTPUT_DIR}/kestrix-${KESTRIX_PROGRAM}.desktop" @ONLY)
# The session starts it in the tray, under the same name as the entry the program writes.
if(EXISTS "${KESTRIX_TEMPLATE_DIR}/kestrix-${KESTRIX_PROGRAM}-autostart.desktop.in")
    configure_file("${KESTRIX_TEMPLATE_DIR}/kestrix-${KESTRIX_PROGRAM}-autostart.desktop.in"
                   "${KESTRIX_OUTPUT_DIR}/autostart/kestrix-${KESTRIX_PROGRAM}.desktop" @ONLY)
endif()
