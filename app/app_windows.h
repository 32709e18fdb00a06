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

// The styles of the MDI children. The plan and profile windows scroll; the 3D
// window draws its whole client area; the low bits are the windows' own.
constexpr DWORD kMapChildStyle = WS_VISIBLE | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL | 0x3;
static_assert(kMapChildStyle == 0x12300003, "plan and profile window style");
constexpr DWORD kGLChildStyle = WS_VISIBLE | WS_CLIPCHILDREN | 0x3003;
static_assert(kGLChildStyle == 0x12003003, "3D window style");
constexpr DWORD kProjectChildStyle = WS_VISIBLE | WS_HSCROLL | WS_VSCROLL;
// Creates an MDI child of the client at the default position and size with
// the record as its creation data. On failure shows failText (caption
// "Error", MB_OK, owner the frame) unless it is null, and returns 0.
HWND CreateMDIChild(const char* windowClass, const char* title, DWORD style, void* record, const char* failText);
