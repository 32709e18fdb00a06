// Least versions of services whose real code belongs to pieces not built yet:
// enough for the shell to start, run and close. Each goes when its piece lands.
#include "app/services.h"
#include "app/frame.h"
#include "app/viewrecord.h"
#include "app/winlongs.h"
#include "app/jobcontrol.h"
#include "views/plan/planview.h"
#include "views/plan/colorramp.h"
#include "app/display_settings.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/fileio.h"
#include "data/dataset.h"
#include <cstdio>
#include <cstring>

void SetDefaultSurfaceMagicSettings() {}
void InitFrameBars(HWND) {}
void LayoutFrameBars(HWND) {}
LRESULT OnFrameBarNotify(HWND, LPARAM) { return 0; }
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
            SetupTINColorRamp(hwnd);
            ComputeViewExtents(hwnd);
        }
        break;
    }
    case WM_SIZE:
        if (planView && wParam != SIZE_MINIMIZED) {
            CancelViewDraw(hwnd);
            UpdateViewScale(hwnd);
            ResetViewCache(hwnd);
        }
        break;
    case WM_PAINT:
        if (planView && PaintPlanView(hwnd)) return 0;
        break;
    case WM_DESTROY:
        if (planView) {
            CancelViewDraw(hwnd);
            ViewRecord* record = (ViewRecord*)GetWindowSlot(hwnd, CHILD_RECORD);
            if (record) {
                FreeViewImageCache(&record->imageCache);
                FreeViewImageCache(&record->tinCache);
            }
        }
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
INT_PTR CALLBACK ContourParamsDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) EndDialog(dialog, IDCANCEL);
    return FALSE;
}
HWND GetActiveView() { return (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0); }
int EndActiveViewTool() { return 1; }
int ArrangeViewPanels(HWND) { return 1; }
int ViewCommand(HWND, WPARAM, LPARAM) { return 0; }
void UpdateToolbarState(HWND) {}
int ShowHelpContents(int) { return 1; }
int IsProjectWinActive()
{
    HWND projectWin = (HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN);
    return projectWin && projectWin == GetActiveView();
}
int ProjectWinToolCommand(HWND, WPARAM, LPARAM) { return 0; }
int ProjectCommand(WPARAM, LPARAM) { return 1; }
int ImportToLAS() { return 1; }
// Dialogs not built yet: their templates are absent, so the call returns at once.
INT_PTR CALLBACK AboutDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK SystemInfoDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK HotkeyListDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK ExportLASDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK SMBatchDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK ThinningBatchDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK VoidDEMValueDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The view record and window, as far as the opening road needs them.
ViewRecord* CreateViewRecord()
{
    ViewRecord* record = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    if (!record) return nullptr;
    record->dataSets = (DataSet**)NBLCalloc(1, sizeof(DataSet*));
    record->dataSetCount = 1;
    InitViewSettings(record);
    CreatePOISet(record);
    CreateAOISet(record);
    return record;
}

HWND CreateViewWindow(ViewRecord* record)
{
    MDICREATESTRUCTA mdi = {};
    mdi.szClass = "MDIChild";
    mdi.szTitle = record->title;
    mdi.hOwner = AppInstance;
    mdi.x = mdi.y = mdi.cx = mdi.cy = CW_USEDEFAULT;
    mdi.style = 0x12300003;
    mdi.lParam = (LPARAM)record;
    HWND view = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mdi);
    if (!view) ShowMessageBox(FrameWindow, "Failed in Creating Child Window", "Error", MB_OK);
    return view;
}

void FreeViewRecord(ViewRecord* record)
{
    if (!record) return;
    for (int i = 0; i < record->dataSetCount; i++) FreeDataSet(record->dataSets[i]);
    NBLFree(record->dataSets);
    FreePOISet(record);
    FreeAOISet(record);
    NBLFree(record);
}

// File kinds by signature and extension only: enough for the opening road to run.
static const char* ExtensionOf(const char* path)
{
    const char* dot = strrchr(path, '.');
    return dot && !strpbrk(dot, "\\/") ? dot : "";
}

static int HasLASSignature(const char* path)
{
    char signature[4];
    VFile f = VFileOpenRead(path);
    int ok = f && VFileReadExact(f, signature, 4) && memcmp(signature, "LASF", 4) == 0;
    VFileClose(f);
    return ok;
}

int GetDataFileKind(const char* path)
{
    const char* ext = ExtensionOf(path);
    if (HasLASSignature(path) || lstrcmpiA(ext, ".laz") == 0) return 1;
    if (lstrcmpiA(ext, ".tif") == 0 || lstrcmpiA(ext, ".img") == 0) return 3;
    if (lstrcmpiA(ext, ".hdr") == 0) return 4;
    return 2;
}

DataSet* LoadASCIIData(const char*, const char*, int) { return nullptr; }
DataSet* Load32BitTIFF(const char*, const char*) { return nullptr; }
DataSet* LoadDTEData(const char*, const char*) { return nullptr; }
int ComputeDataSetStatistics(DataSet*) { return 1; }
PointTiles* BuildPointTiles(DataSet*) { return nullptr; }
int DensityCheck(DataSet*) { return 1; }
INT_PTR CALLBACK LoadASCIIFormatDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
