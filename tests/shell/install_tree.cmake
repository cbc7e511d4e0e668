# Installs the build into a temporary folder (DESTDIR, prefix /usr as the package has it)
# and checks what a desktop sees: every file in its place, the desktop entry and the MIME
# types accepted by the desktop's own tools, the shell completion, the installed program
# answering --version without a display, and portable mode of a copy and of a link named
# TesselPortable.
cmake_minimum_required(VERSION 3.25)

foreach(variable BUILD WORK VERSION WITH_SEND)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "install_tree.cmake needs -D${variable}=...")
    endif()
endforeach()

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

# Runs a command; its output lands in <prefix>_out, <prefix>_err and <prefix>_rc.
macro(run prefix)
    execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE ${prefix}_out ERROR_VARIABLE ${prefix}_err
                    RESULT_VARIABLE ${prefix}_rc TIMEOUT 60)
endmacro()

file(REMOVE_RECURSE ${WORK})
set(root ${WORK}/root)
run(install ${CMAKE_COMMAND} -E env DESTDIR=${root} ${CMAKE_COMMAND} --install ${BUILD}
    --prefix /usr)
if(NOT install_rc EQUAL 0)
    fail("cmake --install failed (${install_rc}):\n${install_out}\n${install_err}")
endif()

set(icon_sizes 16 22 24 32 48 64 128 256)
set(expected usr/bin/tessel usr/share/applications/tessel.desktop
             usr/share/mime/packages/tessel.xml usr/share/bash-completion/completions/tessel
             usr/share/man/man1/tessel.1)
if(WITH_SEND)
    list(APPEND expected usr/bin/tessel-send)
endif()
foreach(size IN LISTS icon_sizes)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/tessel.png)
endforeach()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed_lines "${installed}")
    string(REPLACE ";" "\n  " expected_lines "${expected}")
    fail("installed files differ.\ninstalled:\n  ${installed_lines}\nexpected:\n  ${expected_lines}")
endif()

# An icon in the wrong size folder is scaled or skipped by the desktop: the PNG header
# must say the folder's size.
foreach(size IN LISTS icon_sizes)
    file(READ ${root}/usr/share/icons/hicolor/${size}x${size}/apps/tessel.png header
         OFFSET 16 LIMIT 8 HEX)
    math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex_size}" 2 -1 digits)
    string(LENGTH "${digits}" digit_count)
    math(EXPR padding "8 - ${digit_count}")
    string(REPEAT "0" ${padding} zeros)
    if(NOT header STREQUAL "${zeros}${digits}${zeros}${digits}")
        fail("icon ${size}x${size} has the PNG header ${header}")
    endif()
endforeach()

run(validate desktop-file-validate ${root}/usr/share/applications/tessel.desktop)
if(NOT validate_rc EQUAL 0 OR NOT "${validate_out}${validate_err}" STREQUAL "")
    fail("desktop-file-validate (${validate_rc}):\n${validate_out}${validate_err}")
endif()

# The MIME file must be taken by the database tool, and its types must reach the database:
# the desktop entry opens snapfiles by one of them.
run(mime update-mime-database -V ${root}/usr/share/mime)
if(NOT mime_rc EQUAL 0 OR mime_err MATCHES "(Error|Warning|error|warning)")
    fail("update-mime-database (${mime_rc}):\n${mime_out}${mime_err}")
endif()
foreach(type x-tessel-snapfile x-tessel-bookmarks)
    if(NOT EXISTS ${root}/usr/share/mime/application/${type}.xml)
        fail("the MIME database has no application/${type}")
    endif()
endforeach()
file(READ ${root}/usr/share/mime/globs2 globs)
foreach(n RANGE 1 9)
    if(NOT globs MATCHES "application/x-tessel-bookmarks:\\*\\.${n}\\.qvbm")
        fail("no glob for bookmark set ${n} in:\n${globs}")
    endif()
