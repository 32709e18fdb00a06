// The life cycle the map windows (plan views and the project window) share:
// their record and paint job, resizing, and the start and end of closing.
#include "views/plan/map_window.h"
#include "views/contours/contour_job.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/status_bars.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"

static JobControl* JobOf(HWND window) { return window ? (JobControl*)GetWindowSlot(window, CHILD_JOB) : nullptr; }

ViewRecord* AttachMapWindowData(HWND window, LPARAM createParams)
{
    MDICREATESTRUCTA* mdi = (MDICREATESTRUCTA*)((CREATESTRUCTA*)createParams)->lpCreateParams;
    ViewRecord* record = (ViewRecord*)mdi->lParam;
    SetWindowSlot(window, CHILD_RECORD, (LONG_PTR)record);
    if (record) record->window = window;
    SetWindowSlot(window, CHILD_JOB, (LONG_PTR)CreateJobControl());
    AttachViewStatusBar(window);
    return record;
}

ViewRecord* SizeMapWindow(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam == SIZE_MINIMIZED) {
        SendMessageA(window, WM_END_TOOL, 0, 0);
        return nullptr;
    }
    CancelViewDraw(window);
    HWND status = (HWND)GetWindowSlot(window, CHILD_STATUSBAR);
    if (status) SendMessageA(status, WM_SIZE, wParam, lParam);
    return wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED ? ViewRecordOf(window) : nullptr;
}

JobControl* BeginMapWindowClose(HWND window)
{
    JobControl* job = JobOf(window);
    CancelViewDraw(window);
    if (job) WaitForObjectPumping(job->mutex);
    UpdateToolbarState(0);
    SendMessageA(window, WM_END_TOOL, 0, 0);
    return job;
}

void FreeMapWindowData(HWND window)
{
    JobControl* job = JobOf(window);
    CancelAppJobOf(window);
    CancelViewDraw(window);
    // Held for good: no drawing may start while the record goes away, and the
    // lock itself is freed next.
    if (job) WaitForObjectPumping(job->mutex);
    CancelContourJobOf(window);
    ViewRecord* record = ViewRecordOf(window);
    SetWindowSlot(window, CHILD_RECORD, 0);
    SetWindowSlot(window, CHILD_JOB, 0);
    FreeViewRecord(record);
    FreeJobControl(job);
}
