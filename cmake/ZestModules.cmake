# Helpers that turn a source folder into a library, a test folder into a test program, and so on.
# Sources are collected from the folders so that adding a file needs no edit here.

# zest_module(<target> <folder> [LIBS ...]): a static library of every .cpp in <folder> (not recursive).
# A folder with no sources yet becomes an interface library, so dependants can name it already.
function(zest_module target folder)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/framework)
        target_link_libraries(${target} PUBLIC ${ARG_LIBS})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/framework)
        target_link_libraries(${target} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# zest_test_folder(<name> <folder> [LIBS ...] [LABELS ...]): one test program of every *_test.cpp in <folder>;
# each test case becomes its own ctest test.
function(zest_test_folder name folder)
    cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*_test.cpp)
    if(NOT sources)
        return()
    endif()
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    add_executable(${name} ${sources} ${CMAKE_SOURCE_DIR}/platform/programs/LeakSuppressions.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/framework ${folder})
    target_compile_definitions(${name} PRIVATE ZEST_TEST_DATA_DIR="${folder}")
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "ZEST_VIDEO=headless"
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