endforeach()
file(STRINGS ${root}/usr/share/mime/magic magic_strings)
foreach(magic ":snapfile zuk," ":cluster zuk," "QVBKM101")
    if(NOT magic_strings MATCHES "${magic}")
        fail("no magic \"${magic}\" in the MIME database")
    endif()
endforeach()
file(READ ${root}/usr/share/applications/tessel.desktop entry)
if(NOT entry MATCHES "\nExec=tessel %F\n" OR NOT entry MATCHES "text/plain;inode/directory;")
    fail("the desktop entry must open files and folders as one set:\n${entry}")
endif()

# Completion: options by prefix, code pages after -code, file names with blanks kept whole.
set(completion ${root}/usr/share/bash-completion/completions/tessel)
file(MAKE_DIRECTORY ${WORK}/names)
file(WRITE "${WORK}/names/my notes.txt" "x\n")
file(WRITE ${WORK}/complete.sh "source '${completion}'
show() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _tessel; echo \"[\${COMPREPLY[*]}]\"; }
show tessel -co
show tessel -code 125
show tessel --v
show tessel -find ''
cd '${WORK}/names' && show tessel my
")
run(complete bash --norc --noprofile ${WORK}/complete.sh)
set(completions "[-conf -code]\n[1252 1250 1251 1253 1254 1257]\n[--version]\n[]\n[my notes.txt]\n")
if(NOT complete_rc EQUAL 0 OR NOT complete_out STREQUAL completions)
    fail("bash completion (${complete_rc}):\n${complete_out}${complete_err}\nexpected:\n${completions}")
endif()

# Every option offered for completion is described in the manual page.
file(READ ${root}/usr/share/man/man1/tessel.1 manual)
if(NOT manual MATCHES "Tessel ${VERSION}")
    fail("the manual page does not carry the version ${VERSION}")
endif()
file(READ ${completion} completion_text)
string(REGEX MATCH "options=\"[^\"]*\"" option_text "${completion_text}")
string(REGEX MATCHALL "-[-a-z]+" options "${option_text}")
foreach(option IN LISTS options)
    string(REPLACE "-" "\\-" escaped "${option}")
    string(FIND "${manual}" "${escaped}" at)
    if(at EQUAL -1)
        fail("the manual page does not describe ${option}")
    endif()
endforeach()

# The installed program answers without a display and without a configuration.
set(bare_env ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
             --unset=QT_QPA_PLATFORM HOME=${WORK}/home XDG_CONFIG_HOME=${WORK}/xdg)
run(version ${bare_env} ${root}/usr/bin/tessel --version)
if(NOT version_rc EQUAL 0 OR NOT version_out STREQUAL "tessel ${VERSION}\n")
    fail("installed tessel --version (${version_rc}):\n${version_out}${version_err}")
endif()

# Portable mode: the configuration folder "Data" appears beside the file or link named
# TesselPortable, never beside the installed program and never in the user's folder.
file(WRITE ${WORK}/quit.batch "quit\n")
file(MAKE_DIRECTORY ${WORK}/copied ${WORK}/linked)
file(COPY_FILE ${root}/usr/bin/tessel ${WORK}/copied/TesselPortable)
file(CHMOD ${WORK}/copied/TesselPortable PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(CREATE_LINK ${root}/usr/bin/tessel ${WORK}/linked/TesselPortable SYMBOLIC)
foreach(place copied linked)
    run(portable ${bare_env} QT_QPA_PLATFORM=offscreen ${WORK}/${place}/TesselPortable
        -batch ${WORK}/quit.batch)
    if(NOT portable_rc EQUAL 0)
        fail("TesselPortable (${place}) ended with ${portable_rc}:\n${portable_out}${portable_err}")
    endif()
    if(NOT IS_DIRECTORY ${WORK}/${place}/Data)
        fail("TesselPortable (${place}) made no Data folder beside itself")
    endif()
endforeach()
if(EXISTS ${root}/usr/bin/Data OR EXISTS ${WORK}/xdg/tessel)
    fail("portable mode put data beside the installed program or in the user's folder")
endif()
