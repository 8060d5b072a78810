# The program's version information, fixed at build time: compiled into the core for the
# About box, and on Windows also written into each program's version resource, from which
# the About box reads it there.
set(VARENTHAL_FILE_DESCRIPTION "${PROJECT_DESCRIPTION}")
set(VARENTHAL_PRODUCT_NAME "Varenthal")
set(VARENTHAL_LEGAL_NOTICE "Copyright (C) 2026 Varenthal Systems. All rights reserved.")
set(VARENTHAL_COMMENTS "")

# Gives the Windows program `target` (file name `file_name`) the icon and the version
# resource; does nothing elsewhere.
function(varenthal_windows_resource target file_name)
    if(NOT WIN32)
        return()
    endif()
    get_filename_component(VARENTHAL_RC_INTERNAL_NAME ${file_name} NAME_WE)
    set(VARENTHAL_RC_FILE_NAME ${file_name})
    set(VARENTHAL_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/varenthal.ico)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
