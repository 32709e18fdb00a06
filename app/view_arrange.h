// Window arrangement ("panelize") of the views in the MDI client.
#pragma once
#include <windows.h>

int  ArrangeViewPanels(HWND view);
int  ArrangeViewWindows(HWND view);
// Whether ArrangeViewWindows(view) places one plan view's panels itself. Only
// then may it run with the MDI client's redraw off: cascading and tiling
// several views skip the windows that are not visible.
bool ArrangesAsPanels();
HWND ActiveViewOrNext();
