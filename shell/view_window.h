// The plan-view window: creation, closing and destruction of plan views and the
// job-done handler; the draw lock is in app/view_jobs.h.
#pragma once
#include "app/view_jobs.h"
#include "views/plan/map_window.h"
#include <windows.h>

struct ViewRecord;
struct DataSet;
struct JobControl;

// Told when a view window cannot be made.
extern const char kViewCreateFailedText[];
// The question for an unsaved POI or AOI set: the kind ("AOI", "POI") and the
// set's name (its path, else the current data set's title, else the view's).
extern const char kUnsavedSetQuestion[];
// The kinds a data set with class edits in memory is announced with.
extern const char kUnsavedLASKind[];     // "LAS File"
extern const char kUnsavedASCIIKind[];   // "ASCII File"

// Creates the "MDIChild" window for a filled record; 0 on failure (the record
// then stays with the caller).
HWND CreateViewWindow(ViewRecord* record);
// Asks about a data set whose classes changed since it was loaded or saved,
// saving it to its own file on Yes; 1 to go on (saved, unchanged or No), 0
// when the user cancelled or the save failed or was refused.
int  AskToSaveDataSet(DataSet* set);
// Asks about the view's unsaved data sets, then its AOI set, then its POI set,
// saving on Yes; 1 to go on, 0 when the user cancelled or a save failed.
int  AskToSaveViewSets(HWND view);
// 1 when the view may close, 0 when the user cancelled.
int  ViewClose(HWND view);
void ViewDestroy(HWND view);
int  ViewJobDone(HWND view, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MDIChildWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The plan view's WM_COMMAND goes to the view command table (shell/view_command),
// handed in at start-up; the route answers nonzero when it handled the command.
typedef int (*ViewCommandRoute)(HWND view, WPARAM wParam, LPARAM lParam);
void SetViewCommandRoute(ViewCommandRoute route);
