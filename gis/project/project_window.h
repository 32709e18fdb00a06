// The project window (class "ProjectWin"): an MDI child that shows the open
// project as a map of its tiles and owns the project.
#pragma once
#include <windows.h>

struct Project;
struct ProjectTile;
struct ViewRecord;

extern const char kProjectWindowFailed[];
extern const char kProjectTitlePrefix[];

// The project window, or null when there is none.
HWND     ProjectWindow();
// The project the project window holds, or null.
Project* CurrentProject();
// Shows the project in the project window (created on first use), which then
// holds it; the window, or null after a message.
HWND     ShowProjectWindow(Project* project);
void     SetProjectViewExtents(ViewRecord* record, const Project* project);
// Sets the window's title from the project's title.
void     SetProjectWindowTitle(HWND window, const Project* project);
LRESULT CALLBACK ProjectWinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int      ProjectWinToolCommand(HWND window, WPARAM wParam, LPARAM lParam);
int      ProjectWinCancelTool(HWND window);
int      ProjectWinClose(HWND window);
void     ProjectWinDestroy(HWND window);
int      ProjectWinMouse(HWND window, UINT message, LPARAM lParam);
int      IsProjectWinActive();
int      CloseProjectWindow();
// The tile under a client position of the project window, or null.
ProjectTile* FindTileAtPoint(HWND window, double x, double y);
// World position of a client position of the project window.
void     ProjectClientToWorld(HWND window, int x, int y, double* wx, double* wy);
