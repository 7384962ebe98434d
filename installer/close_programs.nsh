; Closing both programs before their files are replaced or removed. Each one's window is sent
; WM_CLOSE (posted, so that a busy program cannot block the installer), then the installer waits
; for the processes themselves to end, at most 30 s for both together. A window that is gone is
; not enough: its process may still hold its files open while it shuts down.
;
; A program may not close in that time: the agent handles WM_CLOSE only between transfers (an
; image may take minutes), and the application's window ignores it while a modal dialog (About,
; Save) is open. Whatever still runs from the installation folder after the wait is ended
; (TerminateProcess). The processes are found by their program's path rather than by window, so
; that an instance without its window is ended too.
;
; Needs the defines PIXORIA_AGENT_WINDOW_CLASS, PIXORIA_AGENT_WINDOW_TITLE, PIXORIA_APP_WINDOW_CLASS,
; PIXORIA_APP_WINDOW_TITLE, PIXORIA_AGENT_PROGRAM and PIXORIA_APP_PROGRAM.
;
; The environment variable PIXORIA_CLOSE_WAIT_MS, when set, replaces the 30 s: the tests make the
; installer end busy programs without waiting half a minute each time.

!include LogicLib.nsh
!include WinMessages.nsh

!define PIXORIA_CLOSE_TIMEOUT_MS 30000
!define PIXORIA_CLOSE_POLL_MS 200
; How long an ended process may take to be gone.
!define PIXORIA_END_TIMEOUT_MS 5000
; PROCESS_TERMINATE | SYNCHRONIZE
!define PIXORIA_PROCESS_END_ACCESS 0x00100001
!define PIXORIA_PROCESS_QUERY_LIMITED_INFORMATION 0x1000
; Room for 8,192 process ids; a session has a few hundred.
!define PIXORIA_PROCESS_LIST_BYTES 32768

; Defines the functions twice, for the installer and (with prefix "un.") for the uninstaller,
; which NSIS keeps apart.
!macro PIXORIA_DEFINE_CLOSE_PROGRAMS prefix

; Posts WM_CLOSE to the window of class and title on the stack (class pushed last), if there is one.
Function ${prefix}PixoriaPostClose
  Exch $0 ; class
  Exch
  Exch $1 ; title
  Push $2
  FindWindow $2 $0 $1
  ${If} $2 <> 0
    System::Call "user32::PostMessageW(p r2, i ${WM_CLOSE}, p 0, p 0)"
    DetailPrint "Closing $1"
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Sets $0 to 1 when the path in $0 is one of the installed programs, else to 0.
Function ${prefix}PixoriaIsInstalledProgram
  ${If} $0 == "$INSTDIR\${PIXORIA_AGENT_PROGRAM}"
  ${OrIf} $0 == "$INSTDIR\${PIXORIA_APP_PROGRAM}"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; Ends the process of id $0, one of the installed programs at path $1, and waits for it to be gone.
Function ${prefix}PixoriaEndProcess
  Push $2
  Push $3
  System::Call "kernel32::OpenProcess(i ${PIXORIA_PROCESS_END_ACCESS}, i 0, i r0) p .r2"
  ${If} $2 P<> 0
    DetailPrint "Ending $1 (process $0), which did not close"
    System::Call "kernel32::TerminateProcess(p r2, i 1) i .r3"
    System::Call "kernel32::WaitForSingleObject(p r2, i ${PIXORIA_END_TIMEOUT_MS}) i .r3"
    System::Call "kernel32::CloseHandle(p r2)"
  ${Else}
    DetailPrint "Cannot end $1 (process $0)"
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; Finds the running processes of the installed programs, by the path of their program. With "end"
; on the stack, ends each; with "count", only counts them. Leaves on the stack how many it found.
Function ${prefix}PixoriaProgramProcesses
  Exch $R0 ; what to do
  Push $R1 ; the list of process ids
  Push $R2 ; how many ids it holds
  Push $R3 ; index into it
  Push $R4 ; found
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $R4 0
  System::Alloc ${PIXORIA_PROCESS_LIST_BYTES}
  Pop $R1
  System::Call "kernel32::K32EnumProcesses(p R1, i ${PIXORIA_PROCESS_LIST_BYTES}, *i 0 R2) i .r0"
  ${If} $0 = 0
    StrCpy $R2 0
  ${EndIf}
  IntOp $R2 $R2 / 4
  StrCpy $R3 0
  ${DoWhile} $R3 < $R2
    IntPtrOp $0 $R3 * 4
    IntPtrOp $0 $R1 + $0
    System::Call "*$0(i .r0)"
    System::Call "kernel32::OpenProcess(i ${PIXORIA_PROCESS_QUERY_LIMITED_INFORMATION}, i 0, \
      i r0) p .r2"
    ${If} $2 P<> 0
      StrCpy $3 ${NSIS_MAX_STRLEN}
      System::Call "kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r1, *i r3) i .r3"
      System::Call "kernel32::CloseHandle(p r2)"
      ${If} $3 <> 0
        Push $0
        StrCpy $0 $1
        Call ${prefix}PixoriaIsInstalledProgram
        StrCpy $2 $0
        Pop $0
        ${If} $2 = 1
          IntOp $R4 $R4 + 1
          ${If} $R0 == end
            Call ${prefix}PixoriaEndProcess
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
    IntOp $R3 $R3 + 1
  ${Loop}
  System::Free $R1
  StrCpy $R0 $R4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Sets $0 to the wait for the programs to close, in milliseconds.
Function ${prefix}PixoriaCloseWait
  ReadEnvStr $0 PIXORIA_CLOSE_WAIT_MS
  ${If} $0 == ""
    StrCpy $0 ${PIXORIA_CLOSE_TIMEOUT_MS}
  ${Else}
    IntOp $0 $0 + 0
  ${EndIf}
FunctionEnd

Function ${prefix}PixoriaClosePrograms
  Push $0
  Push $1
  Push $2
  Push "${PIXORIA_AGENT_WINDOW_TITLE}"
  Push "${PIXORIA_AGENT_WINDOW_CLASS}"
  Call ${prefix}PixoriaPostClose
  Push "${PIXORIA_APP_WINDOW_TITLE}"
  Push "${PIXORIA_APP_WINDOW_CLASS}"
  Call ${prefix}PixoriaPostClose
  Call ${prefix}PixoriaCloseWait
  System::Call "kernel32::GetTickCount() i .r1"
  IntOp $1 $1 + $0
  ${Do}
    Push count
    Call ${prefix}PixoriaProgramProcesses
    Pop $2
    ${If} $2 = 0
      ${Break}
    ${EndIf}
    ; The difference, not the tick counts themselves, survives the count's wrap-around.
    System::Call "kernel32::GetTickCount() i .r0"
    IntOp $0 $1 - $0
    ${If} $0 <= 0
      DetailPrint "$2 program(s) did not close in time"
      Push end
      Call ${prefix}PixoriaProgramProcesses
      Pop $2
      ${Break}
    ${EndIf}
    Sleep ${PIXORIA_CLOSE_POLL_MS}
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macroend
