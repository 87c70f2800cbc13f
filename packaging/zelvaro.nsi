; The Windows set-up: installs for the current user, with no administrator rights, into
; %LOCALAPPDATA%\Programs\Zelvaro; a Start-menu shortcut; an optional start with the session; an
; entry in Add/Remove Programs; an uninstaller that keeps the margins unless asked.
; Built by the Windows build's `setup` target, which writes the defines below (RELEASE_DEFINES).
;
; Silent use: setup.exe /S [/AUTOSTART | /NOAUTOSTART] [/D=folder]; uninstall.exe /S [/PURGE].
; Without either option an upgrade keeps the choice of the installed copy.

Unicode true
; Wine on 64-bit Debian starts 64-bit programs only, and so does any current Windows.
Target amd64-unicode

!include "${RELEASE_DEFINES}"
!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvaro"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Zelvaro"
!define SYNCHRONIZE 0x00100000
!define WAIT_ABANDONED 0x80
; How long a running Zelvaro gets to save its margins and end.
!define CLOSE_TIMEOUT_MS 10000

Name "Zelvaro"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zelvaro"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "Zelvaro ${VERSION}"

Var Autostart
Var AutostartBox
Var Purge
Var PurgeBox

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\zelvaro.exe"

!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPage OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.OptionsPage un.OptionsPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

; French first: the language of the program, and the one shown wherever Windows speaks neither.
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "English"

LangString OptionsTitle ${LANG_FRENCH} "Options"
LangString OptionsTitle ${LANG_ENGLISH} "Options"
LangString OptionsSubtitle ${LANG_FRENCH} "Choisissez quand Zelvaro démarre."
LangString OptionsSubtitle ${LANG_ENGLISH} "Choose when Zelvaro starts."
LangString AutostartText ${LANG_FRENCH} "Lancer Zelvaro à l'ouverture de session"
LangString AutostartText ${LANG_ENGLISH} "Start Zelvaro when I sign in"
LangString RemoveTitle ${LANG_FRENCH} "Désinstallation de Zelvaro"
LangString RemoveTitle ${LANG_ENGLISH} "Uninstalling Zelvaro"
LangString RemoveSubtitle ${LANG_FRENCH} "Zelvaro va être supprimé de $INSTDIR."
LangString RemoveSubtitle ${LANG_ENGLISH} "Zelvaro will be removed from $INSTDIR."
LangString PurgeText ${LANG_FRENCH} "Supprimer aussi les réglages"
LangString PurgeText ${LANG_ENGLISH} "Also remove the settings"
LangString PurgeHint ${LANG_FRENCH} "Sans cette case, les marges restent enregistrées pour une prochaine installation."
LangString PurgeHint ${LANG_ENGLISH} "Unless ticked, the margins are kept for a later installation."
LangString CloseRunning ${LANG_FRENCH} "Zelvaro est en cours d'exécution. Il va être fermé (ses marges sont enregistrées) pour continuer."
LangString CloseRunning ${LANG_ENGLISH} "Zelvaro is running. It will be closed (its margins are saved) to go on."
LangString StillRunning ${LANG_FRENCH} "Zelvaro ne s'est pas fermé. Fermez-le (Échap), puis relancez cette opération."
LangString StillRunning ${LANG_ENGLISH} "Zelvaro did not close. Close it (Escape), then run this again."

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_FRENCH} "ProductName" "Zelvaro"
VIAddVersionKey /LANG=${LANG_FRENCH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_FRENCH} "FileDescription" "Installation de Zelvaro"
VIAddVersionKey /LANG=${LANG_FRENCH} "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=${LANG_FRENCH} "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=${LANG_FRENCH} "LegalCopyright" "${COPYRIGHT}"

; A running Zelvaro holds zelvaro.exe: it is asked to close as Escape would, margins saved, and
; its end is awaited on its session mutex, which the system releases when the process is gone.
!macro CLOSE_RUNNING_ZELVARO un
Function ${un}CloseRunningZelvaro
    FindWindow $0 "${FRAME_CLASS}"
    ${If} $0 = 0
        Return
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(CloseRunning)" /SD IDOK IDOK close
    Quit
close:
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r1'
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $1 P<> 0
        System::Call 'kernel32::WaitForSingleObject(p r1, i ${CLOSE_TIMEOUT_MS}) i .r2'
        ; Waiting took the mutex over: hand it back at once, or Zelvaro started later would wait.
        ${If} $2 = 0
        ${OrIf} $2 = ${WAIT_ABANDONED}
            System::Call 'kernel32::ReleaseMutex(p r1)'
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    FindWindow $0 "${FRAME_CLASS}"
    ${If} $0 <> 0
        MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_ZELVARO ""
!insertmacro CLOSE_RUNNING_ZELVARO "un."

Function .onInit
    ; The installed copy's choice, unless the command line says otherwise.
    StrCpy $Autostart 0
    ReadRegStr $0 HKCU "${RUN_KEY}" "Zelvaro"
    ${If} $0 != ""
        StrCpy $Autostart 1
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/AUTOSTART" $1
    ${IfNot} ${Errors}
        StrCpy $Autostart 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $0 "/NOAUTOSTART" $1
    ${IfNot} ${Errors}
        StrCpy $Autostart 0
    ${EndIf}
    Call CloseRunningZelvaro
FunctionEnd

Function OptionsPage
    !insertmacro MUI_HEADER_TEXT "$(OptionsTitle)" "$(OptionsSubtitle)"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 0 100% 12u "$(AutostartText)"
    Pop $AutostartBox
    ${If} $Autostart = 1
        ${NSD_Check} $AutostartBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
    ${NSD_GetState} $AutostartBox $Autostart
FunctionEnd

Section "Zelvaro"
    SetOutPath "$INSTDIR"
    File "/oname=zelvaro.exe" "${EXE}"
    File "/oname=LICENSE.txt" "${LICENSE_FILE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\Zelvaro.lnk" "$INSTDIR\zelvaro.exe"

    ${If} $Autostart = 1
        WriteRegStr HKCU "${RUN_KEY}" "Zelvaro" '"$INSTDIR\zelvaro.exe"'
    ${Else}
        DeleteRegValue HKCU "${RUN_KEY}" "Zelvaro"
    ${EndIf}

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zelvaro"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zelvaro.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${WEB_ADDRESS}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    StrCpy $Purge 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/PURGE" $1
    ${IfNot} ${Errors}
        StrCpy $Purge 1
    ${EndIf}
    Call un.CloseRunningZelvaro
FunctionEnd

Function un.OptionsPage
    !insertmacro MUI_HEADER_TEXT "$(RemoveTitle)" "$(RemoveSubtitle)"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 0 100% 12u "$(PurgeText)"
    Pop $PurgeBox
    ${NSD_CreateLabel} 0 20u 100% 24u "$(PurgeHint)"
    Pop $0
    nsDialogs::Show
FunctionEnd

Function un.OptionsPageLeave
    ${NSD_GetState} $PurgeBox $Purge
FunctionEnd

Section "Uninstall"
    Delete "$INSTDIR\zelvaro.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; Made for this install if no other program uses it; kept otherwise.
    RMDir "$LOCALAPPDATA\Programs"
    Delete "$SMPROGRAMS\Zelvaro.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Zelvaro"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${If} $Purge = 1
        DeleteRegKey HKCU "${SETTINGS_KEY}"
    ${EndIf}
SectionEnd
