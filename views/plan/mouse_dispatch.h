// Mouse input of the plan view handed to the current tool.
#pragma once
#include <windows.h>

int  ViewMouseMove(HWND view, LPARAM lParam);
int  ViewMouseButton(HWND view, UINT message, LPARAM lParam);
int  ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam);
int  DrawZoomBox(HWND view, const int rect[4], int tool);
