// Scroll bars, paging and the end of a pan drag of a plan view.
#pragma once
#include <windows.h>

int  UpdateScrollBars(HWND view);
int  ScrollView(HWND view, UINT message, WPARAM wParam);
int  ScrollCommand(HWND view, int id);
int  PanView(HWND view, int x, int y);
