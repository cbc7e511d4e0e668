# One CMake library per module. Sources are picked up from the module's folder so that
# adding a file needs no edit here; a module without sources yet is an INTERFACE library.

add_library(tessel_warnings INTERFACE)
target_compile_options(tessel_warnings INTERFACE -Wall -Wextra -Wno-missing-field-initializers
                                                 $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
if(TESSEL_WERROR)
    target_compile_options(tessel_warnings INTERFACE -Werror)
endif()

# tessel_module(NAME DIR <folder> [DEPS libs...] [EXCLUDE_SUBDIRS])
function(tessel_module name)
    cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads PRIVATE tessel_warnings)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# tessel_tests(NAME DIR <folder> LIBS libs...): one GoogleTest binary per test folder.
function(tessel_tests name)
    cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main tessel_warnings
                                          tessel_test_support)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "TESSEL_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;QT_QPA_PLATFORM=offscreen;LC_ALL=C")
endfunction()
