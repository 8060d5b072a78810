# Warnings for our own targets; -Werror when VARENTHAL_WERROR is on.
function(varenthal_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        $<$<BOOL:${VARENTHAL_WERROR}>:-Werror>)
endfunction()

# A GoogleTest program over the core.
function(varenthal_core_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE varenthal_core GTest::gtest GTest::gmock GTest::gtest_main)
    varenthal_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30)
endfunction()

# A QtTest program over the windows, on the offscreen platform.
function(varenthal_gui_test name)
    qt_add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE varenthal_gui Qt6::Test)
    varenthal_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-config"
        TIMEOUT 300)
endfunction()
