# The Windows resources of one program: its file icon, its version information (from the
# project's version) and its manifest. GUI adds the per-monitor DPI awareness a window needs;
# a console program takes the console's.
#   lumora_windows_resources(<target> "<description>" [GUI])
function(lumora_windows_resources target description)
    cmake_parse_arguments(R "GUI" "" "" ${ARGN})
    set(LUMORA_RC_NAME ${target})
    set(LUMORA_RC_DESCRIPTION "${description}")
    set(LUMORA_MANIFEST_DPI "")
    if(R_GUI)
        set(LUMORA_MANIFEST_DPI "
      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>
      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>")
    endif()
    set(sources ${PROJECT_SOURCE_DIR}/src/resources)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
    set(LUMORA_RC_ICON ${sources}/logo.ico)
    set(LUMORA_RC_MANIFEST ${dir}/${target}.manifest)
    configure_file(${sources}/lumoracard.manifest.in ${LUMORA_RC_MANIFEST} @ONLY)
    configure_file(${sources}/lumoracard.rc.in ${dir}/${target}.rc @ONLY)
    set_source_files_properties(${dir}/${target}.rc PROPERTIES
        OBJECT_DEPENDS "${LUMORA_RC_MANIFEST};${LUMORA_RC_ICON}")
    target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()
