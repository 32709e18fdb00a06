// Switching the tool of a map window (plan view or project window) and ending
// the tools both kinds share.
#pragma once
#include <windows.h>

int  SetViewTool(HWND view, int id);
// Ends the zoom box or the measuring band of a map window (plan view or
// project window); 0 when its tool is neither.
int  EndZoomOrMeasureTool(HWND window);
// Erases the rubber band the window's current tool shows.
void EraseToolRubberBand(HWND window);
