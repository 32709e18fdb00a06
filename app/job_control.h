// Job control: one small record per background job (drawing, contouring,
// classification, batches, conversion) to start, cancel, pause and wait.
#pragma once
#include <windows.h>

struct JobControl {
    HANDLE thread;   // thread last started; 0 when none or ended
    HANDLE mutex;    // held by a starter while it creates the thread
    HANDLE busy;     // semaphore 1 of 1: 1 idle, 0 a job runs
    HANDLE cancel;   // semaphore 0 of 1: 1 a cancel request is pending
    volatile LONG cancelHint;  // set after each cancel request: polls skip the semaphore while it is 0
    HANDLE ended;    // handle of the job that ended last, closed one job later
    HANDLE running;  // manual-reset event: set while the job may run, reset while paused
    volatile LONG waiting;  // 1 while the worker waits at a checkpoint for the pause to end
};

JobControl* CreateJobControl();
void FreeJobControl(JobControl* job);
int  BeginJob(JobControl* job);   // 0 when the busy semaphore could not be waited for
// 1 when the job was idle and is busy now; 0 at once when a job runs.
int  TryBeginJob(JobControl* job);
int  EndJob(JobControl* job);
int  JobBusy(JobControl* job);
int  JobCancelled(JobControl* job);
int  CancelJob(JobControl* job);
int  CancelJobAndWait(JobControl* job);
int  SuspendJob(JobControl* job);
// Cooperative pause: the worker waits at its next checkpoint (never inside a
// lock) until ContinueJob; a cancel request also ends the wait.
int  PauseJob(JobControl* job);
int  ContinueJob(JobControl* job);
int  JobPaused(JobControl* job);
// 1 once a pause has taken effect: the worker waits at a checkpoint and does
// nothing more until ContinueJob. Until then a paused job still runs.
int  JobPauseTaken(JobControl* job);
// The worker's checkpoint: waits while paused, then reports a cancel request.
int  JobCheckpoint(JobControl* job);
int  ResumeJob(JobControl* job);

// Waits for a handle; on a thread with windows it keeps answering messages
// sent by other threads meanwhile, so a worker that reports progress to this
// thread can never deadlock against the wait. 1 when the handle was
// acquired, 0 when the wait failed (an invalid or closed handle).
int  WaitForObjectPumping(HANDLE handle);

// The frame's two job controls.
int  CancelAppJob();
// A cancel request for the application job (once per request); 0 without a frame.
int  AppJobCancelled();
// The application job's checkpoint (JobCheckpoint); only where no lock is held.
int  AppJobCheckpoint();
// Creates an application job's thread and stores its handle, both under the
// job's mutex (a thread that takes the mutex first sees its handle stored).
// With a view, the view is bound to the new thread under the mutex too, so a
// close from then on waits for that thread and no earlier one can unbind it.
HANDLE StartAppJobThread(LPTHREAD_START_ROUTINE proc, void* parameter, HWND view = nullptr);
// Gives back the application job's mutex taken by a starter.
int  ReleaseAppJobMutex();
int  IsAppJobBusy();
int  BeginAppJob();
int  EndAppJob();
// The plan view an application job works on (0: none). The job's thread lets
// the view go when it has finished with it; only its own binding goes (a run
// started meanwhile keeps its view). BindAppJobView(0) drops any binding.
void BindAppJobView(HWND view);
void LetGoAppJobView(HWND view);
// Stops the application job when it works on the view and waits until it has
// let the view go; 1 when there was one.
int  CancelAppJobOf(HWND view);
int  IsWorkerBusy();
int  AcquireWorker();
int  ReleaseWorker();
void KillWorkerThread();
