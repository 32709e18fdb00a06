// Least versions of services whose real code belongs to pieces not built yet:
// enough for the shell to start, run and close. Each goes when its piece lands.
#include "app/services.h"
#include "app/frame.h"
#include "app/viewrecord.h"
#include "app/winlongs.h"
#include "app/jobcontrol.h"
#include "views/plan/planview.h"

void SetDefaultSurfaceMagicSettings() {}
void InitFrameBars(HWND) {}
void LayoutFrameBars(HWND) {}
LRESULT OnFrameBarNotify(HWND, LPARAM) { return 0; }
RegistrySettings* LoadRegistrySettings() { return nullptr; }
void SaveRegistrySettings(HWND) {}
void UpdateRecentFileMenu() {}
int OpenFilesInNewView(const char*, int) { return 0; }
int OpenDroppedFiles(HWND, HDROP drop)
{
    DragFinish(drop);
    return 0;
}
int FrameCommand(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == 9006) {
        SendMessageA(FrameWindow, WM_CLOSE, 0, 0);
        return 1;
    }
    return 0;
}
int EndViewTool(HWND) { return 1; }
int ArrangeViewWindows(HWND) { return 1; }

static int CancelOne(HWND child, void*)
{
    JobControl* job = (JobControl*)GetWindowSlot(child, CHILD_JOB);
    if (job) CancelJobAndWait(job);
    return 1;
}

int CancelAllViewDraws()
{
    HWND active = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    if (!active) return 0;
    VisitMDIChildren(CancelOne, nullptr);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)active, 0);
    return 1;
}

// A bare child window: keeps the record handed over at creation and a job control.
static LRESULT BareChild(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool planView)
{
    switch (message) {
    case WM_CREATE: {
        MDICREATESTRUCTA* mdi = (MDICREATESTRUCTA*)((CREATESTRUCTA*)lParam)->lpCreateParams;
        ViewRecord* record = (ViewRecord*)mdi->lParam;
        SetWindowSlot(hwnd, CHILD_RECORD, (LONG_PTR)record);
        SetWindowSlot(hwnd, CHILD_JOB, (LONG_PTR)CreateJobControl());
        if (planView) {
            if (record) record->window = hwnd;
            SetWindowSlot(FrameWindow, FRAME_VIEWCOUNT, GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) + 1);
        }
        break;
    }
    case WM_DESTROY:
        FreeJobControl((JobControl*)GetWindowSlot(hwnd, CHILD_JOB));
        SetWindowSlot(hwnd, CHILD_JOB, 0);
        if (planView) SetWindowSlot(FrameWindow, FRAME_VIEWCOUNT, GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) - 1);
        break;
    }
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MDIChildWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return BareChild(h, m, w, l, true); }
LRESULT CALLBACK ProjectWinWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return BareChild(h, m, w, l, false); }
LRESULT CALLBACK ChildProfileWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return BareChild(h, m, w, l, false); }
LRESULT CALLBACK ChildOpenGLWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return BareChild(h, m, w, l, false); }

int CloseGLView(HWND glWindow)
{
    ViewRecord* record = (ViewRecord*)GetWindowSlot(glWindow, CHILD_RECORD);
    if (!record || !record->glWindow) return 0;
    record->glWindow = 0;
    return 1;
}

void CreatePOISet(ViewRecord*) {}
void CreateAOISet(ViewRecord*) {}
void FreePOISet(ViewRecord*) {}
void FreeAOISet(ViewRecord*) {}
int SavePOIFile(HWND) { return 0; }
int SaveAOIFile(HWND) { return 0; }

static JobControl* ViewJob(HWND window)
{
    return window ? (JobControl*)GetWindowSlot(window, CHILD_JOB) : nullptr;
}

int CancelViewDraw(HWND window)
{
    if (!window) return 0;
    ViewRecord* record = (ViewRecord*)GetWindowSlot(window, CHILD_RECORD);
    if (record && record->glWindow == window && record->window) window = record->window;
    JobControl* job = ViewJob(window);
    return job ? CancelJobAndWait(job) : 0;
}

int BeginViewDraw(HWND window) { return BeginJob(ViewJob(window)); }
int EndViewDraw(HWND window) { return EndJob(ViewJob(window)); }
int IsViewJobBusy(HWND window)
{
    JobControl* job = ViewJob(window);
    return job ? JobBusy(job) : 0;
}
void UpdateToolbarState(HWND) {}
INT_PTR CALLBACK ContourParamsDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) EndDialog(dialog, IDCANCEL);
    return FALSE;
}
