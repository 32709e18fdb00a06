// Services the shell calls on the views, classification and GIS parts and on
// shell pieces still to come. Each lives in its own subsystem once built.
#pragma once
#include <windows.h>

struct ViewRecord;
struct RegistrySettings;

void SetDefaultDisplaySettings();
void SetDefaultSurfaceMagicSettings();
void InitFrameBars(HWND frame);
void LayoutFrameBars(HWND frame);
LRESULT OnFrameBarNotify(HWND frame, LPARAM lParam);
RegistrySettings* LoadRegistrySettings();
void SaveRegistrySettings(HWND activeChild);
void UpdateRecentFileMenu();
int  OpenFilesInNewView(const char* fileName, int flags);
int  OpenDroppedFiles(HWND frame, HDROP drop);
int  FrameCommand(WPARAM wParam, LPARAM lParam);
int  CancelAllViewDraws();
int  EndViewTool(HWND view);
int  ArrangeViewWindows(HWND active);
int  FillViewBackground(HWND window, HDC hdc, COLORREF colour);
int  InvalidateView(HWND window, int flag);
int  CloseGLView(HWND glWindow);

LRESULT CALLBACK MDIChildWndProc(HWND, UINT, WPARAM, LPARAM);

// Used by the plan view and its record (views, classification, GIS and
// settings pieces).
struct ContourList;
struct gpc_polygon;
struct DataSet;
void FreeUndoStack(ViewRecord* record);
void FreeContourList(ContourList* list);
void FreeReferenceList(ViewRecord* record);
int  SetupTINColorRamp(HWND view);
int  ComputeViewExtents(HWND view);
int  CenterViewOnProfile(HWND view);
int  UpdateViewScale(HWND view);
int  UpdateScrollBars(HWND view);
int  RebuildViewTIN(HWND view);
int  ResetViewCache(HWND view);
int  StartViewDraw(HWND view, HDC dc, const RECT* rect, int erase, int flag, int redrawAlthoughCached);
int  GetViewClientRect(HWND window, RECT* rect);
int  SetViewCursor(HWND view, WPARAM wParam);
int  ViewMouseMove(HWND view, LPARAM lParam);
int  ViewMouseButton(HWND view, UINT message, LPARAM lParam);
int  ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam);
int  ScrollView(HWND view, UINT message, WPARAM wParam);
int  ViewCommand(HWND view, WPARAM wParam, LPARAM lParam);
int  UpdateToolbarState(HWND window);
HWND CreateViewStatusBar(HWND window);
COLORREF GetPaletteColor(int index);
int  PolygonBounds(gpc_polygon* polygon, DataSet* grid, int* rowMin, int* rowMax, int* columnMin, int* columnMax);
LRESULT CALLBACK ProjectWinWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildProfileWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildOpenGLWndProc(HWND, UINT, WPARAM, LPARAM);
