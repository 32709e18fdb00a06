// Mouse input of the plan view: moves, buttons and the wheel handed to the
// current tool, and the cursor of each tool.
#pragma once
#include <windows.h>

int ViewMouseMove(HWND view, LPARAM lParam);
int ViewMouseButton(HWND view, UINT message, LPARAM lParam);
int ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam);
int SetViewCursor(HWND view, WPARAM wParam);
// Moves the mouse cursor to a client position of the window.
int SetCursorClientPos(HWND window, int x, int y);
// The cursor a tool shows (a system cursor of the same role).
HCURSOR ToolCursor(int tool);
