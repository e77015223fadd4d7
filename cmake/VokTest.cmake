# One test program per class or flow. The program itself gives HOME, the XDG folders and
# VOK_ADDRESS_DIR fresh temporary directories (tests/support/TestMain.h); the environment here
# only fixes what must hold before main() runs.
function(vok_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON
        AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/res/ui)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(${name} PRIVATE vok_test_env ${ARG_LIBS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(env
        QT_QPA_PLATFORM=offscreen
        LC_ALL=C.UTF-8
        LANG=C.UTF-8
        TZ=UTC
        QT_LOGGING_RULES=qt.qpa.*=false
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
        LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
