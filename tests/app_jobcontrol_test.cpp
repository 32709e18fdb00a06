#include "test_support.h"
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
        Sleep(2);
    }
    EndJob(j->job);
    return 0;
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
    EndJob(job);
    EXPECT_EQ(JobBusy(job), 0);
    FreeJobControl(job);
}

TEST(JobControl, CancelAndWaitReturnsAfterTheJobEnded)
{
    LoopJob j = {CreateJobControl(), 0, 0, nullptr};
    HANDLE t = StartJob(&j);
    while (j.iterations < 3) Sleep(1);
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
    while (j.iterations < 5) Sleep(1);
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
    while (j.iterations < 1) PumpMessages(1);
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
    while (j.iterations < 2) Sleep(1);
    EXPECT_EQ(SuspendJob(j.job), 1);
    LONG frozen = j.iterations;
    Sleep(30);
    EXPECT_LE(j.iterations, frozen + 2);   // a step already under way may finish
    CancelJob(j.job);
    ResumeJob(j.job);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(j.sawCancel, 1);
    CloseHandle(t);
    FreeJobControl(j.job);
}
