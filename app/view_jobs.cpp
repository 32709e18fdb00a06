// The active view and the per-window draw lock every room stops and takes.
#include "app/view_jobs.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"

static JobControl* JobOf(HWND window) { return window ? (JobControl*)GetWindowSlot(window, CHILD_JOB) : nullptr; }

HWND GetActiveView()
{
    if (!MDIClientWindow) return 0;
    return (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
}

// ---- draw lock ------------------------------------------------------------------

int IsViewJobBusy(HWND window)
{
    JobControl* job = JobOf(window);
    return job ? JobBusy(job) : 0;
}

int CancelViewDraw(HWND window)
{
    if (!window) return 0;
    // A 3D window draws on the user-interface thread: stop its plan view instead.
    ViewRecord* record = ViewRecordOf(window);
    if (record && record->glWindow == window && record->window) window = record->window;
    JobControl* job = JobOf(window);
    if (!job) return 0;
    return CancelJobAndWait(job);
}

int BeginViewDraw(HWND window)
{
    JobControl* job = JobOf(window);
    return job ? BeginJob(job) : 0;
}

int EndViewDraw(HWND window)
{
    JobControl* job = JobOf(window);
    return job ? EndJob(job) : 0;
}

HANDLE StartViewDrawThread(HWND window, LPTHREAD_START_ROUTINE proc, void* param)
{
    JobControl* job = JobOf(window);
    if (!job) return 0;
    if (!WaitForObjectPumping(job->mutex)) return 0;
    JobCancelled(job);   // a request meant for the previous drawing
    if (!BeginJob(job)) {
        ReleaseMutex(job->mutex);
        return 0;
    }
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, proc, param, 0, &id);
    if (thread) job->thread = thread;
    else EndJob(job);
    ReleaseMutex(job->mutex);
    return thread;
}

static int CancelChildDraw(HWND child, void*)
{
    CancelViewDraw(child);
    return 1;
}

int CancelAllViewDraws()
{
    HWND active = GetActiveView();
    if (!active) return 0;
    VisitMDIChildren(CancelChildDraw, nullptr);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)active, 0);
    return 1;
}

JobControl* LockViewData(HWND view)
{
    JobControl* job = view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr;
    CancelViewDraw(view);
    if (job && !WaitForObjectPumping(job->mutex)) return nullptr;
    return job;
}

void UnlockViewData(JobControl* job)
{
    if (job) ReleaseMutex(job->mutex);
}
