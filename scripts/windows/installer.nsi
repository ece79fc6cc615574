; The Windows installer: the package folder under Program Files, a Start menu entry for every
; user and an uninstaller that removes only what was installed. scripts/build-windows.sh passes
; VERSION, SOURCE_DIR, OUT_FILE, SIZE_KIB (the package's size) and LISTS_DIR, where
; scripts/windows/package-lists.sh wrote the package's files.
; The program is 64-bit only, so is its installer: it writes the 64-bit registry and Program
; Files without redirection, and runs where the program can.
Target amd64-unicode
Name "LumoraCard ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\LumoraCard"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCard"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Installed by an administrator for the whole machine: the shortcut goes to every user's
; Start menu, not only to the administrator's.
Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "LumoraCard"
    !include "${LISTS_DIR}/install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\LumoraCard.lnk" "$INSTDIR\lumoracard.exe"
    ; The entry in the system's list of programs.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "LumoraCard ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Lumora"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumoracard.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KIB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\LumoraCard.lnk"
    Delete "$INSTDIR\uninstall.exe"
    !include "${LISTS_DIR}/uninstall-files.nsh"
    ; Whatever the user or the program put beside the installed files stays, and so does the
    ; folder that holds it.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
