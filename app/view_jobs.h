// The active view and the draw lock of a window (its CHILD_JOB).
#pragma once
#include <windows.h>

struct JobControl;

// The active MDI child, 0 when there is none.
HWND GetActiveView();
int  IsViewJobBusy(HWND window);
int  CancelViewDraw(HWND window);
int  BeginViewDraw(HWND window);
int  EndViewDraw(HWND window);
int  CancelAllViewDraws();
// What a view's draw thread reads (its data sets, reference files, AOI set)
// changes only with its drawing stopped and its lock held: LockViewData stops
// the draw and takes the lock (null when there is no lock to take),
// UnlockViewData gives it back.
struct JobControl* LockViewData(HWND view);
void UnlockViewData(struct JobControl* job);

// Starts a drawing thread of a window under its draw lock. The lock is taken
// here, before the thread exists, so that a cancel-and-wait issued at any
// moment afterwards (a close right after a paint) waits for the thread; the
// thread must not call BeginViewDraw and must end with EndViewDraw. A stale
// cancel request is consumed first. Returns the thread handle (also stored in
// the window's job control), or 0 when no thread could be started.
HANDLE StartViewDrawThread(HWND window, LPTHREAD_START_ROUTINE proc, void* param);
