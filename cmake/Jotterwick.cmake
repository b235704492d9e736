# jotterwick_test(NAME SOURCES... LIBS...): one GoogleTest program, its cases registered
# with CTest. Tests run with fresh temporary machine directories of their own.
function(jotterwick_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "JOTTERWICK_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# jotterwick_fuzz(NAME SOURCES... LIBS...): a libFuzzer target.
function(jotterwick_fuzz name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

# jotterwick_runtime_library(NAME): the platform library NAME (added SHARED) as
# one of the process's runtime libraries. A process loads it once, whichever of
# its modules link it, so process-wide state (key and object handles, the
# pinned clock, the machine folders, store connections) has one home. Calls
# within the library bind directly; nothing interposes on its functions.
function(jotterwick_runtime_library name)
    jotterwick_static_tls(${name})
    target_compile_options(${name} PRIVATE -fno-semantic-interposition)
    target_link_options(${name} PRIVATE ${JOTTERWICK_NO_UNDEFINED})
    install(TARGETS ${name} LIBRARY DESTINATION ${JOTTERWICK_INSTALL_LIBDIR})
endfunction()

# jotterwick_static_tls(NAME): the thread-local variables of NAME, a library
# or the objects of one, live in the static TLS block (initial-exec model),
# also when the library is loaded with dlopen: glibc then places them in the
# block's surplus, which holds a few hundred bytes, so they stay small.
# Otherwise glibc mallocs a block per thread on first use, and the sanitizer
# runtimes of GCC up to 13 (LLVM up to 16) misread such a block whenever it
# lies 16 bytes past a 4096-byte boundary: they take it for a glibc 2.19 block
# with a header, read a start and a size from before it, and LeakSanitizer's
# tracer crashes at exit ("Tracer caught signal 11") on that range. Where the
# block lies follows from earlier allocations, e.g. the length of a path.
function(jotterwick_static_tls name)
    target_compile_options(${name} PRIVATE -ftls-model=initial-exec)
endfunction()

# jotterwick_dist(FILES... TARGETS...): files that ship in the distribution
# folder (build/dist), and the targets that make them. The `dist` target,
# made once every component is in (jotterwick_dist_target), copies the one
# list of files there.
function(jotterwick_dist)
    cmake_parse_arguments(ARG "" "" "FILES;TARGETS" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY JOTTERWICK_DIST_FILES ${ARG_FILES})
    set_property(GLOBAL APPEND PROPERTY JOTTERWICK_DIST_TARGETS ${ARG_TARGETS})
endfunction()

function(jotterwick_dist_target)
    get_property(files GLOBAL PROPERTY JOTTERWICK_DIST_FILES)
    get_property(targets GLOBAL PROPERTY JOTTERWICK_DIST_TARGETS)
    set(folder ${CMAKE_BINARY_DIR}/dist)
    add_custom_target(dist
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${folder}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy ${files} ${folder}
        COMMENT "The distribution folder: ${folder}"
        VERBATIM)
    if(targets)
        add_dependencies(dist ${targets})
    endif()
endfunction()
