// Small plan-view services the shell uses on every kind of child window.
#include "app/services.h"
#include "app/viewrecord.h"
#include "app/winlongs.h"

int FillViewBackground(HWND window, HDC hdc, COLORREF colour)
{
    RECT r;
    GetClientRect(window, &r);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
    return 1;
}

int InvalidateView(HWND window, int flag)
{
    if (flag) {
        ViewRecord* record = (ViewRecord*)GetWindowSlot(window, CHILD_RECORD);
        if (record) record->imageCacheValid = 0;
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}
