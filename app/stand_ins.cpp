// The stand-ins declared in app/stand_ins.h.
#include <cstring>
#include "app/stand_ins.h"
#include "app/frame.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/view_window.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include <cstdio>


// A bare child window: keeps the record handed over at creation and a job control.
static LRESULT BareChild(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        MDICREATESTRUCTA* mdi = (MDICREATESTRUCTA*)((CREATESTRUCTA*)lParam)->lpCreateParams;
        ViewRecord* record = (ViewRecord*)mdi->lParam;
        SetWindowSlot(hwnd, CHILD_RECORD, (LONG_PTR)record);
        SetWindowSlot(hwnd, CHILD_JOB, (LONG_PTR)CreateJobControl());
        break;
    }
    case WM_DESTROY:
        FreeJobControl((JobControl*)GetWindowSlot(hwnd, CHILD_JOB));
        SetWindowSlot(hwnd, CHILD_JOB, 0);
        break;
    }
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ProjectWinWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return BareChild(h, m, w, l); }

void CreateAOISet(ViewRecord*) {}
void FreeAOISet(ViewRecord*) {}
int SaveAOIFile(HWND) { return 0; }

int IsProjectWinActive()
{
    HWND projectWin = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    return projectWin && projectWin == GetActiveView();
}
int ProjectWinToolCommand(HWND, WPARAM, LPARAM) { return 0; }
int ProjectCommand(WPARAM, LPARAM) { return 1; }
int ImportToLAS() { return 1; }
// Dialogs whose templates are absent: the call returns at once.
INT_PTR CALLBACK ExportLASDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }


void FreeReferenceList(ViewRecord*) {}

int ProjectWinCancelTool(HWND) { return 1; }


int ShowReferenceFileManager(HWND) { return 0; }
int LoadAOIFile(HWND) { return 0; }
int SaveAOIFileAs(HWND) { return 0; }
int ResetAOISet(HWND) { return 0; }
int ShowAOIPolygonSettings(HWND) { return 0; }
int AddAOIPolygon(HWND, struct Polyline*) { return 0; }
int EditAOIAtCursor(HWND) { return 0; }
