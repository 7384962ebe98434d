; Corvane Pixoria's installer for Windows: a per-user installation, without administrator rights,
; of PixoriaHelper.exe, Pixoria.exe and the DLLs beside it. installer/CMakeLists.txt runs makensis
; on this script with these defines:
;   PIXORIA_VERSION           the product version, major.minor.patch
;   PIXORIA_OUTFILE           the installer to write
;   PIXORIA_INSTALL_FILES     an include of the File commands, grouped by folder
;   PIXORIA_REMOVE_FILES      an include of the matching Delete and RMDir commands
;   PIXORIA_CHECK_FILES       an include that checks each of those files can be replaced
;   PIXORIA_MAIN_PROGRAM      the program that the shortcut starts, relative to the folder
;   PIXORIA_ICON              the installer's icon
;   PIXORIA_APP_WINDOW_CLASS  the window class that the application's Qt gives its main window
;   PIXORIA_COMPRESSOR        lzma, zlib or off
; and the names that the programs' contract headers hold (installer/contract_names.cmake):
;   PIXORIA_AGENT_PROGRAM_NAME, PIXORIA_APP_PROGRAM_NAME, PIXORIA_AGENT_WINDOW_CLASS, PIXORIA_AGENT_WINDOW_TITLE,
;   PIXORIA_APP_WINDOW_TITLE, PIXORIA_SETTINGS_KEY, PIXORIA_PATH_VALUE, PIXORIA_ENABLED_VALUE and
;   PIXORIA_RUN_VALUE (the autostart value the configuration application writes for the agent).

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true

!if "${PIXORIA_COMPRESSOR}" == "off"
  SetCompress off
!else
  SetCompressor /SOLID ${PIXORIA_COMPRESSOR}
!endif

!define PIXORIA_NAME "Corvane Pixoria"
!define PIXORIA_PUBLISHER "Corvane"
!define PIXORIA_AGENT_PROGRAM "${PIXORIA_AGENT_PROGRAM_NAME}.exe"
!define PIXORIA_APP_PROGRAM "${PIXORIA_APP_PROGRAM_NAME}.exe"
!define PIXORIA_UNINSTALLER "Uninstall.exe"
!define PIXORIA_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PIXORIA_NAME}"
!define PIXORIA_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!include MUI2.nsh

!define PIXORIA_GENERIC_WRITE 0x40000000
!define PIXORIA_OPEN_EXISTING 3
!define PIXORIA_INVALID_HANDLE -1
!include "${__FILEDIR__}/close_programs.nsh"
!include "${__FILEDIR__}/elevation.nsh"

; 1 when the installer runs as administrator: then it starts neither program (elevation.nsh).
Var PixoriaElevated
; What the finish page says.
Var PixoriaFinishText
; The first installed file that another program keeps open, or "".
Var PixoriaBusyFile

Name "${PIXORIA_NAME}"
OutFile "${PIXORIA_OUTFILE}"
; An upgrade goes where the installed programs are: the folder the settings name.
InstallDir "$LOCALAPPDATA\Programs\${PIXORIA_NAME}"
InstallDirRegKey HKCU "${PIXORIA_SETTINGS_KEY}" "${PIXORIA_PATH_VALUE}"
BrandingText "${PIXORIA_NAME} ${PIXORIA_VERSION}"

VIProductVersion "${PIXORIA_VERSION}.0"
VIFileVersion "${PIXORIA_VERSION}.0"
VIAddVersionKey "ProductName" "${PIXORIA_NAME}"
VIAddVersionKey "ProductVersion" "${PIXORIA_VERSION}"
VIAddVersionKey "FileVersion" "${PIXORIA_VERSION}"
VIAddVersionKey "CompanyName" "${PIXORIA_PUBLISHER}"
VIAddVersionKey "FileDescription" "${PIXORIA_NAME} Setup"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Corvane. All rights reserved."

!define MUI_ICON "${PIXORIA_ICON}"
!define MUI_UNICON "${PIXORIA_ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PIXORIA_MAIN_PROGRAM}"
!define MUI_FINISHPAGE_TEXT "$PixoriaFinishText"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE PixoriaFinishPre
!define MUI_PAGE_CUSTOMFUNCTION_SHOW PixoriaFinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!insertmacro PIXORIA_DEFINE_CLOSE_PROGRAMS ""
!insertmacro PIXORIA_DEFINE_CLOSE_PROGRAMS "un."

Function .onInit
  SetShellVarContext current
  Call PixoriaDetectElevation
  Pop $PixoriaElevated
FunctionEnd

