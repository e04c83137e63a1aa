; The Windows installer of Tesmor. tools/package.sh compiles it:
;
;   makensis -DVERSION=A.B.C.D -DFILES=<folder> -DICON=<tesmor.ico> -DOUTFILE=<setup.exe> tesmor.nsi
;
; FILES holds what is installed: Tesmor.exe, Tesmor.chm and LICENSE.txt.
;
; Tesmor writes its parameters file, Tesmor.smp, beside its own executable, so
; the program must live in a folder its user may write to. It is therefore
; installed for the current user only, in %LOCALAPPDATA%\Programs\Tesmor, and
; neither the installer nor the uninstaller asks for administrator rights. The
; uninstaller leaves the teacher's table (Tesmor.smp, and Tesmor.smp.bak if
; there is one) where it is, and with it the folder.
;
; Both run silently with /S.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!macro Required NAME
    !ifndef ${NAME}
        !error "${NAME} is not given: makensis -DVERSION=A.B.C.D -DFILES=<folder> -DICON=<icon> -DOUTFILE=<setup.exe>"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required FILES
!insertmacro Required ICON
!insertmacro Required OUTFILE

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmor"
!define PUBLISHER "the Tesmor developers"

Name "Tesmor"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tesmor"
; An update goes where the last installation went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tesmor ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Tesmor"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Tesmor ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence, ${PUBLISHER}"

!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tesmor.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "Tesmor"
    SectionIn RO
    ; The shortcut starts Tesmor in this folder too.
    SetOutPath "$INSTDIR"
    File "${FILES}\Tesmor.exe"
    File "${FILES}\Tesmor.chm"
    File "${FILES}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateShortcut "$SMPROGRAMS\Tesmor.lnk" "$INSTDIR\Tesmor.exe" "" "$INSTDIR\Tesmor.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tesmor"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tesmor.exe,0"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as the list of installed programs expects; the table is counted
    ; too when an update finds one.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\Tesmor.exe"
    Delete "$INSTDIR\Tesmor.chm"
    Delete "$INSTDIR\LICENSE.txt"
    ; What an interrupted save leaves; the table itself is Tesmor.smp.
    Delete "$INSTDIR\Tesmor.smp.new"
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$SMPROGRAMS\Tesmor.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; Removed only when empty: the teacher's Tesmor.smp and Tesmor.smp.bak stay.
    RMDir "$INSTDIR"
    IfFileExists "$INSTDIR\*.*" 0 +2
        DetailPrint "Kept $INSTDIR with the table of material parameters."
SectionEnd
