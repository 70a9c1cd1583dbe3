#pragma once

#include <windows.h>

namespace mirvel {

// One step of the message loop: the dialog manager gets the keyboard first
// (Tab, Enter, Esc, access keys), everything else is dispatched as usual.
void ProcessMessage(HWND mainWindow, MSG& message);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop(HWND mainWindow);

}  // namespace mirvel
