# "--help" and "--version" from a shell: answered on standard output with exit code 0,
# before any window or configuration exists, and never read as a file name, not even when a
# file of that name lies in the current folder. As the value of an option they stay values.
cmake_minimum_required(VERSION 3.25)

foreach(variable TESSEL WORK VERSION)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "help_version.cmake needs -D${variable}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/home ${WORK}/xdg)
# Files named like the options: a program that took the words for names would load them.
file(WRITE ${WORK}/--help "not the usage\n")
file(WRITE ${WORK}/--version "not the version\n")
file(WRITE ${WORK}/quit.batch "quit\n")

# No display at all: a program that opened a window would fall back to offscreen and then
# wait in its "file not found" box until the timeout.
set(bare_env ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
             --unset=QT_QPA_PLATFORM --unset=TESSEL_CONFIG HOME=${WORK}/home
             XDG_CONFIG_HOME=${WORK}/xdg)

function(expect words expected_start)
    separate_arguments(argv UNIX_COMMAND "${words}")
    execute_process(COMMAND ${bare_env} ${TESSEL} ${argv} WORKING_DIRECTORY ${WORK}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 20)
    string(FIND "${out}" "${expected_start}" at)
    if(NOT rc EQUAL 0 OR NOT at EQUAL 0 OR NOT err STREQUAL "")
        message(FATAL_ERROR "tessel ${words}: exit ${rc}\nstandard output:\n${out}\n"
                            "standard error:\n${err}\nexpected output starting with:\n${expected_start}")
    endif()
endfunction()

expect("--help" "usage: tessel ")
expect("--version" "tessel ${VERSION}\n")
expect("-trace -conf nowhere.txt --version" "tessel ${VERSION}\n")
expect("-fastload some/folder --help" "usage: tessel ")
expect("--version --help" "tessel ${VERSION}\n")

# Values of options are not requests: the program starts, plays the batch and ends. The old
# "-help" opens the built-in help in the window once it runs.
file(MAKE_DIRECTORY ${WORK}/runtime)
file(CHMOD ${WORK}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(bare_env ${bare_env} QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${WORK}/runtime)
execute_process(COMMAND ${bare_env} ${TESSEL} -find --help -batch quit.batch
                WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE rc TIMEOUT 60)
if(NOT rc EQUAL 0 OR out MATCHES "usage:")
    message(FATAL_ERROR "-find --help: exit ${rc}, output:\n${out}\n${err}")
endif()
file(WRITE ${WORK}/help.batch "wait\ndump\n")
execute_process(COMMAND ${bare_env} ${TESSEL} -batch help.batch -help WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
if(NOT rc EQUAL 0 OR out MATCHES "usage:" OR NOT out MATCHES "\nT\\|Tessel help")
    message(FATAL_ERROR "-help: exit ${rc}, output:\n${out}\n${err}")
endif()
