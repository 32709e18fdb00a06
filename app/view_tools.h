// The tool switch of a view with its clean-up, and the pan tool.
#pragma once
#include <windows.h>

int  SetViewTool(HWND view, int id);
int  EndViewTool(HWND window);
int  EndActiveViewTool();
int  PanToolMouse(HWND view, UINT message, LPARAM lParam);
int  PanScrollWindow(HWND view);
const char* GetToolName(int id);
