// The MDI frame: process-wide window globals and the frame procedure.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;
extern HWND FrameWindow;
extern HWND MDIClientWindow;
extern HMENU FrameMenu, FrameWindowMenu, ViewMenu, ViewWindowMenu, ReturnsMenu;
extern int SizeMoveActive;
extern COLORREF ViewBackgroundColor;
extern double Pi;
extern HBITMAP DialogBitmaps[4];

#define APP_TITLE "VelkaViewer  Version 3.7.3"
#define APP_VERSION "3.7.3"

LRESULT CALLBACK MDIFrameWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PaintFrameBackground(HWND frame, HDC hdc);
// Asked at closing while the worker runs.
extern const char kWorkerRunningQuestion[];
int  FrameClose(HWND frame);
// Lets the foundation and data code reach this frame (base/shell_hooks.h).
void InstallShellHooks();

// Visits every MDI child through the client's own cycle; the callback
// returns 0 to stop. Returns the number of children visited.
typedef int (*ChildVisitor)(HWND child, void* context);
int VisitMDIChildren(ChildVisitor visit, void* context);
