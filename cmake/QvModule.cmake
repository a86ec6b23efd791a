# qv_module(NAME <target> [DEPS <targets...>] [PRIVATE_DEPS <targets...>]
#           [TEST_DEPS <targets...>])
#
# A folder's sources (*.cpp beside this CMakeLists.txt) become one shared
# library, so that every program and every loaded library of a process share
# one copy of the platform's state. The folder's tests (tests/*.cpp) become
# one test program, run by CTest test by test, linked also with TEST_DEPS.
function(qv_module)
    cmake_parse_arguments(ARG "" "NAME" "DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${ARG_NAME} SHARED ${sources})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    qv_module_tests(${ARG_NAME} ${ARG_TEST_DEPS})
endfunction()

# qv_module_tests(<target> [extra deps...]): tests/*.cpp of the current folder.
function(qv_module_tests target)
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    if(NOT tests)
        return()
    endif()
    qv_test_program(${target}_tests SOURCES ${tests} DEPS ${target} ${ARGN})
endfunction()

# qv_test_program(<name> SOURCES <files...> DEPS <targets...> [PREFIX <text>]):
# one test program, linked with GoogleTest's main and GoogleMock. CTest knows
# it twice: all its tests in one process ("WholeProgram.<name>", label
# "whole"), which is what scripts/test runs, so that no test depends on
# running alone; and each test on its own (label "alone"), to pick one out
# with -R while working on it. PREFIX goes before every test's name, for
# programs that run the same tests against another build of the same code.
function(qv_test_program name)
    cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} qv_testing GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name}
        TEST_PREFIX "${ARG_PREFIX}"
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120 LABELS alone)
    add_test(NAME WholeProgram.${name} COMMAND ${name})
    set_tests_properties(WholeProgram.${name} PROPERTIES
        LABELS whole
        # The sum of all its tests, on a machine busy with the others.
        TIMEOUT 1800)
endfunction()
