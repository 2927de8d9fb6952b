; The Windows installer: Kubrask for the current user only, with no
; administrator rights, into the user's own programs folder, where the game
; can write its launch counter and best score beside itself.
;
;   makensis -DVERSION=1.0.0 -DWINDOWS=win32|win64 -DSTAGE=FOLDER -DICON=Kubrask.ico -DOUTFILE=SETUP.exe kubrask.nsi
; FOLDER holds the installed files of the win32 or the win64 build:
; Kubrask.exe, README.txt and Data/.
;
; Both builds install into the same folder, with the same shortcut and
; uninstall entry, so either replaces the other. The installer itself is a
; 32-bit program either way, so that on 32-bit Windows the one for 64-bit
; can say what it needs instead of failing to start.
;
; The uninstaller keeps the player's best score, Kubrask.data, unless its
; box on the uninstaller's page is ticked.
Unicode true
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kubrask"

Name "Kubrask"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Kubrask"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Kubrask"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kubrask ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The Kubrask developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 The Kubrask developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kubrask.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!if ${WINDOWS} == win64
Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_OK|MB_ICONSTOP "This installer is for 64-bit Windows, and this computer runs 32-bit Windows.$\r$\n$\r$\nPlease install Kubrask-${VERSION}-win32-setup.exe, Kubrask for 32-bit Windows, instead." /SD IDOK
        Abort
    ${EndIf}
FunctionEnd
!endif

Section "Kubrask"
    SetOutPath "$INSTDIR"
    File "${STAGE}/Kubrask.exe"
    File "${STAGE}/README.txt"
    SetOutPath "$INSTDIR\Data"
    File "${STAGE}/Data/*"
    ; The shortcut's working folder is the output path when it is made: the
    ; game reads Data\ and keeps its files there.
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Kubrask.lnk" "$INSTDIR\Kubrask.exe"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kubrask"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Kubrask developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "https://kubrask.example.com/"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kubrask.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "-un.Kubrask"
    Delete "$SMPROGRAMS\Kubrask.lnk"
    Delete "$INSTDIR\Kubrask.exe"
    Delete "$INSTDIR\README.txt"
    RMDir /r "$INSTDIR\Data"
    Delete "$INSTDIR\random.txt"
    Delete "$INSTDIR\Kubrask.data.new"
    Delete "$INSTDIR\Uninstall.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off unless the player ticks it, so a silent uninstall keeps the score.
Section /o "un.Remove my best score (Kubrask.data)"
    Delete "$INSTDIR\Kubrask.data"
SectionEnd

Section "-un.folder"
    RMDir "$INSTDIR"  ; only when nothing is left in it
SectionEnd
