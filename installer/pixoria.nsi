; Corvane Pixoria's installer for Windows: a per-user installation, without administrator rights,
; of PixoriaHelper.exe, Pixoria.exe and the DLLs beside it. installer/CMakeLists.txt runs makensis
; on this script with these defines:
;   PIXORIA_VERSION           the product version, major.minor.patch
;   PIXORIA_OUTFILE           the installer to write
;   PIXORIA_INSTALL_FILES     an include of the File commands, grouped by folder
;   PIXORIA_REMOVE_FILES      an include of the matching Delete and RMDir commands
;   PIXORIA_MAIN_PROGRAM      the program that the shortcut starts, relative to the folder
;   PIXORIA_ICON              the installer's icon
;   PIXORIA_APP_WINDOW_CLASS  the window class that the application's Qt gives its main window
;   PIXORIA_COMPRESSOR        lzma, zlib or off
; and the names that the programs' contract headers hold (installer/contract_names.cmake):
;   PIXORIA_AGENT_PROGRAM_NAME, PIXORIA_AGENT_WINDOW_CLASS, PIXORIA_AGENT_WINDOW_TITLE,
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
!define PIXORIA_UNINSTALLER "Uninstall.exe"
!define PIXORIA_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PIXORIA_NAME}"
!define PIXORIA_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!include MUI2.nsh
!include "${__FILEDIR__}/close_programs.nsh"

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
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!insertmacro PIXORIA_DEFINE_CLOSE_PROGRAMS ""
!insertmacro PIXORIA_DEFINE_CLOSE_PROGRAMS "un."

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Install"
  ; Over an older version the running programs hold their files open.
  Call PixoriaClosePrograms

  !include "${PIXORIA_INSTALL_FILES}"
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
