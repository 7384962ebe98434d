; Closing both programs before their files are replaced or removed: each one's window is sent
; WM_CLOSE (posted, so that a busy program cannot block the installer), then the installer waits
; for the processes themselves to end, at most 30 s for both together. A window that is gone is
; not enough: its process may still hold its files open while it shuts down.
;
; Needs the defines PIXORIA_AGENT_WINDOW_CLASS, PIXORIA_AGENT_WINDOW_TITLE, PIXORIA_APP_WINDOW_CLASS
; and PIXORIA_APP_WINDOW_TITLE.

!include LogicLib.nsh
!include WinMessages.nsh

!define PIXORIA_CLOSE_TIMEOUT_MS 30000
!define PIXORIA_SYNCHRONIZE 0x00100000

; Defines the functions twice, for the installer and (with prefix "un.") for the uninstaller,
; which NSIS keeps apart.
!macro PIXORIA_DEFINE_CLOSE_PROGRAMS prefix

; Posts WM_CLOSE to the window of class and title on the stack (class pushed last) and leaves on
; the stack a handle to wait on for its process, or 0 when there is no such window.
Function ${prefix}PixoriaPostClose
  Exch $0 ; class
  Exch
  Exch $1 ; title
  Push $2
  Push $3
  StrCpy $3 0
  FindWindow $2 $0 $1
  ${If} $2 <> 0
    System::Call "user32::GetWindowThreadProcessId(p r2, *i .r3)"
    System::Call "kernel32::OpenProcess(i ${PIXORIA_SYNCHRONIZE}, i 0, i r3) p .r3"
    System::Call "user32::PostMessageW(p r2, i ${WM_CLOSE}, p 0, p 0)"
    DetailPrint "Closing $1"
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Waits for the process handle on the stack until the tick count in $R9 (the shared deadline),
; then closes the handle. A handle of 0 is nothing to wait for.
Function ${prefix}PixoriaWaitUntilDeadline
  Exch $0
  Push $1
  ${If} $0 != 0
    System::Call "kernel32::GetTickCount() i .r1"
    IntOp $1 $R9 - $1
    ${If} $1 < 0
      StrCpy $1 0
    ${EndIf}
    System::Call "kernel32::WaitForSingleObject(p r0, i r1) i .r1"
    ${If} $1 <> 0
      DetailPrint "A program did not end within ${PIXORIA_CLOSE_TIMEOUT_MS} ms"
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r0)"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function ${prefix}PixoriaClosePrograms
  Push $R9
  Push $R8
  Push $R7
  Push "${PIXORIA_AGENT_WINDOW_TITLE}"
  Push "${PIXORIA_AGENT_WINDOW_CLASS}"
  Call ${prefix}PixoriaPostClose
  Pop $R8
  Push "${PIXORIA_APP_WINDOW_TITLE}"
  Push "${PIXORIA_APP_WINDOW_CLASS}"
  Call ${prefix}PixoriaPostClose
  Pop $R7
  System::Call "kernel32::GetTickCount() i .R9"
  IntOp $R9 $R9 + ${PIXORIA_CLOSE_TIMEOUT_MS}
  Push $R8
  Call ${prefix}PixoriaWaitUntilDeadline
  Push $R7
  Call ${prefix}PixoriaWaitUntilDeadline
  Pop $R7
  Pop $R8
  Pop $R9
FunctionEnd

!macroend
