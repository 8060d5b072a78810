# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads, so that
# std::thread and std::mutex are there). Libraries built for Windows by scripts/windows/
# live in a cache folder outside the tree; VARENTHAL_WINDOWS_CACHE names it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT DEFINED VARENTHAL_WINDOWS_CACHE)
    if(DEFINED ENV{VARENTHAL_WINDOWS_CACHE})
        set(VARENTHAL_WINDOWS_CACHE "$ENV{VARENTHAL_WINDOWS_CACHE}")
    elseif(DEFINED ENV{XDG_CACHE_HOME})
        set(VARENTHAL_WINDOWS_CACHE "$ENV{XDG_CACHE_HOME}/varenthal-windows")
    else()
        set(VARENTHAL_WINDOWS_CACHE "$ENV{HOME}/.cache/varenthal-windows")
    endif()
endif()
# try_compile projects see the same cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VARENTHAL_WINDOWS_CACHE)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32
    ${VARENTHAL_WINDOWS_CACHE}/qt6 ${VARENTHAL_WINDOWS_CACHE}/hidapi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
