// Start-up: window classes, the frame and its bars, and the message loop.
#pragma once
#include <windows.h>

int  RegisterWindowClasses(HINSTANCE instance);
HWND InitInstance(const char* commandLine);
// Runs the message loop with accelerators until WM_QUIT.
void RunMessageLoop(HACCEL accelerators);
