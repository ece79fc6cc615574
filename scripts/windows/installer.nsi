; The Windows installer: the package folder under Program Files, a Start menu entry and an
; uninstaller. scripts/build-windows.sh passes VERSION, SOURCE_DIR and OUT_FILE.
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
    SetOutPath "$INSTDIR"
    File /r "${SOURCE_DIR}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\LumoraCard.lnk" "$INSTDIR\lumoracard.exe"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard" "DisplayName" "LumoraCard ${VERSION}"
    WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\LumoraCard.lnk"
    RMDir /r "$INSTDIR"
    DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard"
SectionEnd
