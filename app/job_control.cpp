// JobControl records: begin, end, cancel, pause and the waits on a background job.
#include "app/job_control.h"
#include "app/app_windows.h"
#include "app/window_slots.h"
#include "base/heap.h"

JobControl* CreateJobControl()
{
    JobControl* job = (JobControl*)NBLCalloc(1, sizeof(JobControl));
    if (!job) return nullptr;
    job->mutex = CreateMutexA(nullptr, FALSE, nullptr);
    job->busy = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    job->cancel = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    job->running = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!job->mutex || !job->busy || !job->cancel || !job->running) {
        if (job->mutex) CloseHandle(job->mutex);
        if (job->busy) CloseHandle(job->busy);
        if (job->cancel) CloseHandle(job->cancel);
        if (job->running) CloseHandle(job->running);
        NBLFree(job);
        return nullptr;
    }
    return job;
}

void FreeJobControl(JobControl* job)
{
    if (!job) return;
    CancelJobAndWait(job);
    CloseHandle(job->mutex);
    CloseHandle(job->busy);
    CloseHandle(job->cancel);
    CloseHandle(job->running);
    if (job->ended) CloseHandle(job->ended);
    NBLFree(job);
}

int WaitForObjectPumping(HANDLE handle)
{
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0) return 1;
        if (r != WAIT_OBJECT_0 + 1) return 0;
        // Peeking delivers the messages other threads sent us; posted ones stay queued.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

int BeginJob(JobControl* job)
{
    return WaitForObjectPumping(job->busy);
}

int TryBeginJob(JobControl* job)
{
    return WaitForSingleObject(job->busy, 0) == WAIT_OBJECT_0 ? 1 : 0;
}

int EndJob(JobControl* job)
{
    // The handle is closed only when the next job ends, so a caller that read
    // `thread` a moment ago never suspends or resumes a closed handle.
    HANDLE finished = job->thread;
    job->thread = 0;
    if (finished) {
        if (job->ended) CloseHandle(job->ended);
        job->ended = finished;
    }
    ReleaseSemaphore(job->busy, 1, nullptr);
    return 1;
}

int JobBusy(JobControl* job)
{
    if (WaitForSingleObject(job->busy, 0) == WAIT_OBJECT_0) {
        ReleaseSemaphore(job->busy, 1, nullptr);
        return 0;
    }
    return 1;
}

// Drawers poll every thousand points; a semaphore test is a round trip to the
// wine server, so the poll first reads the hint that CancelJob sets after its
// release. The hint is cleared before the test, so a request that arrives
// meanwhile sets it again and is seen at the next poll.
int JobCancelled(JobControl* job)
{
    if (!job->cancelHint) return 0;
    InterlockedExchange(&job->cancelHint, 0);
    return WaitForSingleObject(job->cancel, 0) == WAIT_OBJECT_0 ? 1 : 0;
}

int CancelJob(JobControl* job)
{
    if (WaitForSingleObject(job->busy, 0) == WAIT_OBJECT_0) {
        ReleaseSemaphore(job->busy, 1, nullptr);
        return 0;
    }
    ReleaseSemaphore(job->cancel, 1, nullptr);   // a second request is absorbed by the maximum of 1
    InterlockedExchange(&job->cancelHint, 1);
    SetEvent(job->running);   // a paused worker must reach its checkpoint to see the request
    return 1;
}

int PauseJob(JobControl* job)
{
    if (!JobBusy(job)) return 0;
    ResetEvent(job->running);
    return 1;
}

int ContinueJob(JobControl* job)
{
    SetEvent(job->running);
    return 1;
}

int JobPaused(JobControl* job)
{
    return WaitForSingleObject(job->running, 0) == WAIT_TIMEOUT ? 1 : 0;
}

int JobPauseTaken(JobControl* job)
{
    return job->waiting && JobPaused(job) ? 1 : 0;
}

int JobCheckpoint(JobControl* job)
{
    if (WaitForSingleObject(job->running, 0) == WAIT_TIMEOUT) {
        InterlockedExchange(&job->waiting, 1);
        WaitForSingleObject(job->running, INFINITE);
        InterlockedExchange(&job->waiting, 0);
    }
    return JobCancelled(job);
}

int CancelJobAndWait(JobControl* job)
{
    int ran = CancelJob(job);
    if (WaitForObjectPumping(job->busy)) ReleaseSemaphore(job->busy, 1, nullptr);
    return ran;
}

int SuspendJob(JobControl* job)
{
    if (!job->thread) return 0;
    SuspendThread(job->thread);
    return 1;
}

int ResumeJob(JobControl* job)
{
    if (!job->thread) return 0;
    ResumeThread(job->thread);
    return 1;
}

static JobControl* FrameJob(int slot) { return (JobControl*)GetWindowSlot(FrameWindow, slot); }

int CancelAppJob() { return CancelJob(FrameJob(FRAME_APPJOB)); }
int AppJobCancelled()
{
    JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
    return job && JobCancelled(job);
}
int AppJobCheckpoint()
{
    JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
    return job && JobCheckpoint(job);
}
static void SetAppJobView(HWND view, DWORD owner);

