// The tool switch of a view with its clean-up, and the pan tool.
#pragma once
#include "app/status_bars.h"
#include <windows.h>

int  SetViewTool(HWND view, int id);
// The plan view's answer to WM_END_TOOL (the other windows answer it
// themselves); send WM_END_TOOL to end the tool of any window.
int  EndViewTool(HWND window);
// Ends the zoom box or the measuring band of a map window (plan view or
// project window); 0 when its tool is neither.
int  EndZoomOrMeasureTool(HWND window);
int  EndActiveViewTool();
int  PanToolMouse(HWND view, UINT message, LPARAM lParam);
int  PanScrollWindow(HWND view);
