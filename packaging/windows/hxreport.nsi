; The installer of the Windows program, for office PCs that open a station's
; folder or the plant server. scripts/windows.sh passes VERSION, SOURCE (the
; folder packed in the zip) and OUTFILE.
Unicode true
!include "MUI2.nsh"

Name "hxReport ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\hxReport"
InstallDirRegKey HKLM "Software\hxReport" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ICON "${SOURCE}\hxReport.ico"
!define MUI_UNICON "${SOURCE}\hxReport.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\hxReport"

Section "hxReport"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\hxReport"
    CreateShortcut "$SMPROGRAMS\hxReport\hxReport.lnk" "$INSTDIR\hxReport.exe" "" "$INSTDIR\hxReport.exe" 0
    CreateShortcut "$SMPROGRAMS\hxReport\Uninstall hxReport.lnk" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "Software\hxReport" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "hxReport"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hxReport.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    ; Only what the installer put there: a station's files or settings kept in
    ; the folder by hand stay.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\hxReport\hxReport.lnk"
    Delete "$SMPROGRAMS\hxReport\Uninstall hxReport.lnk"
    RMDir "$SMPROGRAMS\hxReport"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\hxReport"
SectionEnd
