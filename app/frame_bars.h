// The frame's rebar (main toolbar, editing toolbar and progress bands), the toolbar and
// view-menu check states, the tooltip texts and the views' status bars.
#pragma once
#include <windows.h>
#include <commctrl.h>

int  InitFrameBars(HWND frame);
int  CreateFrameRebar(HWND frame);
HWND CreateToolbarBand(HWND frame);
HWND CreateMainToolbar(HWND parent);
HWND CreateEditToolbarBand(HWND frame);
// The editing toolbar (save, the reclassification tools, undo and redo, the
// classify dialogs) in the band after the main toolbar's.
HWND CreateEditToolbar(HWND parent);
// The project window's own tools: Select Tile beside pan, zoom and query.
HWND CreateProjectToolbar(HWND parent);
INT_PTR CALLBACK ToolbarBandDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressBandDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnFrameBarNotify(HWND frame, LPARAM lParam);
int  LayoutFrameBars(HWND frame);
int  GetToolTipText(NMTTDISPINFOA* info);
// The tooltip text of a command id without the surrounding blanks.
const char* ToolTipTextOf(int id);

void ResetToolbarChecks();
void SetToolbarChecks(HWND window);
// Redo (button, menu item and so its accelerator) is enabled only while the
// window's view holds an undone edit; no window disables it.
void ShowRedoState(HWND window);
int  UpdateToolbarState(HWND window);
void CheckViewMenuItems(HWND window);
// Whether the window puts up the view menus when it becomes the active child
// (plan, profile and 3D windows). One of them giving way to another leaves
// the menus alone: the next one sets the same menus and redraws the bar.
bool SetsViewMenus(HWND window);
// The menus on an MDI activation seen by a plan, profile or 3D window: the
// view menus when the window itself is activated, the frame menus when a
// window of another kind follows it. 1 when the window itself was activated
// (its toolbar and menu checks are then the caller's to set).
int  SwitchViewMenus(HWND window, HWND activated);

void SetDialogProgressWindows(HWND dialog);
// Gives the progress helpers back to the frame's progress band.
void RestoreFrameProgressWindows();

