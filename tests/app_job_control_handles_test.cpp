#include "shell_test_support.h"
#include "app/frame.h"
#include "app/job_control.h"
#include "app/window_slots.h"

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

static DWORD WINAPI WaitForever(void* event)
{
    WaitForSingleObject((HANDLE)event, INFINITE);
    return 0;
}

// Killing the worker at a forced close closes the killed thread's handle
// along with the dropped job controls, and leaves fresh ones behind.
class JobControlFrame : public ShellTest {};

TEST_F(JobControlFrame, KillWorkerThreadClosesTheThreadHandle)
{
    StartFrame();
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    JobControl* app = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    ASSERT_NE(app, nullptr);
    BeginJob(app);
    HANDLE thread = CreateThread(nullptr, 0, WaitForever, never, 0, nullptr);
    ASSERT_NE(thread, nullptr);
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
    CloseHandle(never);
}
