// Mouse input of the plan view: moves, buttons and the wheel handed to the
// current tool (its row in the table of views/plan/tool_cursor.h).
#pragma once
#include <windows.h>

int ViewMouseMove(HWND view, LPARAM lParam);
int ViewMouseButton(HWND view, UINT message, LPARAM lParam);
int ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam);
int SetViewCursor(HWND view, WPARAM wParam);

// Ends the view's current tool through its row; 1 (a tool without an end
// has nothing to let go).
int  EndPlanTool(HWND view);
