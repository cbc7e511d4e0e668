# Runs one scenario: the program plays BATCH offscreen from the fixtures folder, and its
# standard output (with timings blanked) must equal the .expected file beside the batch.
# Header comments of the batch file set the run:
#   #args: WORDS     the words after "-batch FILE" (default: none)
#   #exit: N         the exit code the run must end with (default: 0)
#   #config: FILE    a fixture file that becomes the user's configuration file
#   #locale: NAME    the locale of the run (default: C, so that the text is read in code page
#                    1252 whatever the locale of the machine that runs the tests)
#   #copy: FILES     fixture files copied into <work>/files before the run, for scenarios
#                    that change files; "<work>" in #args names the work folder
#   #blank: REGEX    what the regular expression matches in the output reads "#" (figures that
#                    differ from run to run); the header may be given more than once
#   #stdin: COMMAND  a shell command whose output is piped into the program (default: none,
#                    standard input is /dev/null)
# The tools built with the program (tessel-send) are on the PATH of the run, so that a batch
# can "run tessel-send ...".
cmake_minimum_required(VERSION 3.25)

foreach(variable TESSEL BATCH FIXTURES WORK)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "run_scenario.cmake needs -D${variable}=...")
    endif()
endforeach()

# Paths the program shows wrap and clip at a view's width, so the run goes through a link of one
# fixed length: what a scenario prints does not depend on where the tree was cloned.
set(work_folder ${WORK})
string(SHA1 work_hash "${work_folder}")
string(SUBSTRING "${work_hash}" 0 12 work_hash)
set(WORK /tmp/tessel-scenario-${work_hash})

file(STRINGS ${BATCH} header_lines REGEX "^#(args|exit|config|locale|copy|blank|stdin):")
set(arguments "")
set(copied_fixtures "")
set(expected_exit 0)
set(config_fixture "")
set(locale C)
set(blank_patterns "")
set(stdin_command "")
foreach(line IN LISTS header_lines)
    if(line MATCHES "^#args:[ ]*(.*)$")
        string(REPLACE "<work>" "${WORK}" argument_text "${CMAKE_MATCH_1}")
        separate_arguments(arguments UNIX_COMMAND "${argument_text}")
    elseif(line MATCHES "^#exit:[ ]*([0-9]+)")
        set(expected_exit ${CMAKE_MATCH_1})
    elseif(line MATCHES "^#config:[ ]*([^ ]+)")
        set(config_fixture ${CMAKE_MATCH_1})
    elseif(line MATCHES "^#locale:[ ]*([^ ]+)")
        set(locale ${CMAKE_MATCH_1})
    elseif(line MATCHES "^#copy:[ ]*(.*)$")
        separate_arguments(copied_fixtures UNIX_COMMAND "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#stdin:[ ]*(.+)$")
        set(stdin_command "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#blank:[ ]*(.+)$")
        list(APPEND blank_patterns "${CMAKE_MATCH_1}")
    endif()
endforeach()

# A fresh configuration folder, so that no user setting changes what the views show.
file(REMOVE_RECURSE ${work_folder})
file(MAKE_DIRECTORY ${work_folder})
file(REMOVE ${WORK})
file(CREATE_LINK ${work_folder} ${WORK} SYMBOLIC)
file(MAKE_DIRECTORY ${WORK}/config)
if(config_fixture)
    file(MAKE_DIRECTORY ${WORK}/config/tessel)
    configure_file(${FIXTURES}/${config_fixture} ${WORK}/config/tessel/tessel-config.txt COPYONLY)
endif()
foreach(fixture IN LISTS copied_fixtures)
    file(COPY ${FIXTURES}/${fixture} DESTINATION ${WORK}/files)
endforeach()
set(ENV{XDG_CONFIG_HOME} ${WORK}/config)
set(ENV{HOME} ${WORK})
set(ENV{QT_QPA_PLATFORM} offscreen)
if(DEFINED TOOLS)
    set(ENV{PATH} "${TOOLS}:$ENV{PATH}")
endif()
set(ENV{LC_ALL} ${locale})
unset(ENV{TESSEL_CONFIG})
unset(ENV{TESSEL_PRINT_LOG})

# The run works in a copy of the fixtures: what it writes there (bookmark files beside a
# collection, edited files) stays out of the source tree and starts fresh every time.
file(COPY ${FIXTURES}/ DESTINATION ${WORK}/fixtures)
if(stdin_command)
    set(feed COMMAND sh -c "${stdin_command}")
    set(input "")
else()
    set(feed "")
    set(input INPUT_FILE /dev/null)
endif()
execute_process(${feed} COMMAND ${TESSEL} -batch ${BATCH} ${arguments} ${input}
                WORKING_DIRECTORY ${WORK}/fixtures
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result
                TIMEOUT 120)

# Timings differ from run to run, and paths beside the program from build to build.
# A timed status row shifts its right part with the number's width, so the rest of the row
# and its attribute line are left out.
string(REGEX REPLACE "\nT\\|([^\n]*) [0-9]+ msec[^\n]*\nA\\|[^\n]*" "\nT|\\1 # msec ...\nA|..."
       output "${output}")
string(REGEX REPLACE "[0-9]+ msec" "# msec" output "${output}")
string(REGEX REPLACE "[0-9.]+ (km|miles), [0-9]+ (kmh|mph), mach [0-9.]+" "# \\1, # \\2, mach #"
       output "${output}")
get_filename_component(program_dir ${TESSEL} DIRECTORY)
string(REPLACE "${program_dir}" "<program>" output "${output}")
string(REPLACE "${WORK}" "<work>" output "${output}")
string(REPLACE "${work_folder}" "<work>" output "${output}")
foreach(pattern IN LISTS blank_patterns)
    string(REGEX REPLACE "${pattern}" "#" output "${output}")
endforeach()

get_filename_component(directory ${BATCH} DIRECTORY)
get_filename_component(name ${BATCH} NAME_WE)
set(expected_file ${directory}/${name}.expected)
file(REMOVE ${WORK})
file(WRITE ${work_folder}/actual.txt "${output}")
if(NOT EXISTS ${expected_file})
    message(FATAL_ERROR "missing ${expected_file}; this run printed (saved in ${work_folder}/actual.txt):\n${output}\nstandard error:\n${errors}")
endif()
file(READ ${expected_file} expected)

if(NOT "${result}" STREQUAL "${expected_exit}")
    message(FATAL_ERROR "exit code ${result}, expected ${expected_exit}\nstandard output:\n${output}\nstandard error:\n${errors}")
endif()
if(NOT "${output}" STREQUAL "${expected}")
    message(FATAL_ERROR "output differs from ${expected_file} (actual in ${work_folder}/actual.txt)\nstandard output:\n${output}\nstandard error:\n${errors}")
endif()
