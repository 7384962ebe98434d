// The shell's "TaskbarCreated" broadcast, which an Explorer restart sends to every top-level
// window. The programs' window procedures cannot know its number (it is registered at run time),
// so the window layer hands each message to the tray first, which shows its icons again.
#pragma once

#include <windows.h>

namespace pixoria::platform::win32 {

// Called by the window layer for every message of a program window, before the program's own
// procedure; re-adds the window's icons when `message` is the shell's restart broadcast.
void onWindowMessageForTray(HWND window, UINT message);

// Forgets the icons of a window that is being destroyed.
void forgetTrayIcons(HWND window);

}  // namespace pixoria::platform::win32
