// The process-wide window globals and the walk over the MDI children.
#include "app/app_windows.h"
#include "base/messages.h"
#include <vector>

HINSTANCE AppInstance;
HWND FrameWindow;
HWND MDIClientWindow;
HMENU FrameMenu, FrameWindowMenu, ViewMenu, ViewWindowMenu, ReturnsMenu;
int SizeMoveActive;
COLORREF ViewBackgroundColor;
double Pi;
HBITMAP DialogBitmaps[4];

// The children the client's own cycle reaches, front to back, taken first:
// walking them by activation would bring each view to the front, repaint it
// and start its drawing, which made closing many large views take seconds.
std::vector<HWND> CycledMDIChildren()
{
    std::vector<HWND> children;
    for (HWND w = MDIClientWindow ? GetWindow(MDIClientWindow, GW_CHILD) : nullptr; w; w = GetWindow(w, GW_HWNDNEXT))
        if (IsWindowVisible(w) && IsWindowEnabled(w) && !GetWindow(w, GW_OWNER)) children.push_back(w);
    return children;
}

int VisitMDIChildren(ChildVisitor visit, void* context)
{
    int count = 0;
    for (HWND child : CycledMDIChildren()) {
        if (!IsWindow(child)) continue;
        count++;
        if (!visit(child, context)) break;
    }
    return count;
}

HWND CreateMDIChild(const char* windowClass, const char* title, DWORD style, void* record, const char* failText)
{
    MDICREATESTRUCTA mdi = {};
    mdi.szClass = windowClass;
    mdi.szTitle = title;
    mdi.hOwner = AppInstance ? AppInstance : GetModuleHandleA(nullptr);
    mdi.x = mdi.y = mdi.cx = mdi.cy = CW_USEDEFAULT;
    mdi.style = style;
    mdi.lParam = (LPARAM)record;
    HWND child = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mdi);
    if (!child && failText) ShowMessageBox(FrameWindow, failText, "Error", MB_OK);
    return child;
}
