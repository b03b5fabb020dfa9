// The Win32 side of the serial subsystem's window-message facility.
//
// Serial threads queue their blocking sends and posted messages in the facility; its wake hook
// posts a message to a real hidden window of class "awComWindow", whose procedure handles them
// on the GUI thread. Being a window message, it is dispatched by whatever loop runs: the
// program's own, a message box's, a menu's or the print dialog's. While the GUI thread waits for a
// serial thread (PumpUntil) it dispatches the thread's Win32 messages once per turn, so windows
// stay alive and neither side blocks the other.
#pragma once

#include <windows.h>

// Creates the hidden window on the calling (GUI) thread and hooks the facility to it; a second
// call returns the same window. Null when the window cannot be created.
HWND InstallWinWndMsgPump();
void UninstallWinWndMsgPump();

// Dispatches the thread's waiting Win32 messages through the modeless dialogs' filter. A WM_QUIT
// found is posted again for the outer loop.
void PumpWin32Messages();

// Points the serial subsystem's user interaction at Win32: exceptions raised in port event
// handlers are shown in a message box, and a port opened without a number asks through the port
// selection dialog.
void InstallWinSerialDialogs();
