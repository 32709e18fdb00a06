// The plan tools' table the shell hands in, the cursor each tool shows, and
// moving the mouse cursor. Kept apart from the mouse dispatch so that the
// query and measure tools and the profile reach the cursor without it.
#pragma once
#include <windows.h>

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
// The row of a tool, or null for a tool the table lacks.
const PlanToolRow* PlanToolRowOf(int tool);

// The cursor a tool shows (a system cursor of the same role).
HCURSOR ToolCursor(int tool);
// Moves the mouse cursor to a client position of the window.
int SetCursorClientPos(HWND window, int x, int y);
