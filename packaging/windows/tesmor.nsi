; The Windows installer of Tesmor. tools/package.sh compiles it:
;
;   makensis -DVERSION=A.B.C.D -DFILES=<folder> -DICON=<icon> -DOUTFILE=<setup.exe> [-DAMD64] tesmor.nsi
;
; FILES holds what is installed: Tesmor.exe, Tesmor.chm, LICENSE.txt,
; Tesmor-lab-manual.pdf (the students' book) and Tesmor.smp, the default table. AMD64 makes a 64-bit installer of a 64-bit
; build, installing into the 64-bit Program Files: only for testing on machines
; that run no 32-bit code; the shipped one is 32-bit.
;
; Tesmor reads its table of material parameters, Tesmor.smp, beside its own
; executable, and writes it there when the table has changed. Two kinds of
; installation:
;   just for me     (the default) %LOCALAPPDATA%\Programs\Tesmor, the user's
;                   Start menu, the uninstall entry under HKCU; the user may
;                   write the table.
;   for all users   Program Files, the all-users Start menu, the uninstall entry
;                   under HKLM; needs an administrator. Students read the table
;                   and cannot change it; their logs go to their Documents.
; The installer asks for the highest rights the user has
; (RequestExecutionLevel highest): an administrator confirms once and may
; choose either kind; anybody else runs it without a prompt and may install
; just for themselves. A deployment tool running as an administrator or as
; SYSTEM installs for all users with /S /ALLUSERS.
;
; Switches (and /? shows them):
;   /S             silent
;   /ALLUSERS      for all users; /CURRENTUSER just for me
;   /TABLE=path    a teacher's table, put beside the program in place of the one there
;   /PASSWORD=pw   the school's password for the table (Tesmor.exe /SETPASSWORD)
;   /D=folder      where to install; last, unquoted, even with spaces
; Exit codes: 0 installed; 1 cancelled; 2 aborted; 3 all users asked for without
; administrator rights; 4 the table given cannot be read or copied; 5 the
; password was not set. A failure is told in a window, or on standard error when
; silent.
;
; The uninstaller leaves the teacher's table (Tesmor.smp and Tesmor.smp.bak) and
; the school password (Tesmor.pwd) where they are, and with them the folder; the
; logs are the users' own, in their Documents. The silent uninstall command
; of the entry (QuietUninstallString) returns only when it is done: its exit
; code is 0 when everything but those files was removed.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel highest

!macro Required NAME
    !ifndef ${NAME}
        !error "${NAME} is not given: makensis -DVERSION=A.B.C.D -DFILES=<folder> -DICON=<icon> -DOUTFILE=<setup.exe>"
    !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required FILES
!insertmacro Required ICON
!insertmacro Required OUTFILE

!ifdef AMD64
    Target amd64-unicode
    !define PROGRAMS_FOLDER "$PROGRAMFILES64"
!else
    !define PROGRAMS_FOLDER "$PROGRAMFILES"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmor"
!define PUBLISHER "Tesmor Project"
!define COPYRIGHT "Copyright (C) 2026 Tesmor Project"

!define EXIT_NOT_ADMINISTRATOR 3
!define EXIT_TABLE 4
!define EXIT_PASSWORD 5

Name "Tesmor"
OutFile "${OUTFILE}"
; No InstallDir: $INSTDIR is empty unless /D= gave it, and .onInit chooses
; the folder of the kind of installation.
BrandingText "Tesmor ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Tesmor"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Tesmor ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

!include MUI2.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define HELP_TEXT "Tesmor ${VERSION} Setup$\r$\n$\r$\n\
setup.exe [/S] [/ALLUSERS | /CURRENTUSER] [/TABLE=file] [/PASSWORD=password] [/D=folder]$\r$\n$\r$\n\
/S$\tinstall silently$\r$\n\
/ALLUSERS$\tfor all users, in Program Files (needs an administrator)$\r$\n\
/CURRENTUSER$\tjust for the current user (the default)$\r$\n\
/TABLE=file$\tput this table of material parameters beside the program$\r$\n\
/PASSWORD=pw$\tthe school's password for the table$\r$\n\
/D=folder$\tinstall there (last, without quotes)$\r$\n$\r$\n\
Exit codes: 0 installed, 1 cancelled, 2 aborted, 3 no administrator rights for /ALLUSERS, \
4 the table cannot be read, 5 the password was not set."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "header.bmp"
!define MUI_HEADERIMAGE_UNBITMAP "header.bmp"

Var AllUsers       ; 1 for all users, 0 just for me
Var MayAllUsers    ; 1 when the user is an administrator
Var FolderGiven    ; 1 when /D= gave the folder
Var TablePath      ; /TABLE=
Var Password       ; the school's password, from /PASSWORD= or the page; empty: none
Var KeptText       ; the uninstaller's last words

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
Page custom KindPage KindPageLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom PasswordPage PasswordPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tesmor.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Tesmor has been removed"
!define MUI_FINISHPAGE_TEXT "$KeptText"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; ------------------------------------------------------------ shared
; Tells a failure in a window, or on standard error when silent (a window
; would stop a silent deployment), and ends with CODE.
!macro FailFunction PREFIX
    Function ${PREFIX}Fail
        Exch $R9  ; the exit code
        Exch
        Exch $R8  ; the message
        DetailPrint "$R8"
        ${If} ${Silent}
            System::Call 'kernel32::GetStdHandle(i -12) p .r7'
            StrCpy $R8 "Tesmor setup: $R8$\r$\n"
            StrLen $6 $R8
            System::Call 'kernel32::WriteFile(p r7, m R8, i r6, *i .r5, p 0)'
        ${Else}
            MessageBox MB_OK|MB_ICONSTOP "$R8"
        ${EndIf}
        SetErrorLevel $R9
        Quit
    FunctionEnd
!macroend
!insertmacro FailFunction ""
!insertmacro FailFunction "un."
!macro Fail MESSAGE CODE
    Push `${MESSAGE}`
    Push ${CODE}
    !ifdef __UNINSTALL__
        Call un.Fail
    !else
        Call Fail
    !endif
!macroend

; ------------------------------------------------------------ installer
; The value of switch NAME (such as /TABLE=) of the command line in $R0, into
; VAR; empty when the switch is not there. A switch given with no value, or
; quoted whole ("/TABLE=a b", which hides its value), fails with CODE rather
; than be ignored.
!macro ValueOf NAME VAR CODE
    StrCpy ${VAR} ""
    ClearErrors
    ${GetOptions} $R0 "${NAME}" ${VAR}
    ${If} ${VAR} == ""
        ClearErrors
        ${WordFind} $R0 "${NAME}" "E+1{" $R1
        ${IfNot} ${Errors}
            !insertmacro Fail "${NAME} needs a value after it, in quotes when it has spaces: \
${NAME}$\"a b$\". Nothing was installed." ${CODE}
        ${EndIf}
    ${EndIf}
!macroend

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/?" $R1
    ${IfNot} ${Errors}
        System::Call 'kernel32::GetStdHandle(i -11) p .r7'
        StrCpy $R1 "${HELP_TEXT}$\r$\n"
        StrLen $6 $R1
        System::Call 'kernel32::WriteFile(p r7, m R1, i r6, *i .r5, p 0)'
        MessageBox MB_OK|MB_ICONINFORMATION "${HELP_TEXT}" /SD IDOK
        ; Quit alone would end with the code of an aborted installation.
        SetErrorLevel 0
        Quit
    ${EndIf}

    StrCpy $FolderGiven 0
    ${If} $INSTDIR != ""
        StrCpy $FolderGiven 1
    ${EndIf}

    StrCpy $MayAllUsers 0
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 == "Admin"
        StrCpy $MayAllUsers 1
    ${EndIf}

    ; The kind found installed already, for an administrator; else just for me.
    StrCpy $AllUsers 0
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 != ""
    ${AndIf} $MayAllUsers == 1
        StrCpy $AllUsers 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    ${If} $AllUsers == 1
    ${AndIf} $MayAllUsers != 1
        !insertmacro Fail "Installing Tesmor for all users needs an administrator's rights. \
Start the setup as an administrator, or install just for yourself (/CURRENTUSER)." ${EXIT_NOT_ADMINISTRATOR}
    ${EndIf}

    !insertmacro ValueOf "/TABLE=" $TablePath ${EXIT_TABLE}
    ${If} $TablePath != ""
        ClearErrors
        FileOpen $R1 "$TablePath" r
        ${If} ${Errors}
            !insertmacro Fail "The table of material parameters $\"$TablePath$\" (/TABLE=) cannot be read. \
Nothing was installed." ${EXIT_TABLE}
        ${EndIf}
        FileClose $R1
        ; Copied later from the folder the setup was started in.
        GetFullPathName $TablePath "$TablePath"
    ${EndIf}

    !insertmacro ValueOf "/PASSWORD=" $Password ${EXIT_PASSWORD}

    Call UseKind
FunctionEnd

; The shell folders, the registry hive (SHCTX) and, unless /D= gave it, the
; folder of the chosen kind: where the last installation of that kind went, or
; its standard place.
Function UseKind
    ${If} $AllUsers == 1
        SetShellVarContext all
        ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        StrCpy $R2 "${PROGRAMS_FOLDER}\Tesmor"
    ${Else}
        SetShellVarContext current
        ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
        StrCpy $R2 "$LOCALAPPDATA\Programs\Tesmor"
    ${EndIf}
    ${If} $FolderGiven == 1
        Return
    ${EndIf}
    ${If} $R1 != ""
        StrCpy $INSTDIR $R1
    ${Else}
        StrCpy $INSTDIR $R2
    ${EndIf}
FunctionEnd

Var KindAllUsers
Var KindCurrentUser

Function KindPage
    !insertmacro MUI_HEADER_TEXT "Who will use Tesmor?" "Install Tesmor for every user of this computer, or just for you."
    nsDialogs::Create 1018
    Pop $R1
    ${NSD_CreateRadioButton} 0 0 100% 12u "&For all users of this computer"
    Pop $KindAllUsers
    ${NSD_CreateLabel} 12u 14u -12u 30u "In Program Files, for every account. Needs an administrator. \
The table of material parameters beside the program is the teacher's: students use it and cannot change it."
    Pop $R1
    ${NSD_CreateRadioButton} 0 50u 100% 12u "&Just for me"
    Pop $KindCurrentUser
    ${NSD_CreateLabel} 12u 64u -12u 30u "In your own folder, for your account only, without administrator rights."
    Pop $R1
    ${If} $MayAllUsers != 1
        EnableWindow $KindAllUsers 0
        ${NSD_CreateLabel} 0 100u 100% 20u "Only an administrator can install Tesmor for all users."
        Pop $R1
    ${EndIf}
    ${If} $AllUsers == 1
        ${NSD_Check} $KindAllUsers
    ${Else}
        ${NSD_Check} $KindCurrentUser
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function KindPageLeave
    ${NSD_GetState} $KindAllUsers $R1
    ${If} $R1 == ${BST_CHECKED}
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
    Call UseKind
FunctionEnd

Var PasswordField
Var PasswordAgainField

Function PasswordPage
    !insertmacro MUI_HEADER_TEXT "School password (optional)" \
        "A password of the school's own for the table of material parameters."
    nsDialogs::Create 1018
    Pop $R1
    ${NSD_CreateLabel} 0 0 100% 36u "Teachers change the table of material parameters behind a password. \
Give the school's own password here, and only it opens the table on this computer. \
Leave both fields empty to keep the password as it is."
    Pop $R1
    ${NSD_CreateLabel} 0 44u 30% 12u "&Password:"
    Pop $R1
    ${NSD_CreatePassword} 30% 42u 70% 12u ""
    Pop $PasswordField
    ${NSD_CreateLabel} 0 62u 30% 12u "&Again:"
    Pop $R1
    ${NSD_CreatePassword} 30% 60u 70% 12u ""
    Pop $PasswordAgainField
    nsDialogs::Show
FunctionEnd

Function PasswordPageLeave
    ${NSD_GetText} $PasswordField $R1
    ${NSD_GetText} $PasswordAgainField $R2
    ${If} $R1 S!= $R2
        MessageBox MB_OK|MB_ICONEXCLAMATION "The two passwords differ. Type the same password twice."
        Abort
    ${EndIf}
    StrCpy $Password $R1
FunctionEnd

Section "Tesmor"
    SectionIn RO
    ; The shortcut starts Tesmor in this folder too.
    SetOutPath "$INSTDIR"
    File "${FILES}\Tesmor.exe"
    File "${FILES}\Tesmor.chm"
    File "${FILES}\LICENSE.txt"
    ; The students' book, to print; the teacher's guide is never installed.
    File "${FILES}\Tesmor-lab-manual.pdf"
    ; The default table only where there is none: an update keeps the teacher's.
    SetOverwrite off
    File "${FILES}\Tesmor.smp"
    SetOverwrite on
    ${If} $TablePath != ""
        SetFileAttributes "$INSTDIR\Tesmor.smp" NORMAL
        System::Call 'kernel32::CopyFileW(t "$TablePath", t "$INSTDIR\Tesmor.smp", i 0) i .r1'
        ${If} $1 == 0
            !insertmacro Fail "The table of material parameters $\"$TablePath$\" could not be copied to $INSTDIR." \
                ${EXIT_TABLE}
        ${EndIf}
        DetailPrint "Put the table $TablePath beside the program."
    ${EndIf}
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Icon 0 is the full-colour one.
    CreateShortcut "$SMPROGRAMS\Tesmor.lnk" "$INSTDIR\Tesmor.exe" "" "$INSTDIR\Tesmor.exe" 0
    CreateShortcut "$SMPROGRAMS\Tesmor lab manual.lnk" "$INSTDIR\Tesmor-lab-manual.pdf"

    ; SHCTX: HKLM for all users, HKCU just for me (UseKind).
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tesmor"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    ; Started by itself, an uninstaller goes on in a copy of itself in the
    ; temporary folder (it cannot delete its own file while it runs) and
    ; returns at once, which tells a deployment tool nothing. The silent
    ; command makes that copy itself and waits for it (start /wait), so that
    ; it returns when everything is removed, with the uninstaller's exit code.
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$SYSDIR\cmd.exe" /d /c copy /y "$INSTDIR\Uninstall.exe" "%TEMP%\Tesmor-uninstall.exe" >nul && \
start "" /wait "%TEMP%\Tesmor-uninstall.exe" /S _?=$INSTDIR'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tesmor.exe,0"
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as the list of installed programs expects; the table is counted
    ; too when an update finds one.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

    ${If} $Password != ""
        ; Through the environment of the child only: never on a command line,
        ; where any process list would show it.
        StrCpy $R1 $Password
        System::Call 'kernel32::SetEnvironmentVariableW(t "TESMOR_NEW_PASSWORD", t R1) i .r1'
        ClearErrors
        ExecWait '"$INSTDIR\Tesmor.exe" /SETPASSWORD' $1
        ${If} ${Errors}
            StrCpy $1 "none (it did not start)"
        ${EndIf}
        System::Call 'kernel32::SetEnvironmentVariableW(t "TESMOR_NEW_PASSWORD", p 0) i .r2'
        StrCpy $Password ""
        ${If} $1 != 0
            !insertmacro Fail "The school password could not be set (Tesmor.exe /SETPASSWORD: exit code $1). \
Tesmor is installed; run the setup again to set the password." ${EXIT_PASSWORD}
        ${EndIf}
        DetailPrint "Set the school password."
    ${EndIf}
SectionEnd

; ------------------------------------------------------------ uninstaller
Function un.onInit
    ; All users when the machine's entry names this folder.
    StrCpy $AllUsers 0
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 != ""
    ${AndIf} $R1 == $INSTDIR
        StrCpy $AllUsers 1
    ${EndIf}
    ${If} $AllUsers == 1
        SetShellVarContext all
        UserInfo::GetAccountType
        Pop $R1
        ${If} $R1 != "Admin"
            !insertmacro Fail "Tesmor was installed for all users: only an administrator can remove it." \
                ${EXIT_NOT_ADMINISTRATOR}
        ${EndIf}
    ${Else}
        SetShellVarContext current
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Delete "$INSTDIR\Tesmor.exe"
    Delete "$INSTDIR\Tesmor.chm"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\Tesmor-lab-manual.pdf"
    ; What an interrupted save leaves; the table itself is Tesmor.smp.
    Delete "$INSTDIR\Tesmor.smp.new"
    Delete "$SMPROGRAMS\Tesmor.lnk"
    Delete "$SMPROGRAMS\Tesmor lab manual.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ; Started in place with _?=, it cannot delete its own file, and says so
    ; below; run from a copy (the silent command's or the system's), that copy
    ; is deleted at the next start of Windows.
    Delete "$INSTDIR\Uninstall.exe"
    ${If} $EXEDIR != $INSTDIR
        Delete /REBOOTOK "$EXEPATH"
    ${EndIf}
    ; Removed only when empty: the teacher's table and the password stay.
    RMDir "$INSTDIR"

    ${If} ${FileExists} "$INSTDIR\Tesmor.exe"
    ${OrIf} ${FileExists} "$INSTDIR\Tesmor.chm"
    ${OrIf} ${FileExists} "$INSTDIR\Tesmor-lab-manual.pdf"
    ${OrIf} ${FileExists} "$INSTDIR\Uninstall.exe"
        StrCpy $KeptText "Some of Tesmor's files in $INSTDIR could not be removed. Close Tesmor and try again."
        DetailPrint "$KeptText"
        SetErrorLevel 2
    ${ElseIf} ${FileExists} "$INSTDIR\*.*"
        StrCpy $KeptText "Tesmor has been removed. The table of material parameters (Tesmor.smp, its backup \
Tesmor.smp.bak and the school password Tesmor.pwd, where there are any) was kept in $INSTDIR, for a later \
installation; delete the folder when it is no longer needed.$\r$\n$\r$\n\
The measurement logs are in each user's Documents folder and were not touched."
        DetailPrint "Kept $INSTDIR with the table of material parameters."
    ${Else}
        StrCpy $KeptText "Tesmor has been removed.$\r$\n$\r$\n\
The measurement logs are in each user's Documents folder and were not touched."
    ${EndIf}
SectionEnd
