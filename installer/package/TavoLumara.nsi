; The suite's installer and its uninstaller. makensis builds it on Linux from the installation
; folder the build lays out; make_package.cmake writes the list of that folder's files (TL_FILES)
; and passes the suite's identity: TL_ARCH (win32 or win64), TL_PRODUCT, TL_COMPANY,
; TL_COPYRIGHT, TL_VERSION, TL_VERSION_DOTTED, TL_OUTPUT and, when drawn, TL_ICON.
;
; Command line:  /S  silent;  /MODE=n  colour-tone mode 1 Lumara, 2 Vivid, 3 Theater, 4 Soft,
;                5 Normal;  /D=folder  installation folder (last, unquoted).
; Exit codes: 0 installed; 1 cancelled by the user; 2 refused, nothing changed (the suite is
;             running, or a bad option); 3 installed, but a step failed (the details list names it).
; The uninstaller takes /S; "Uninstall.exe /S _?=<folder>" runs it in place and waits.

Unicode true
!if "${TL_ARCH}" == "win64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all

!define SETTINGS_KEY "SOFTWARE\Norvak\TavoPC\NORVAKVMR"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define LOGON_VALUE "TAVOLumaraAR"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\${TL_PRODUCT}"
!define PANEL_TITLE "Norvak TavoLumara Technology"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${TL_PRODUCT}.lnk"
!define EXIT_REFUSED 2
!define EXIT_STEP_FAILED 3

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include "${TL_FILES}"

!ifndef TL_HAVE_SETUP_HELPER
  !error "the installation folder holds no Install.exe"
!endif

Name "${TL_PRODUCT}"
OutFile "${TL_OUTPUT}"
!if "${TL_ARCH}" == "win64"
  InstallDir "$PROGRAMFILES64\Norvak\TavoPC\eLumara"
!else
  InstallDir "$PROGRAMFILES\Norvak\TavoPC\eLumara"
!endif
; An upgrade goes where the earlier installation is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${TL_PRODUCT} ${TL_VERSION}"

VIProductVersion "${TL_VERSION_DOTTED}"
VIFileVersion "${TL_VERSION_DOTTED}"

Var Mode            ; the colour-tone mode to show, 1..5
Var ModeRadio1
Var ModeRadio2
Var ModeRadio3
Var ModeRadio4
Var ModeRadio5
Var StepFailed      ; 1 when a step after copying the files failed
Var EarlierFolder   ; the folder of an earlier installation, when there is one
; The user's values from an earlier installation ("" when there were none).
Var KeptLow
Var KeptHigh
Var KeptStrength
Var KeptNoise
Var KeptMovie

!ifdef TL_ICON
  !define MUI_ICON "${TL_ICON}"
  !define MUI_UNICON "${TL_ICON}"
