# What a Windows build takes from the Linux machine it is made on: the header-only libraries
# and GoogleTest's sources from Debian, and wine64 to run the tests. Included by the
# top-level CMakeLists.txt when the target is Windows (cmake/mingw-w64-x86_64.cmake).

# CLI11 and nlohmann-json are headers alone, the same for every target; their Debian config
# files would put /usr/include on the compiler's path, whose C headers are glibc's, not
# mingw-w64's. Only their own folders are linked into an include folder of the build.
set(VARENTHAL_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VARENTHAL_HOST_HEADERS})
foreach(library "CLI11::CLI11|CLI" "nlohmann_json::nlohmann_json|nlohmann")
    string(REPLACE "|" ";" library "${library}")
    list(GET library 0 target)
    list(GET library 1 folder)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/setup --windows")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${VARENTHAL_HOST_HEADERS}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} SYSTEM INTERFACE ${VARENTHAL_HOST_HEADERS})
endforeach()

# GoogleTest built for Windows from the sources Debian ships (package googletest).
function(varenthal_windows_gtest)
    set(GTEST_SOURCE /usr/src/googletest)
    if(NOT EXISTS ${GTEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "${GTEST_SOURCE} is missing: run scripts/setup --windows")
    endif()
    set(INSTALL_GTEST OFF)
    add_subdirectory(${GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()

# Tests and test discovery run the programs through wine64, in a wine prefix of the build
# folder's own, made on first use (see cmake/wine-run.in).
find_program(VARENTHAL_WINE64 wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(VARENTHAL_WINE64 wine64)
if(VARENTHAL_WINE64 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(VARENTHAL_WINEPREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${PROJECT_BINARY_DIR}/wine-run
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-gui-test.in ${PROJECT_BINARY_DIR}/wine-gui-test
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run)
elseif(NOT VARENTHAL_WINE64)
    message(STATUS "wine64 not found: the Windows tests are built but cannot run here")
endif()

# The C++ runtime goes into each program, so that it starts from any folder.
add_link_options(-static)

# The offscreen platform on Windows takes its fonts from one folder and picks the first family
# that answers "Sans Serif": a folder with DejaVu Sans alone, which fontconfig gives on Linux,
# so that the window tests measure text as they do there.
set(VARENTHAL_TEST_FONTS ${PROJECT_BINARY_DIR}/test-fonts)
file(MAKE_DIRECTORY ${VARENTHAL_TEST_FONTS})
file(GLOB sans_fonts /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
     /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold*.ttf
     /usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf)
foreach(font IN LISTS sans_fonts)
    get_filename_component(font_name ${font} NAME)
    file(CREATE_LINK ${font} ${VARENTHAL_TEST_FONTS}/${font_name} SYMBOLIC)
endforeach()
