; Whether the installer runs elevated (run as administrator, or started by an elevated program).
; A program that an elevated installer starts runs with the elevated token, and Windows (User
; Interface Privilege Isolation) then drops every message that the unelevated application posts to
; it: the application could no longer tell the agent to reload, enable or disable. So an elevated
; installer starts neither program and says so instead.

!include LogicLib.nsh

!define PIXORIA_TOKEN_QUERY 8
!define PIXORIA_TOKEN_ELEVATION 20

; Leaves 1 on the stack when the installer's token is elevated (run as administrator, or started
; by an elevated program), else 0.
Function PixoriaDetectElevation
  Push $0
  Push $1
  Push $2
  StrCpy $2 0
  System::Call "kernel32::GetCurrentProcess() p .r0"
  System::Call "advapi32::OpenProcessToken(p r0, i ${PIXORIA_TOKEN_QUERY}, *p .r0) i .r1"
  ${If} $1 <> 0
    System::Call "advapi32::GetTokenInformation(p r0, i ${PIXORIA_TOKEN_ELEVATION}, *i .r2, \
      i 4, *i .r1) i .r1"
    ${If} $1 = 0
      StrCpy $2 0
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r0)"
  ${EndIf}
  ${If} $2 <> 0
    StrCpy $2 1
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
