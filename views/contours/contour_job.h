// What the TIN and grid contour generators share: the list a view owns, the
// contour job on the frame's application job control, and the "Contour
// Parameters" dialog with its command.
#pragma once
#include <windows.h>
#include <cstdint>

struct ContourList;
struct Polyline;
struct JobControl;

// A new empty list (room for one line pointer), or null.
ContourList* NewContourList();
// Appends the line and grows the array to count + 1 slots; 0 when it cannot grow.
int  AppendContourLine(ContourList* list, struct Polyline* line);

// The frame's application job control.
JobControl* AppJobControl();
// Starts the view's contour job: the TIN job for point views, the grid job
// for grid views. 0 while another application job runs or when a point
// view has no TIN.
int  StartContourThread(HWND view);
// The start sequence of either generator: the application job's mutex is
// held from before the job is taken until the thread's handle is stored.
int  StartContourJob(HWND view, LPTHREAD_START_ROUTINE thread);
// The end of a contour thread: ends the application job, releases its mutex
// and, when `posted`, tells the view with WM_JOB_DONE (1, 0).
void EndContourJob(HWND view, int posted);
// A view that goes away first stops the contour job working on it.
void CancelContourJobOf(HWND view);

// The most levels one set of contours may have: a smaller interval is refused.
const int kMaxContourLevels = 10000;
// The number of multiples of the interval from low to high, counted without
// overflow (INT64_MAX for an interval that is not above zero).
int64_t CountContourLevels(double low, double high, double interval);

// Command CMD_CONTOUR_SETTINGS: dialog IDD_CONTOUR_PARAMS; 1 when confirmed.
int  ContourSettings(HWND view);
INT_PTR CALLBACK ContourParamsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

extern const char kNoContourClassText[];
extern const char kAllClassesWarningText[];
extern const char kContourIntervalText[];
extern const char kContourLevelsText[];
