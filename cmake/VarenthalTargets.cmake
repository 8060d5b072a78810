# Warnings for our own targets; -Werror when VARENTHAL_WERROR is on.
function(varenthal_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        $<$<BOOL:${VARENTHAL_WERROR}>:-Werror>)
endfunction()

# A GoogleTest program over the core.
function(varenthal_core_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE varenthal_core varenthal_test_host GTest::gtest GTest::gmock
                                          GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    varenthal_warnings(${name})
    # Under wine the first program of a build also makes the wine prefix.
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 300 PROPERTIES TIMEOUT 600)
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30)
    endif()
endfunction()

# A QtTest program over the windows, on the offscreen platform, and its test (with the
# ENVIRONMENT of varenthal_add_gui_test).
function(varenthal_gui_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" ENVIRONMENT)
    qt_add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE varenthal_gui varenthal_test_host Qt6::Test)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    varenthal_warnings(${name})
    if(WIN32)
        # A console program, so that its results reach the test's output; the About box
        # reads the version resource of the program it runs in.
        set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
        varenthal_windows_resource(${name} ${name}.exe)
    endif()
    varenthal_add_gui_test(${name} ${name} ENVIRONMENT ${arg_ENVIRONMENT})
endfunction()

# Adds the CTest test `test` that runs the window test program `program`; under wine from
# no settings, with the Qt DLLs, plugins and the compiler's runtime from this machine.
# ENVIRONMENT entries come after the defaults, so that they can override them.
function(varenthal_add_gui_test test program)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" ENVIRONMENT)
    set(environment
        "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${test}-config")
    if(WIN32)
        add_test(NAME ${test} COMMAND ${PROJECT_BINARY_DIR}/wine-gui-test $<TARGET_FILE:${program}>)
        set(dlls "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}"
            /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
        list(TRANSFORM dlls PREPEND "Z:")
        list(JOIN dlls "\\;" winepath)
        list(APPEND environment "WINEPATH=${winepath}"
             "QT_PLUGIN_PATH=Z:${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}"
             # QtTest writes its results to the output, not to the debugger's channel.
             "QT_FORCE_STDERR_LOGGING=1"
             # The offscreen platform draws with the font Linux gives "Sans Serif".
             "QT_QPA_FONTDIR=Z:${VARENTHAL_TEST_FONTS}")
        set_tests_properties(${test} PROPERTIES RESOURCE_LOCK wine-appdata)
    else()
        add_test(NAME ${test} COMMAND ${program})
    endif()
    list(APPEND environment ${arg_ENVIRONMENT})
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()

# Gives `target` an include root that holds only the named top folders of the tree, so
# that `#include "core/..."` works and an include of any other top folder fails to compile.
function(varenthal_include_root target scope)
    string(JOIN "-" root_name ${ARGN})
    set(root ${PROJECT_BINARY_DIR}/include-roots/${root_name})
    file(MAKE_DIRECTORY ${root})
    foreach(folder IN LISTS ARGN)
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} ${root})
endfunction()
