// The MDI frame: the frame procedure and the orderly close.
#pragma once
#include "app/app_windows.h"
#include <windows.h>

LRESULT CALLBACK MDIFrameWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PaintFrameBackground(HWND frame, HDC hdc);
// Asked at closing while the worker runs.
extern const char kWorkerRunningQuestion[];
int  FrameClose(HWND frame);
// Lets the lower rooms reach this frame: base/shell_hooks.h and the tile opener.
void InstallShellHooks();
