// The 3D view: an MDI child of class "ChildOpenGL" showing the data of one
// plan view in perspective, with its camera, navigation, exaggeration,
// toolbar and status bar. Window long CHILD_RECORD holds the plan view's record.
#pragma once
#include <windows.h>

struct ViewRecord;

#define ID_GL_TOOLBAR 8019

extern const char kGLWindowFailed[];

int  Open3DView(HWND view);
HWND CreateGLViewWindow(ViewRecord* record);
// Titles the view's 3D window (if any) after the record's title again.
void RetitleGLViewWindow(const ViewRecord* record);
int  CreateGLViewContext(HWND glWindow);
int  ResizeGLView(HWND glWindow);
void InitGLState();
int  DestroyGLView(HWND glWindow);
int  CloseGLView(HWND glWindow);
int  GLViewCommand(HWND glWindow, WPARAM wParam, LPARAM lParam);
int  SyncGLViewMenus(HWND glWindow);
int  UpdateGLStatusBar(HWND glWindow);
HWND CreateGLToolbar(HWND glWindow);
// Sets the projection and model-view matrices of the camera.
void SetGLCamera(HWND glWindow);
LRESULT CALLBACK ChildOpenGLWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
