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

// One tool of the plan view: what a mouse move and a button do while it is
// current, its cursor (a system cursor of the tool's role), and whether a
// middle press rebuilds the TIN first.
struct PlanToolRow {
    int tool;
    int (*move)(HWND view);
    int (*button)(HWND view, UINT message, LPARAM lParam);
    LPCSTR cursor;
    bool rebuildOnMiddle;
    void (*end)(HWND view);   // lets go of what the tool holds when it ends; may be null
};
// The shell hands its table of plan tools in at start-up; the rows stay its own.
void SetPlanTools(const PlanToolRow* rows, int count);
// Ends the view's current tool through its row; 1 (a tool without an end
// has nothing to let go).
int  EndPlanTool(HWND view);
