#include "window_fixtures.h"
#include "app/window_slots.h"
#include "shell/frame.h"
#include "app/job_control.h"

namespace {

struct LoopJob {
    JobControl* job;
    volatile LONG iterations;
    volatile LONG sawCancel;
    HWND reportTo;   // when set, the job sends a message to it on every loop
};

DWORD WINAPI PollingJob(void* p)
{
    LoopJob* j = (LoopJob*)p;
    for (int i = 0; i < 2000; i++) {
        if (JobCancelled(j->job)) {
            j->sawCancel = 1;
            break;
        }
        if (j->reportTo) SendMessageA(j->reportTo, WM_SETTEXT, 0, (LPARAM)"step");
        InterlockedIncrement(&j->iterations);
        Sleep(1);   // a step of work
    }
    EndJob(j->job);
    return 0;
}

// Waits (pumping this thread's messages) until the job has made `steps`
// steps; false when it has not within ten seconds.
bool WaitForSteps(LoopJob* j, LONG steps)
{
    return WaitUntil(
        [&] {
            PumpMessages(0);
            return j->iterations >= steps;
        },
        10000);
}

HANDLE StartJob(LoopJob* j)
{
    WaitForSingleObject(j->job->mutex, INFINITE);
    BeginJob(j->job);   // the starter takes busy before the thread exists
    HANDLE t = CreateThread(nullptr, 0, PollingJob, j, 0, nullptr);
    j->job->thread = t;
    ReleaseMutex(j->job->mutex);
    return t;
}

}  // namespace

TEST(JobControl, IdleJobStaysIdleAndKeepsNoRequest)
{
    JobControl* job = CreateJobControl();
    EXPECT_EQ(JobBusy(job), 0);
    EXPECT_EQ(CancelJob(job), 0);
    EXPECT_EQ(CancelJobAndWait(job), 0);
    EXPECT_EQ(JobCancelled(job), 0);
    EXPECT_EQ(JobBusy(job), 0);
    EXPECT_EQ(SuspendJob(job), 0);
    EXPECT_EQ(ResumeJob(job), 0);
    FreeJobControl(job);
    FreeJobControl(nullptr);
}

TEST(JobControl, SecondCancelIsAbsorbed)
{
    JobControl* job = CreateJobControl();
    BeginJob(job);
    EXPECT_EQ(JobBusy(job), 1);
    EXPECT_EQ(CancelJob(job), 1);
    EXPECT_EQ(CancelJob(job), 1);
    EXPECT_EQ(JobCancelled(job), 1);
    EXPECT_EQ(JobCancelled(job), 0);
    // A request after the poll is signalled again.
    EXPECT_EQ(CancelJob(job), 1);
    EXPECT_EQ(JobCancelled(job), 1);
    EndJob(job);
    EXPECT_EQ(JobBusy(job), 0);
    EXPECT_EQ(CancelJob(job), 0);   // nothing runs: no request
    EXPECT_EQ(JobCancelled(job), 0);
    FreeJobControl(job);
}

TEST(JobControl, CancelAndWaitReturnsAfterTheJobEnded)
{
    LoopJob j = {CreateJobControl(), 0, 0, nullptr};
    HANDLE t = StartJob(&j);
    ASSERT_TRUE(WaitForSteps(&j, 3)) << "the job thread did not run";
    EXPECT_EQ(CancelJobAndWait(j.job), 1);
    EXPECT_EQ(j.sawCancel, 1);
    EXPECT_EQ(JobBusy(j.job), 0);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    CloseHandle(t);
    FreeJobControl(j.job);
}

TEST(JobControl, StaleRequestStaysPendingUntilPolled)
{
    JobControl* job = CreateJobControl();
    BeginJob(job);
    CancelJob(job);
    EndJob(job);   // ended without polling
    EXPECT_EQ(JobBusy(job), 0);
    // The next starter consumes the stale request before its thread runs.
    EXPECT_EQ(JobCancelled(job), 1);
    LoopJob j = {job, 0, 0, nullptr};
    HANDLE t = StartJob(&j);
    ASSERT_TRUE(WaitForSteps(&j, 5)) << "the job thread did not run";
    EXPECT_EQ(j.sawCancel, 0);
    CancelJobAndWait(job);
    WaitForSingleObject(t, 5000);
    CloseHandle(t);
    FreeJobControl(job);
}

