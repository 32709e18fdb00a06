// The WM_COMMAND handler of a plan view: display state, tools and the
// view-level services of the other subsystems.
#pragma once
#include <windows.h>

// Shown by the Page Up/Down and Home/End keys; nothing else reads them.
extern int AdjustValueA;
extern float AdjustValueB;

// Nonzero when the command was handled; 0 passes it on to the default
// handling (the MDI window list, for one).
int ViewCommand(HWND window, WPARAM wParam, LPARAM lParam);
// 1 when the plan view dispatches the id itself.
int ViewHandlesCommand(int id);
