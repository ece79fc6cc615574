# Windows: install what the programs need at run time beside them, so that the installed
# folder runs on a PC with nothing else installed: the Qt DLLs, the plugins Qt loads from the
# folder (platforms/qwindows.dll, the native style, the .ico reader for the window icon) and
# the compiler's runtime.
set(_bin ${CMAKE_INSTALL_BINDIR})

foreach(_lib Core Gui Widgets)
    install(FILES $<TARGET_FILE:Qt5::${_lib}> DESTINATION ${_bin})
endforeach()

foreach(_plugin Qt5::QWindowsIntegrationPlugin Qt5::QWindowsVistaStylePlugin Qt5::QICOPlugin)
    if(TARGET ${_plugin})
        get_target_property(_type ${_plugin} QT_PLUGIN_TYPE)
        install(FILES $<TARGET_FILE:${_plugin}> DESTINATION ${_bin}/${_type})
    elseif(_plugin STREQUAL "Qt5::QWindowsIntegrationPlugin")
        message(FATAL_ERROR "This Qt has no windows platform plugin: the programs cannot start")
    endif()
endforeach()

if(MINGW)
    # libstdc++, libgcc and winpthread, found where the compiler keeps them.
    foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
            OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
            message(FATAL_ERROR "${_dll} not found beside ${CMAKE_CXX_COMPILER}")
        endif()
        install(FILES ${_path} DESTINATION ${_bin})
    endforeach()
elseif(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${_bin})
    include(InstallRequiredSystemLibraries)
endif()
