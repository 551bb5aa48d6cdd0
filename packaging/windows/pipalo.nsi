; The Windows installer of Pipalo: for the current user or for all users, a Start-menu
; entry, .TPZ tune files opened with Pipalo, and an uninstaller listed in Add/Remove
; Programs that takes everything away.
; Silent use: setup.exe /S /CurrentUser (or /AllUsers); Uninstall.exe /S.
; makensis -DVERSION=4.0 -DPROGRAM=Pipalo.exe -DICON=pipalo48.ico -DOUTFILE=setup.exe
;          [-DAMD64] pipalo.nsi

Unicode true
!ifdef AMD64
Target amd64-unicode
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pipalo"
!define SHORTCUT "$SMPROGRAMS\Pipalo.lnk"
!define TUNE_EXTENSION "Software\Classes\.TPZ"
!define TUNE_TYPE "Pipalo.Tune"
!define TUNE_TYPE_KEY "Software\Classes\${TUNE_TYPE}"

Name "Pipalo ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "TarnWell Development"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Pipalo"
VIAddVersionKey "CompanyName" "TarnWell Development"
VIAddVersionKey "FileDescription" "Pipalo ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "TarnWell Development"

; An administrator is offered both kinds of installation, anyone else their own.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Pipalo"
!include MultiUser.nsh
!include MUI2.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Pipalo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Pipalo"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

; The uninstaller takes away the installation it belongs to: the one whose folder it is in.
Function un.onInit
    !insertmacro MULTIUSER_UNINIT
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        Call un.MultiUser.InstallMode.CurrentUser
    ${ElseIf} $1 == $INSTDIR
        Call un.MultiUser.InstallMode.AllUsers
    ${EndIf}
FunctionEnd

Section "Pipalo"
    SetOutPath "$INSTDIR"
    File "/oname=Pipalo.exe" "${PROGRAM}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\Pipalo.exe"

    ; SHCTX is HKCU or HKLM, as the installation is for the user or for all users.
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Pipalo ${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "TarnWell Development"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pipalo.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Opening a tune file (Explorer, "start tune.TPZ") plays it.
    WriteRegStr SHCTX "${TUNE_EXTENSION}" "" "${TUNE_TYPE}"
    WriteRegStr SHCTX "${TUNE_TYPE_KEY}" "" "Pipalo tune"
    WriteRegStr SHCTX "${TUNE_TYPE_KEY}\DefaultIcon" "" "$INSTDIR\Pipalo.exe,0"
    WriteRegStr SHCTX "${TUNE_TYPE_KEY}\shell\open\command" "" '"$INSTDIR\Pipalo.exe" "%1"'
    Call NotifyAssociationsChanged
SectionEnd

!macro NOTIFY_ASSOCIATIONS_CHANGED PREFIX
Function ${PREFIX}NotifyAssociationsChanged
    ; SHCNE_ASSOCCHANGED: Explorer shows the files' new icon and verb at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
FunctionEnd
!macroend
!insertmacro NOTIFY_ASSOCIATIONS_CHANGED ""
!insertmacro NOTIFY_ASSOCIATIONS_CHANGED "un."

; A Pipalo still running keeps its file until the next start of Windows.
Section "Uninstall"
    Delete "${SHORTCUT}"
    Delete /REBOOTOK "$INSTDIR\Pipalo.exe"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ; The extension stays with whatever program took it since.
    ReadRegStr $0 SHCTX "${TUNE_EXTENSION}" ""
    ${If} $0 == "${TUNE_TYPE}"
        DeleteRegValue SHCTX "${TUNE_EXTENSION}" ""
        DeleteRegKey /ifempty SHCTX "${TUNE_EXTENSION}"
    ${EndIf}
    DeleteRegKey SHCTX "${TUNE_TYPE_KEY}"
    Call un.NotifyAssociationsChanged
SectionEnd
