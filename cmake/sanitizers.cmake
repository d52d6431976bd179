# Instrumented builds, both off by default.
#
# PAGEWICK_SANITIZE: the program, the tests and the benchmarks are built with
# AddressSanitizer and UndefinedBehaviorSanitizer (gcc or clang). Undefined
# behaviour stops the process like a memory error, so a finding fails its test.
#
# PAGEWICK_FUZZ: the same sanitizers plus libFuzzer's coverage instrumentation
# of everything, and the fuzz targets under fuzz/. Needs clang.

# Every check of both, but the vptr check: Qt and the web engine hide the type
# information of their internal classes, so a call through a public base
# (QObject, QAccessibleInterface) on one of their objects is reported though
# it is sound.
set(_pw_sanitizers -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

if(PAGEWICK_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "PAGEWICK_FUZZ needs clang: configure with "
                            "-DCMAKE_CXX_COMPILER=clang++")
    endif()
    add_compile_options(${_pw_sanitizers} -fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=address,undefined)
elseif(PAGEWICK_SANITIZE)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        message(FATAL_ERROR "PAGEWICK_SANITIZE needs gcc or clang")
    endif()
    add_compile_options(${_pw_sanitizers})
    add_link_options(-fsanitize=address,undefined)
endif()

# The tests that load the web engine. Under AddressSanitizer the engine deletes
# some of its own objects through a pointer whose type has another size (a
# report from inside libQt6WebEngineCore, not from this program); these tests
# run with that one check off, and every other check on.
set(PAGEWICK_WEB_ENGINE_TESTS tst_accessibility tst_editor tst_endtoend tst_faults tst_pagesafety
    tst_portable tst_preview tst_soak)

# The sanitizers' options for one test of an instrumented build (called by
# tests/CMakeLists.txt); nothing in a normal build. Leaks are reported, except
# those scripts/sanitizers.supp lists.
function(pagewick_sanitize_test name)
    if(NOT (PAGEWICK_SANITIZE OR PAGEWICK_FUZZ))
        return()
    endif()
    set(asan detect_leaks=1:check_initialization_order=1)
    if(name IN_LIST PAGEWICK_WEB_ENGINE_TESTS)
        string(APPEND asan :new_delete_type_mismatch=0)
    endif()
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
        "ASAN_OPTIONS=${asan}"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/sanitizers.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
