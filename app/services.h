// Services the shell calls on the views, classification and GIS parts and on
// shell pieces still to come. Each lives in its own subsystem once built.
#pragma once
#include <windows.h>

struct ViewRecord;
struct Polyline;

void SetDefaultDisplaySettings();
void SetDefaultSurfaceMagicSettings();
int  CancelAllViewDraws();
int  EndViewTool(HWND view);
int  ArrangeViewWindows(HWND active);
int  CloseGLView(HWND glWindow);
int  CancelViewDraw(HWND window);
int  BeginViewDraw(HWND window);
int  EndViewDraw(HWND window);
int  IsViewJobBusy(HWND window);
INT_PTR CALLBACK ContourParamsDlgProc(HWND, UINT, WPARAM, LPARAM);

// Reached from the frame's command dispatcher.
int  EndActiveViewTool();
int  ArrangeViewPanels(HWND view);
int  ViewCommand(HWND view, WPARAM wParam, LPARAM lParam);
int  UpdateToolbarState(HWND view);
int  ShowHelpContents(int page);
int  IsProjectWinActive();
int  ProjectWinToolCommand(HWND projectWin, WPARAM wParam, LPARAM lParam);
int  ProjectCommand(WPARAM wParam, LPARAM lParam);
int  ImportToLAS();
INT_PTR CALLBACK AboutDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK SystemInfoDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK HotkeyListDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ExportLASDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK SMBatchDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ThinningBatchDlgProc(HWND, UINT, WPARAM, LPARAM);

// Reached from the road that opens data files into views.
struct DataSet;
DataSet* LoadASCIIData(const char* path, const char* title, int askFormat);
INT_PTR CALLBACK LoadASCIIFormatDlgProc(HWND, UINT, WPARAM, LPARAM);

LRESULT CALLBACK MDIChildWndProc(HWND, UINT, WPARAM, LPARAM);

// Used by the plan view and its record (views, classification, GIS and
// settings pieces).
struct ContourList;
struct gpc_polygon;
struct DataSet;
void FreeUndoStack(ViewRecord* record);
void FreeContourList(ContourList* list);
void FreeReferenceList(ViewRecord* record);
int  CenterViewOnProfile(HWND view);
int  UpdateScrollBars(HWND view);
int  SetViewCursor(HWND view, WPARAM wParam);
int  ViewMouseMove(HWND view, LPARAM lParam);
int  ViewMouseButton(HWND view, UINT message, LPARAM lParam);
int  ViewMouseWheel(HWND view, WPARAM wParam, LPARAM lParam);
int  ScrollView(HWND view, UINT message, WPARAM wParam);
HWND CreateViewStatusBar(HWND window);
LRESULT CALLBACK ProjectWinWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildProfileWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildOpenGLWndProc(HWND, UINT, WPARAM, LPARAM);

// Plan-view drawing helpers and tool clean-up of the views subsystem (the
// mapping, fitting and TIN upkeep are in views/plan/planview.h).
int  CancelViewDraw(HWND window);
int  DrawZoomBox(HWND view, const int rect[4], int tool);
int  DrawToolRubberBand(HWND view, const int rect[4], int tool);
int  PanView(HWND view, int x, int y);
int  ScrollCommand(HWND view, int id);
int  MoveProfileBox(HWND view, int id);
int  CancelProfileTool(HWND profile);
void DestroyToolTip();
void DestroyMeasureTip();
void DestroyDensityTooltip();
int  ProjectWinCancelTool(HWND project);


// View-level services the view command dispatcher starts.
int  SaveCurrentLASFile(HWND view);
int  SaveLASFileAs(HWND view);
int  UndoClassEdit(HWND view);
int  RedoClassEdit(HWND view);
int  ShowSurfaceMagic(HWND view);
int  ShowDisplaySettings(HWND view);
int  SetProfileBoxWidth(HWND view);
int  ContourSettings(HWND view);
int  ShowClassifyByClass(HWND view);
int  ShowReferenceFileManager(HWND view);
int  ShowTINDisplay(HWND view);
int  Open3DView(HWND view);
int  RunIntelligentThinning(HWND view);
int  SaveContours(HWND view);
int  ShowLidarFileManager(HWND view);
int  ShowReturnsPopupMenu(HWND view);
int  ShowPointDisplaySettings(HWND view);
int  ShowTINPointClassDisplay(HWND view);
int  LoadPOIFile(HWND view);
int  SavePOIFileAs(HWND view);
int  LoadAOIFile(HWND view);
int  SaveAOIFileAs(HWND view);
int  ResetAOISet(HWND view);
int  ShowAOIPolygonSettings(HWND view);
INT_PTR CALLBACK POIMarkerConfigDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK LASInfoDlgProc(HWND, UINT, WPARAM, LPARAM);