HANDLE StartAppJobThread(LPTHREAD_START_ROUTINE proc, void* parameter, HWND view)
{
    JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
    if (!job || !WaitForObjectPumping(job->mutex)) return 0;
    DWORD id;
    HANDLE thread = CreateThread(nullptr, 0, proc, parameter, 0, &id);
    if (thread) job->thread = thread;
    // The previous job has given the mutex back but may not yet have let its
    // view go: the binding names its owner, so that late release misses ours.
    if (thread && view) SetAppJobView(view, id);
    ReleaseMutex(job->mutex);
    return thread;
}
int ReleaseAppJobMutex()
{
    JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
    return job && ReleaseMutex(job->mutex) ? 1 : 0;
}
int IsAppJobBusy() { return JobBusy(FrameJob(FRAME_APPJOB)); }
int BeginAppJob() { return BeginJob(FrameJob(FRAME_APPJOB)); }
int EndAppJob() { return EndJob(FrameJob(FRAME_APPJOB)); }
int IsWorkerBusy() { return JobBusy(FrameJob(FRAME_WORKERJOB)); }
int AcquireWorker() { return BeginJob(FrameJob(FRAME_WORKERJOB)); }
int ReleaseWorker() { return EndJob(FrameJob(FRAME_WORKERJOB)); }

// Waits up to `milliseconds` for the handle, delivering messages other
// threads send meanwhile; 1 when it was signalled.
static int WaitForObjectPumpingAtMost(HANDLE handle, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds) return 0;
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds - spent, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0) return 1;
        if (r != WAIT_OBJECT_0 + 1) return 0;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

static volatile HWND appJobView;
static DWORD appJobViewOwner;   // id of the thread that works on appJobView
static HANDLE appJobViewFree;   // manual-reset: set while no job holds a view

static CRITICAL_SECTION* AppJobViewLock()
{
    static CRITICAL_SECTION lock;
    static bool ready = (InitializeCriticalSection(&lock), true);
    (void)ready;
    return &lock;
}

static void SetAppJobView(HWND view, DWORD owner)
{
    EnterCriticalSection(AppJobViewLock());
    if (!appJobViewFree) appJobViewFree = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    appJobView = view;
    appJobViewOwner = view ? owner : 0;
    if (view) ResetEvent(appJobViewFree);
    else SetEvent(appJobViewFree);
    LeaveCriticalSection(AppJobViewLock());
}

void BindAppJobView(HWND view) { SetAppJobView(view, GetCurrentThreadId()); }

void LetGoAppJobView(HWND view)
{
    // Checked and cleared under one hold: a starter may bind its view at any time.
    EnterCriticalSection(AppJobViewLock());
    if (view && appJobView == view && appJobViewOwner == GetCurrentThreadId()) SetAppJobView(0, 0);
    LeaveCriticalSection(AppJobViewLock());
}

int CancelAppJobOf(HWND view)
{
    if (!view || appJobView != view || !appJobViewFree) return 0;
    // A request made before the thread has begun its job is not kept: it is
    // made again until one is taken, then the thread is waited for.
    int asked = 0;
    while (appJobView == view) {
        JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
        if (!asked && job) asked = CancelJob(job);
        WaitForObjectPumpingAtMost(appJobViewFree, asked ? 1000 : 20);
    }
    // A request the job ended before seeing must not stop the next one.
    JobControl* job = FrameWindow ? FrameJob(FRAME_APPJOB) : nullptr;
    if (job && !JobBusy(job)) JobCancelled(job);
    return 1;
}

// The job is asked to stop first: one that reaches a checkpoint within a
// moment ends on its own, with any threads it started, and gives its data
// back as it found it. Terminating a thread leaves the locks it held taken
// for good and its helpers running, so only a job that does not stop is
// terminated. So that the program stays usable when the user then cancels
// the close, the frame gets fresh job controls; the old ones are dropped
// without waiting on them.
void KillWorkerThread()
{
    JobControl* app = FrameJob(FRAME_APPJOB);
    JobControl* worker = FrameJob(FRAME_WORKERJOB);
    if (app && app->thread) {
        HANDLE thread = app->thread;
        CancelJob(app);
        if (!WaitForObjectPumpingAtMost(thread, 1500)) TerminateThread(thread, 0);
    }
    if (appJobView) BindAppJobView(0);   // whatever held a view has ended
    SetWindowSlot(FrameWindow, FRAME_APPJOB, (LONG_PTR)CreateJobControl());
    SetWindowSlot(FrameWindow, FRAME_WORKERJOB, (LONG_PTR)CreateJobControl());
    JobControl* dropped[2] = {app, worker};
    for (JobControl* old : dropped) {
        if (!old) continue;
        if (old->thread) CloseHandle(old->thread);
        CloseHandle(old->mutex);
        CloseHandle(old->busy);
        CloseHandle(old->cancel);
        CloseHandle(old->running);
        if (old->ended) CloseHandle(old->ended);
        NBLFree(old);
    }
}
