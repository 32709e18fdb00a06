// The plan view's world-to-pixel mapping, fitting and display modes, the TIN
// kept for drawing, and the requests that invalidate the drawn image. Every
// operation starts from the view's window handle; the state lives in its
// ViewRecord (window slot CHILD_RECORD).
#pragma once
#include <windows.h>

// Mapping and fitting.
int  GetViewClientRect(HWND view, RECT* rect);   // returns the status bar height
int  ComputeViewExtents(HWND view);
int  FitViewToWindow(HWND view);
int  UpdateViewScale(HWND view);
void SetViewExtentsFromScroll(HWND view);
void CenterViewAt(HWND view, double x, double y);

// Display modes and overlays.
int  ViewDisplayCommand(HWND view, int command);
void ResetViewDisplayMode(HWND view);
INT_PTR CALLBACK PointDisplaySizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// TIN upkeep around drawing.
int  EnsureViewTIN(HWND view);
int  RebuildViewTIN(HWND view);
int  DropViewTIN(HWND view);

// Cache invalidation and redraw requests.
int  InvalidateView(HWND window, int flag);
int  ResetViewCache(HWND view);