TEST(JobControl, WaitingOnTheWindowThreadAnswersTheWorkersMessages)
{
    // A worker that reports to a window of this thread on every step must not
    // deadlock against this thread waiting for it.
    HWND target = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    LoopJob j = {CreateJobControl(), 0, 0, target};
    HANDLE t = StartJob(&j);
    ASSERT_TRUE(WaitForSteps(&j, 1)) << "the job thread did not run";
    EXPECT_EQ(CancelJobAndWait(j.job), 1);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    CloseHandle(t);
    FreeJobControl(j.job);
    DestroyWindow(target);
}

TEST(JobControl, SuspendedJobWakesToSeeItsCancel)
{
    LoopJob j = {CreateJobControl(), 0, 0, nullptr};
    HANDLE t = StartJob(&j);
    ASSERT_TRUE(WaitForSteps(&j, 2)) << "the job thread did not run";
    EXPECT_EQ(SuspendJob(j.job), 1);
    // The thread is held: its suspend count was 1 before this probe.
    EXPECT_EQ(SuspendThread(t), 1u);
    ResumeThread(t);
    CancelJob(j.job);
    ResumeJob(j.job);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(j.sawCancel, 1);
    CloseHandle(t);
    FreeJobControl(j.job);
}

// A wait that fails is not an acquired lock: a job cannot begin on a busy
// semaphore that is gone, and a cancel-and-wait releases nothing it never got.
TEST(JobControlHandles, FailedWaitsAreNotAcquisitions)
{
    JobControl* job = CreateJobControl();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(WaitForObjectPumping(job->mutex), 1);
    ReleaseMutex(job->mutex);
    HANDLE busy = job->busy;
    CloseHandle(busy);
    EXPECT_EQ(WaitForObjectPumping(busy), 0);
    EXPECT_EQ(BeginJob(job), 0);
    job->busy = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    EXPECT_EQ(BeginJob(job), 1);
    EndJob(job);
    FreeJobControl(job);
}

struct Waiter {
    HANDLE started;
    HANDLE never;
};

static DWORD WINAPI WaitForever(void* p)
{
    Waiter* w = (Waiter*)p;
    SetEvent(w->started);
    WaitForSingleObject(w->never, INFINITE);
    return 0;
}

// Killing the worker at a forced close closes the killed thread's handle
// along with the dropped job controls, and leaves fresh ones behind.
class JobControlFrame : public FrameFixture {};

TEST_F(JobControlFrame, KillWorkerThreadClosesTheThreadHandle)
{
    StartFrame();
    Waiter waiter = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    JobControl* app = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    ASSERT_NE(app, nullptr);
    BeginJob(app);
    HANDLE thread = CreateThread(nullptr, 0, WaitForever, &waiter, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Killed while it still starts up, the thread could take the loader's
    // lock with it and hang the process; a worker killed at a forced close
    // has long been running.
    ASSERT_EQ(WaitForSingleObject(waiter.started, 10000), (DWORD)WAIT_OBJECT_0);
    HANDLE watch = nullptr;   // our own handle, to see the thread end
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0));
    app->thread = thread;
    KillWorkerThread();
    EXPECT_EQ(WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(thread, &flags));
    JobControl* fresh = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(JobBusy(fresh), 0);
    CloseHandle(watch);
    CloseHandle(waiter.started);
    CloseHandle(waiter.never);
}

namespace {
DWORD WINAPI PollUntilCancelled(LPVOID started)
{
    SetEvent((HANDLE)started);
    while (!AppJobCheckpoint()) Sleep(5);
    return 7;
}
}  // namespace

// A job that reaches its checkpoints is asked to stop and ends on its own:
// its helpers and its data are left as a normal end leaves them.
TEST_F(JobControlFrame, KillWorkerThreadLetsAPollingJobEndOnItsOwn)
{
    StartFrame();
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    JobControl* app = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    ASSERT_NE(app, nullptr);
    BeginJob(app);
    HANDLE thread = CreateThread(nullptr, 0, PollUntilCancelled, started, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(started, 10000), (DWORD)WAIT_OBJECT_0);
    HANDLE watch = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    app->thread = thread;
    KillWorkerThread();
    ASSERT_EQ(WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(watch, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(watch);
    CloseHandle(started);
}
