// The process-wide windows every room reaches: the instance, the frame, its
// MDI client and menus, and a walk over the MDI children.
#pragma once
#include <windows.h>
#include <vector>

extern HINSTANCE AppInstance;
extern HWND FrameWindow;
extern HWND MDIClientWindow;
extern HMENU FrameMenu, FrameWindowMenu, ViewMenu, ViewWindowMenu, ReturnsMenu;
extern int SizeMoveActive;
extern COLORREF ViewBackgroundColor;
extern double Pi;
extern HBITMAP DialogBitmaps[4];

// Visits every MDI child through the client's own cycle; the callback
// returns 0 to stop. Returns the number of children visited.
typedef int (*ChildVisitor)(HWND child, void* context);
int VisitMDIChildren(ChildVisitor visit, void* context);
// The children the client's own cycle reaches, front to back, taken first:
// walking them by activation would bring each view to the front, repaint it
// and start its drawing.
std::vector<HWND> CycledMDIChildren();
