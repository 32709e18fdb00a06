// Window extra bytes: each slot holds a pointer or handle, so slots are
// LONG_PTR wide. The historic 4-byte long index k maps to slot k / 4.
#pragma once
#include <windows.h>

#define WINDOW_SLOT(k) ((int)((k) / 4 * (int)sizeof(LONG_PTR)))

// Frame ("MDIFrame")
#define FRAME_REBAR       WINDOW_SLOT(0)
#define FRAME_CLIENT      WINDOW_SLOT(8)
#define FRAME_BANDDIALOG  WINDOW_SLOT(12)
#define FRAME_VIEWCOUNT   WINDOW_SLOT(16)
#define FRAME_TOOLBAR     WINDOW_SLOT(20)
#define FRAME_EDIT_TOOLBAR WINDOW_SLOT(24)
#define FRAME_APPJOB      WINDOW_SLOT(36)
#define FRAME_WORKERJOB   WINDOW_SLOT(40)
#define FRAME_REGISTRY    WINDOW_SLOT(48)
#define FRAME_PROJECTWIN  WINDOW_SLOT(52)
#define FRAME_EXTRA_BYTES WINDOW_SLOT(56)

// MDI children (plan view, project window, profile, 3D)
#define CHILD_RECORD       WINDOW_SLOT(0)
#define CHILD_JOB          WINDOW_SLOT(4)
#define CHILD_STATUSBAR    WINDOW_SLOT(8)
#define CHILD_STATUSHEIGHT WINDOW_SLOT(12)
#define CHILD_GLTOOLBAR    WINDOW_SLOT(20)
#define PROJECTWIN_TOOLBAR WINDOW_SLOT(20)   // the project window's tool buttons
#define PROJECTWIN_PROJECT WINDOW_SLOT(16)   // the project window's open Project
#define CHILD_EXTRA_BYTES   WINDOW_SLOT(24)
#define PROFILE_EXTRA_BYTES WINDOW_SLOT(16)

// Private messages of the job protocol.
#define WM_JOB_DONE    (WM_APP + 1)
#define WM_END_TOOL    (WM_APP + 2)   // the window ends whatever its tool has going
#define WM_REFRESH_3D  (WM_APP + 3)
#define WM_CONVERT_DONE (WM_APP + 4)
#define WM_CHECK_TILES (WM_APP + 5)
#define WM_NO_TIN_POINTS (WM_APP + 6)   // told after the paint whose TIN build found no points

inline LONG_PTR GetWindowSlot(HWND hwnd, int slot) { return GetWindowLongPtrA(hwnd, slot); }
inline void SetWindowSlot(HWND hwnd, int slot, LONG_PTR value) { SetWindowLongPtrA(hwnd, slot, value); }