; Run as administrator, the finish page says why it started nothing.
Function PixoriaFinishPre
  StrCpy $PixoriaFinishText "$(MUI_TEXT_FINISH_INFO_TEXT)"
  ${If} $PixoriaElevated = 1
    StrCpy $0 "This installer runs as administrator, so it did not start ${PIXORIA_NAME}: "
    StrCpy $0 "$0started from here, the programs would run as administrator too, and the "
    StrCpy $0 "$0application could not reach the wallpaper changer. Start ${PIXORIA_NAME} "
    StrCpy $0 "$0from the Start menu; the wallpaper changer also starts at your next sign-in."
    StrCpy $PixoriaFinishText "$0$\r$\n$\r$\n$PixoriaFinishText"
  ${EndIf}
FunctionEnd

; Run as administrator, the finish page offers no start.
Function PixoriaFinishShow
  ${If} $PixoriaElevated = 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; Sets PixoriaBusyFile to the file on the stack when it exists and cannot be opened for writing
; (another program keeps it open), unless an earlier file was busy already.
Function PixoriaCheckReplaceable
  Exch $0
  Push $1
  ${If} $PixoriaBusyFile == ""
  ${AndIf} ${FileExists} $0
    System::Call "kernel32::CreateFileW(w r0, i ${PIXORIA_GENERIC_WRITE}, i 0, p 0, \
      i ${PIXORIA_OPEN_EXISTING}, i 0, p 0) p .r1"
    ${If} $1 P= ${PIXORIA_INVALID_HANDLE}
      StrCpy $PixoriaBusyFile $0
    ${Else}
      System::Call "kernel32::CloseHandle(p r1)"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Section "Install"
  ; Over an older version the running programs hold their files open.
  Call PixoriaClosePrograms

  ; An installation never leaves a mix of versions: when a file cannot be replaced, nothing is.
  StrCpy $PixoriaBusyFile ""
  !include "${PIXORIA_CHECK_FILES}"
  ${If} $PixoriaBusyFile != ""
    DetailPrint "$PixoriaBusyFile is in use"
    MessageBox MB_OK|MB_ICONSTOP "$PixoriaBusyFile is in use by another program. Nothing \
was changed: close that program and run the installer again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ClearErrors
  !include "${PIXORIA_INSTALL_FILES}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Some files of ${PIXORIA_NAME} could not be written. \
Run the installer again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${PIXORIA_UNINSTALLER}"

  ; Where both programs look for each other (no trailing separator: they append one).
  WriteRegStr HKCU "${PIXORIA_SETTINGS_KEY}" "${PIXORIA_PATH_VALUE}" "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PIXORIA_NAME}.lnk" "$INSTDIR\${PIXORIA_MAIN_PROGRAM}"
  Call WriteUninstallEntry

  ; An upgrade leaves the wallpaper changing as it was.
  ClearErrors
  ReadRegDWORD $0 HKCU "${PIXORIA_SETTINGS_KEY}" "${PIXORIA_ENABLED_VALUE}"
  ${If} ${Errors}
    StrCpy $0 0
  ${EndIf}
  ${If} $0 = 1
  ${AndIf} $PixoriaElevated = 1
    DetailPrint "Not starting ${PIXORIA_AGENT_PROGRAM}: the installer runs as administrator"
  ${ElseIf} $0 = 1
    DetailPrint "Starting ${PIXORIA_AGENT_PROGRAM}"
    ExecShell "open" "$INSTDIR\${PIXORIA_AGENT_PROGRAM}" "" SW_HIDE
  ${EndIf}
SectionEnd

Function WriteUninstallEntry
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "DisplayName" "${PIXORIA_NAME}"
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "DisplayVersion" "${PIXORIA_VERSION}"
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "Publisher" "${PIXORIA_PUBLISHER}"
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${PIXORIA_UNINSTALLER}"'
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\${PIXORIA_UNINSTALLER}" /S'
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${PIXORIA_UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${PIXORIA_MAIN_PROGRAM}",0'
  WriteRegDWORD HKCU "${PIXORIA_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${PIXORIA_UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as Windows' list of programs expects.
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${PIXORIA_UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; Removes what the installer put there and the autostart value, and nothing of the user's: the
; settings key (Path included) and the wallpaper folder stay for a later installation.
Section "Uninstall"
  Call un.PixoriaClosePrograms

  !include "${PIXORIA_REMOVE_FILES}"
  Delete "$INSTDIR\${PIXORIA_UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PIXORIA_NAME}.lnk"
  DeleteRegKey HKCU "${PIXORIA_UNINSTALL_KEY}"
  DeleteRegValue HKCU "${PIXORIA_RUN_KEY}" "${PIXORIA_RUN_VALUE}"
SectionEnd
