// The clean-up of a plan view's tools, and the pan tool.
#pragma once
#include "app/status_bars.h"
#include "views/plan/tool_switch.h"
#include <windows.h>

// The plan view's answer to WM_END_TOOL (the other windows answer it
// themselves); send WM_END_TOOL to end the tool of any window.
int  EndViewTool(HWND window);
int  EndActiveViewTool();
int  PanToolMouse(HWND view, UINT message, LPARAM lParam);
int  PanScrollWindow(HWND view);
