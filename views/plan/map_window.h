// The life cycle the map windows (plan views and the project window) share.
#pragma once
#include <windows.h>

struct ViewRecord;
struct JobControl;

// WM_CREATE: the record from the MDI creation data goes into CHILD_RECORD, a
// new paint job into CHILD_JOB, and the window gets its status bar.
ViewRecord* AttachMapWindowData(HWND window, LPARAM createParams);
// WM_SIZE: a minimised window ends its tool; otherwise the paint in progress
// stops and the status bar follows. The record when the window was restored
// or maximised (its scale is then due), else null.
ViewRecord* SizeMapWindow(HWND window, WPARAM wParam, LPARAM lParam);
// The start of WM_CLOSE: the paint stops, its lock is taken (the caller
// releases it through the returned job), the toolbar forgets the window and
// its tool ends.
JobControl* BeginMapWindowClose(HWND window);
// WM_DESTROY: painting stops for good (its lock stays taken), then the record
// and the paint job are freed.
void FreeMapWindowData(HWND window);