!endif
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${TL_PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${TL_COMPANY}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${TL_COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${TL_PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${TL_VERSION_DOTTED}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${TL_VERSION}"

LangString ModeTitle ${LANG_ENGLISH} "Colour tone"
LangString ModeTitle ${LANG_GERMAN} "Farbton"
LangString ModeSubtitle ${LANG_ENGLISH} "Choose how the display looks after the installation."
LangString ModeSubtitle ${LANG_GERMAN} "Wählen Sie, wie der Bildschirm nach der Installation aussieht."
LangString ModeIntro ${LANG_ENGLISH} "The display shows this colour-tone mode as soon as the installation ends. The ${TL_PRODUCT} control panel changes it at any time."
LangString ModeIntro ${LANG_GERMAN} "Der Bildschirm zeigt diesen Farbton, sobald die Installation beendet ist. In der ${TL_PRODUCT}-Systemsteuerung können Sie ihn jederzeit ändern."
LangString ModeNormal ${LANG_ENGLISH} "Normal (no enhancement)"
LangString ModeNormal ${LANG_GERMAN} "Normal (ohne Verbesserung)"
LangString PanelRunning ${LANG_ENGLISH} "${TL_PRODUCT} is running. Close the ${TL_PRODUCT} control panel, then try again."
LangString PanelRunning ${LANG_GERMAN} "${TL_PRODUCT} wird gerade ausgeführt. Schließen Sie die ${TL_PRODUCT}-Systemsteuerung und versuchen Sie es erneut."
LangString FileInUse ${LANG_ENGLISH} "$R9 in $INSTDIR is in use by a running program (for example a media player showing a video). Close it, then try again."
LangString FileInUse ${LANG_GERMAN} "$R9 in $INSTDIR wird von einem laufenden Programm verwendet (etwa einem Medienplayer, der ein Video zeigt). Schließen Sie es und versuchen Sie es erneut."
LangString BadMode ${LANG_ENGLISH} "The option /MODE= takes a colour-tone mode from 1 (Lumara) to 5 (Normal)."
LangString BadMode ${LANG_GERMAN} "Die Option /MODE= erwartet einen Farbton von 1 (Lumara) bis 5 (Normal)."
LangString StepFailed ${LANG_ENGLISH} "${TL_PRODUCT} was installed, but not every step succeeded. The details list names the step that failed."
LangString StepFailed ${LANG_GERMAN} "${TL_PRODUCT} wurde installiert, aber nicht jeder Schritt ist gelungen. Die Detailliste nennt den fehlgeschlagenen Schritt."

; ---------------------------------------------------------------------------------------------
; Shared by the installer and the uninstaller (NSIS wants the uninstaller's functions named un.*)

; Before anything is changed: is a program of the suite running, or a file of the installation
; folder held by a process (a media player with the renderer, the plug-in with its libraries)? Its
; files could not be replaced or removed, and half an installation would be left. Windows and Wine
; refuse to open a loaded program or library for writing. Leaves on the stack the message that
; says what runs, or "" when nothing does.
!macro FIND_FILE_IN_USE file
  ${If} $R0 == ""
  ${AndIf} ${FileExists} "$INSTDIR\${file}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${file}" a
    ${If} ${Errors}
      StrCpy $R9 "${file}"
      StrCpy $R0 "$(FileInUse)"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

!macro FIND_RUNNING_SUITE_FUNCTION un
  Function ${un}FindRunningSuite
    Push $R0
    StrCpy $R0 ""
    FindWindow $0 "" "${PANEL_TITLE}"
    ${If} $0 <> 0
      StrCpy $R0 "$(PanelRunning)"
    ${EndIf}
    !insertmacro TL_FOR_EACH_BINARY FIND_FILE_IN_USE
    Exch $R0
  FunctionEnd

  ; Ends the installer or uninstaller with the refusal's exit code while the suite runs.
  Function ${un}RefuseWhileRunning
    Call ${un}FindRunningSuite
    Pop $0
    ${If} $0 != ""
      MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
      SetErrorLevel ${EXIT_REFUSED}
      Quit
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro FIND_RUNNING_SUITE_FUNCTION ""
!insertmacro FIND_RUNNING_SUITE_FUNCTION "un."

; Puts the identity ramp on the display through the installed colour engine, by the road the
; engine takes on this machine (the Intel driver object where there is one).
!macro SHOW_IDENTITY_RAMP_FUNCTION un
  Function ${un}ShowIdentityRamp
    System::Call 'kernel32::LoadLibraryW(w "$INSTDIR\Tintor.dll") p.r9'
    ${If} $9 P<> 0
      ; Bound by name to the module just loaded from the installation folder.
      System::Call 'Tintor.dll::AC_IntelGamma_Initialize() i'
      System::Call 'Tintor.dll::AC_CancelColorEnhance() i'
      System::Call 'Tintor.dll::AC_IntelGamma_Release() i'
      System::Call 'kernel32::FreeLibrary(p r9)'
    ${Else}
      DetailPrint "Could not load Tintor.dll: the display keeps its ramp."
      StrCpy $StepFailed 1
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro SHOW_IDENTITY_RAMP_FUNCTION ""
!insertmacro SHOW_IDENTITY_RAMP_FUNCTION "un."

!macro REGISTER_COM_SERVER file
  ClearErrors
  RegDLL "$INSTDIR\${file}"
  ${If} ${Errors}
    DetailPrint "Could not register ${file}."
    StrCpy $StepFailed 1
  ${Else}
    DetailPrint "Registered ${file}."
  ${EndIf}
!macroend

!macro UNREGISTER_COM_SERVER file
  ${If} ${FileExists} "$INSTDIR\${file}"
    ClearErrors
    UnRegDLL "$INSTDIR\${file}"
    ${If} ${Errors}
      DetailPrint "Could not unregister ${file}."
      StrCpy $StepFailed 1
    ${EndIf}
  ${EndIf}
!macroend

; The default folder's parents Norvak\TavoPC go with it when nothing else is in them.
!macro REMOVE_FOLDER_FUNCTION un
  Function ${un}RemoveFolder  ; folder on the stack
    Exch $R0
    Push $R1
    Push $R2
    RMDir "$R0"
    ${GetParent} "$R0" $R1
    ${GetFileName} "$R1" $R2
    ${If} $R2 == "TavoPC"
      RMDir "$R1"
      ${GetParent} "$R1" $R1
      ${GetFileName} "$R1" $R2
      ${If} $R2 == "Norvak"
        RMDir "$R1"
      ${EndIf}
    ${EndIf}
    Pop $R2
    Pop $R1
    Pop $R0
  FunctionEnd
!macroend
!insertmacro REMOVE_FOLDER_FUNCTION ""
!insertmacro REMOVE_FOLDER_FUNCTION "un."

; ---------------------------------------------------------------------------------------------
; Installer

Function .onInit
  SetShellVarContext all
  ; An upgrade starts from the mode the user chose last.
  StrCpy $Mode 1
  ReadRegDWORD $0 HKLM "${SETTINGS_KEY}" "ColorTone"
  ${If} $0 >= 1
  ${AndIf} $0 <= 5
    StrCpy $Mode $0
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/MODE=" $R1
  ${IfNot} ${Errors}
    ${If} $R1 == "1"
    ${OrIf} $R1 == "2"
    ${OrIf} $R1 == "3"
    ${OrIf} $R1 == "4"
    ${OrIf} $R1 == "5"
      StrCpy $Mode $R1
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "$(BadMode)" /SD IDOK
      SetErrorLevel ${EXIT_REFUSED}
      Quit
    ${EndIf}
  ${EndIf}
  ReadRegStr $EarlierFolder HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Call RefuseWhileRunning
FunctionEnd

; A folder whose suite runs keeps the user on the page, to close it and go on.
Function DirectoryLeave
  Call FindRunningSuite
  Pop $0
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$0"
    Abort
  ${EndIf}
FunctionEnd

!macro MODE_RADIO number text
  ${NSD_CreateRadioButton} 12u "$R2u" 90% 12u "${text}"
  Pop $ModeRadio${number}
  ${If} $Mode = ${number}
    ${NSD_Check} $ModeRadio${number}
  ${EndIf}
  IntOp $R2 $R2 + 16
!macroend

Function ModePageShow
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
  nsDialogs::Create 1018
  Pop $R1
  ${If} $R1 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 26u "$(ModeIntro)"
  Pop $R1
  StrCpy $R2 32
  !insertmacro MODE_RADIO 1 "Lumara"
  ${NSD_AddStyle} $ModeRadio1 ${WS_GROUP}
  !insertmacro MODE_RADIO 2 "Vivid"
  !insertmacro MODE_RADIO 3 "Theater"
  !insertmacro MODE_RADIO 4 "Soft"
  !insertmacro MODE_RADIO 5 "$(ModeNormal)"
  nsDialogs::Show
FunctionEnd

!macro MODE_CHOSEN number
  ${NSD_GetState} $ModeRadio${number} $R2
  ${If} $R2 = ${BST_CHECKED}
    StrCpy $Mode ${number}
  ${EndIf}
!macroend

Function ModePageLeave
  !insertmacro MODE_CHOSEN 1
  !insertmacro MODE_CHOSEN 2
  !insertmacro MODE_CHOSEN 3
  !insertmacro MODE_CHOSEN 4
  !insertmacro MODE_CHOSEN 5
FunctionEnd

!macro KEEP_VALUE name var
  ClearErrors
  ReadRegDWORD ${var} HKLM "${SETTINGS_KEY}" "${name}"
  ${If} ${Errors}
    StrCpy ${var} ""
  ${EndIf}
!macroend

!macro PUT_BACK_VALUE name var
  ${If} ${var} != ""
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "${name}" ${var}
  ${EndIf}
!macroend

Section "-${TL_PRODUCT}"
  Call RefuseWhileRunning
  StrCpy $StepFailed 0

  ; Install writes its first values over the user's: keep the user's to put them back.
  !insertmacro KEEP_VALUE "VS2_Low" $KeptLow
  !insertmacro KEEP_VALUE "VS2_High" $KeptHigh
  !insertmacro KEEP_VALUE "VS2_Strength" $KeptStrength
  !insertmacro KEEP_VALUE "VS2_Noise" $KeptNoise
  !insertmacro KEEP_VALUE "Movie" $KeptMovie

  ; An earlier installation in another folder is removed by its own uninstaller first (which
  ; also removes the settings; the ones kept above come back below).
  ${If} $EarlierFolder != ""
  ${AndIf} $EarlierFolder != $INSTDIR
  ${AndIf} ${FileExists} "$EarlierFolder\${UNINSTALLER}"
    DetailPrint "Removing the earlier installation in $EarlierFolder"
    ExecWait '"$EarlierFolder\${UNINSTALLER}" /S _?=$EarlierFolder' $0
    ${If} $0 <> 0
      DetailPrint "The earlier installation's uninstaller ended with $0."
      StrCpy $StepFailed 1
    ${EndIf}
    Delete "$EarlierFolder\${UNINSTALLER}"
    Push $EarlierFolder
    Call RemoveFolder
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro TL_INSTALL_FILES
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${TL_PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${TL_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${TL_COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
!ifdef TL_HAVE_CONTROL_PANEL
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TavoLumara.exe,0"
!else
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${TL_INSTALLED_SIZE_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  !insertmacro TL_FOR_EACH_COM_SERVER REGISTER_COM_SERVER

  ; The setup helper writes the first settings, the log-on start, registers the plug-in and
  ; shows the mode. It knows the modes 1..4; Normal is set up as Lumara and then switched off
  ; as the control panel does it.
  ${If} $Mode = 5
    StrCpy $0 1
  ${Else}
    StrCpy $0 $Mode
  ${EndIf}
  DetailPrint "Running Install.exe $\"/M$0$\""
  ClearErrors
  ExecWait '"$INSTDIR\Install.exe" "/M$0"' $1
  ${If} ${Errors}
  ${OrIf} $1 <> 0
    DetailPrint "Install.exe did not run to its end."
    StrCpy $StepFailed 1
  ${EndIf}
  !insertmacro PUT_BACK_VALUE "VS2_Low" $KeptLow
  !insertmacro PUT_BACK_VALUE "VS2_High" $KeptHigh
  !insertmacro PUT_BACK_VALUE "VS2_Strength" $KeptStrength
  !insertmacro PUT_BACK_VALUE "VS2_Noise" $KeptNoise
  !insertmacro PUT_BACK_VALUE "Movie" $KeptMovie
  ${If} $Mode = 5
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "ColorTone" 5
    DeleteRegValue HKLM "${RUN_KEY}" "${LOGON_VALUE}"
    Call ShowIdentityRamp
  ${EndIf}

!ifdef TL_HAVE_CONTROL_PANEL
  CreateShortcut "${SHORTCUT}" "$INSTDIR\TavoLumara.exe" "" "$INSTDIR\TavoLumara.exe" 0
!endif

  ${If} $StepFailed = 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(StepFailed)" /SD IDOK
    SetErrorLevel ${EXIT_STEP_FAILED}
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller: the display back at the identity, the COM servers and the plug-in unregistered,
; the settings, the log-on start, the shortcut and every installed file removed. Files it did not
; install stay, and so does their folder.

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.RefuseWhileRunning
  StrCpy $StepFailed 0

  Call un.ShowIdentityRamp
  !insertmacro TL_FOR_EACH_COM_SERVER UNREGISTER_COM_SERVER
  ; The media-player plug-in lives in this folder and was registered by Install.exe.
  ${If} ${FileExists} "$INSTDIR\NorvakPlugin.dll"
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\NorvakPlugin.dll"'
  ${EndIf}

  DeleteRegValue HKLM "${RUN_KEY}" "${LOGON_VALUE}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Norvak\TavoPC"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Norvak"
  Delete "${SHORTCUT}"

  !insertmacro TL_UNINSTALL_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  Push $INSTDIR
  Call un.RemoveFolder
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ${If} $StepFailed = 1
    SetErrorLevel ${EXIT_STEP_FAILED}
  ${EndIf}
SectionEnd
