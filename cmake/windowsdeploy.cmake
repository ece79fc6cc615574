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

# Qt's own texts (dialog buttons, the file dialogs) in the two Chinese languages, which the
# program looks for in translations/ beside itself: from the kit, else from
# LUMORA_QT_TRANSLATIONS (the build script points it at Debian's, the same Qt release).
set(LUMORA_QT_TRANSLATIONS "" CACHE PATH "A folder with qtbase_zh_CN.qm and qtbase_zh_TW.qm")
get_filename_component(_qt_root "${Qt5_DIR}/../../.." ABSOLUTE)
foreach(_lang zh_CN zh_TW)
    set(_qm "")
    foreach(_dir "${_qt_root}/translations" "${LUMORA_QT_TRANSLATIONS}")
        if(NOT _qm AND _dir AND EXISTS "${_dir}/qtbase_${_lang}.qm")
            set(_qm "${_dir}/qtbase_${_lang}.qm")
        endif()
    endforeach()
    if(_qm)
        install(FILES ${_qm} DESTINATION ${_bin}/translations)
    else()
        message(WARNING "No qtbase_${_lang}.qm: Qt's own texts stay English in ${_lang}")
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
