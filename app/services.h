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
int  CloseGLView(HWND glWindow);
int  CancelViewDraw(HWND window);
int  BeginViewDraw(HWND window);
int  EndViewDraw(HWND window);
int  IsViewJobBusy(HWND window);
void UpdateToolbarState(HWND window);
INT_PTR CALLBACK ContourParamsDlgProc(HWND, UINT, WPARAM, LPARAM);

LRESULT CALLBACK MDIChildWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProjectWinWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildProfileWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ChildOpenGLWndProc(HWND, UINT, WPARAM, LPARAM);
