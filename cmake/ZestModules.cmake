# Helpers that turn a source folder into a library, a test folder into a test program, and so on.
# Sources are collected from the folders so that adding a file needs no edit here.

# zest_module(<target> <folder> [LIBS ...] [ALONE ...]): a static library of every .cpp in <folder> (not recursive).
# A folder with no sources yet becomes an interface library, so dependants can name it already.
# With ZEST_UNITY the files of a library are compiled several to a translation unit: each file reads the same
# standard and framework headers, which take most of its compile time, so a first build takes far less. The files
# named after ALONE keep a translation unit of their own: their file-local names clash with a neighbour's (a new
# clash shows as a redefinition error; name the file there, or give the name a more particular spelling).
option(ZEST_UNITY "Compile the source files of a library several to a translation unit" ON)
function(zest_module target folder)
    cmake_parse_arguments(ARG "" "" "LIBS;ALONE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(sources)
        add_library(${target} STATIC ${sources})
        if(ZEST_UNITY)
            set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
            foreach(alone ${ARG_ALONE})
                set_source_files_properties(${folder}/${alone} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
            endforeach()
        endif()
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/framework)
        target_link_libraries(${target} PUBLIC ${ARG_LIBS})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/framework)
        target_link_libraries(${target} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# zest_test_folder(<name> <folder> [LIBS ...] [LABELS ...] [ALONE ...]): one test program of every *_test.cpp in
# <folder>; each test case becomes its own ctest test. With ZEST_UNITY_TESTS the test files are compiled a few to a
# translation unit (the test framework's headers, the heaviest part of a test file, are read once for them); the
# files named after ALONE keep one of their own (their file-local names clash with a neighbour's).
option(ZEST_UNITY_TESTS "Compile the test files of a test program a few to a translation unit" OFF)
function(zest_test_folder name folder)
    cmake_parse_arguments(ARG "" "" "LIBS;LABELS;ALONE" ${ARGN})
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
    if(ZEST_UNITY_TESTS)
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
        # Fixtures in anonymous namespaces are what test files are made of; in a combined file gcc takes them for
        # header code and warns about every test.
        target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
        foreach(alone ${ARG_ALONE})
            set_source_files_properties(${folder}/${alone} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
        endforeach()
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "ZEST_VIDEO=headless"
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
