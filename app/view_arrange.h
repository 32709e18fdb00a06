// Window arrangement ("panelize") of the views in the MDI client.
#pragma once
#include <windows.h>

int  ArrangeViewPanels(HWND view);
int  ArrangeViewWindows(HWND view);
HWND ActiveViewOrNext();
