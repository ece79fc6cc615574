; The Windows installer: the package folder under Program Files, a Start menu entry and an
; uninstaller that removes only what was installed. scripts/build-windows.sh passes VERSION,
; SOURCE_DIR, OUT_FILE and LISTS_DIR, where scripts/windows/package-lists.sh wrote the package's
; files.
Unicode true
Name "LumoraCard ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\LumoraCard"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "LumoraCard"
    !include "${LISTS_DIR}/install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\LumoraCard.lnk" "$INSTDIR\lumoracard.exe"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard" "DisplayName" "LumoraCard ${VERSION}"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\LumoraCard.lnk"
    Delete "$INSTDIR\uninstall.exe"
    !include "${LISTS_DIR}/uninstall-files.nsh"
    ; Whatever the user or the program put beside the installed files stays, and so does the
    ; folder that holds it.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard"
SectionEnd
