// The plan tools' table and the cursors it names.
#include "views/plan/tool_cursor.h"

static const PlanToolRow* Tools;
static int ToolCount;

void SetPlanTools(const PlanToolRow* rows, int count)
{
    Tools = rows;
    ToolCount = count;
}

const PlanToolRow* PlanToolRowOf(int tool)
{
    for (int i = 0; i < ToolCount; i++)
        if (Tools[i].tool == tool) return &Tools[i];
    return nullptr;
}

HCURSOR ToolCursor(int tool)
{
    const PlanToolRow* row = PlanToolRowOf(tool);
    return LoadCursorA(nullptr, row ? row->cursor : IDC_ARROW);
}

int SetCursorClientPos(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return SetCursorPos(p.x, p.y) ? 1 : 0;
}
