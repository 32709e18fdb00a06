// The plan view's draw thread: whole draws are cached, a repaint with a valid
// cache starts no thread, a second paint stops the first, a covered view is
// not cached. Also renders a sample file in every colour mode for a look.
#include "test_support.h"
#include "app/command_ids.h"
#include "app/view_window.h"
#include "views/plan/draw_thread.h"
#include "views/plan/view_mapping.h"
#include "shell_test_support.h"
#include "plan_draw_support.h"
#include "app/frame.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "views/plan/color_ramp.h"
#include <cstdlib>
#include <memory>

namespace {

JobControl* JobOf(HWND view) { return (JobControl*)GetWindowSlot(view, CHILD_JOB); }

void Repaint(HWND view, int stale)
{
    if (stale) InvalidateView(view, 1);
    else InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
}

bool WaitUntilBusy(HWND view, int ms)
{
    DWORD start = GetTickCount();
    while (!JobBusy(JobOf(view))) {
        if ((int)(GetTickCount() - start) > ms) return false;
        Sleep(0);
    }
    return true;
}

struct Sets {
    std::vector<DataSet*> sets;
    ~Sets()
    {
        for (DataSet* s : sets) FreeTestDataSet(s);
    }
};

}  // namespace

TEST(PlanDrawThread, WholeDrawIsCachedAndAPlainRepaintStartsNoThread)
{
    Sets data;
    PointRecord p = MakePoint(50, 50, 0);
    p.red = 250; p.green = 10; p.blue = 20;
    data.sets.push_back(MakePointDataSet({MakePoint(0, 0, 0), p, MakePoint(100, 100, 0)}));
    TestPlanView view(200, 150, data.sets);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_RGB;
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(r->imageCache.width, 200);
    EXPECT_EQ(r->imageCache.height, 150);
    int x = (int)((50 - r->viewLeft) / r->scale), y = (int)((r->viewTop - 50) / r->scale);
    EXPECT_EQ(CachePixel(r, x, y), RGB(250, 10, 20));
    EXPECT_EQ(CachePixel(r, 3, 3), ViewBackgroundColor);

    // A plain repaint copies the cache back: no drawer runs.
    r->currentDataSet = nullptr;
    Repaint(view.window, 0);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(r->currentDataSet, nullptr);
    EXPECT_EQ(JobOf(view.window)->thread, nullptr);

    // A stale cache draws again.
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(r->currentDataSet, data.sets[0]);
    EXPECT_EQ(r->imageCacheValid, 1);

    // Overlay-only over a valid cache: the base layer is not drawn again.
    r->currentDataSet = nullptr;
    r->redrawOverlays = 1;
    Repaint(view.window, 0);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(r->currentDataSet, nullptr);
    EXPECT_EQ(r->imageCacheValid, 1);
    r->redrawOverlays = 0;

    // Scrolling or zooming resets both caches.
    r->tinCacheValid = 1;
    r->glRebuildFlags[1] = 1;
    ResetViewCache(view.window);
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(r->tinCacheValid, 0);
    EXPECT_EQ(r->glRebuildFlags[1], 0);
}

TEST(PlanDrawThread, ASecondPaintStopsTheFirst)
{
    // Large points make every point costly, so a whole draw takes long; a
    // cancelled one stops within a poll of 1,024 points.
    std::vector<PointRecord> pts;
    for (int k = 0; k < 600000; k++) pts.push_back(MakePoint(k % 500, k / 500, 0));
    Sets data;
    data.sets.push_back(MakePointDataSet(pts));
    TestPlanView view(300, 200, data.sets);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_RGB;
    r->pointSizeStep = 6;
    JobControl* job = JobOf(view.window);
    r->zoomLevel = 3;   // every point

    DWORD t0 = GetTickCount();
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 60000));
    DWORD whole = GetTickCount() - t0;
    ASSERT_EQ(r->imageCacheValid, 1);
    ASSERT_GE(whole, 100u);

    Repaint(view.window, 1);
    ASSERT_TRUE(WaitUntilBusy(view.window, 5000));
    Sleep(50);
    DWORD t1 = GetTickCount();
    Repaint(view.window, 1);   // stops the running draw, then starts another
    DWORD stop = GetTickCount() - t1;
    EXPECT_LT(stop, whole / 4) << "a whole draw took " << whole << " ms";
    EXPECT_TRUE(JobBusy(job) || job->thread);

    ASSERT_TRUE(WaitUntilBusy(view.window, 5000));
    Sleep(50);
    t1 = GetTickCount();
    EXPECT_EQ(CancelViewDraw(view.window), 1);
    EXPECT_LT(GetTickCount() - t1, whole / 4);
    // A cancelled draw leaves no cache; nothing runs any more.
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(CancelViewDraw(view.window), 0);
}

TEST(PlanDrawThread, ACoveredViewIsDrawnButNotCached)
{
    Sets data;
    data.sets.push_back(MakePointDataSet({MakePoint(0, 0, 0), MakePoint(100, 100, 0)}));
    // Overlapping siblings clip each other, as MDI children do.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, 300, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    struct Guard {
        HWND h;
        ~Guard() { DestroyWindow(h); }
    } parentGuard{parent};
    TestPlanView view(200, 150, data.sets, true, 0, parent);
    HWND cover = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 100, 100, 60, 60, parent,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpMessages(20);
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(view.record->imageCacheValid, 0);
    DestroyWindow(cover);
    PumpMessages(20);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    EXPECT_EQ(view.record->imageCacheValid, 1);
}

TEST(PlanDrawThread, ACachedTINIsShownAndPointsGoOverIt)
{
    Sets data;
    PointRecord p = MakePoint(50, 50, 0);
    p.red = 255;
    data.sets.push_back(MakePointDataSet({MakePoint(0, 0, 0), p, MakePoint(100, 100, 0)}));
    TestPlanView view(200, 150, data.sets);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_RGB;
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    // What is on screen now stands in for a shaded TIN of mode 8007. These
    // points give no TIN (no ground class), which each TIN draw reports.
    BoxAnswers boxes;
    r->displayMode = CMD_COLOR_TIN;
    ASSERT_EQ(SaveTINImage(view.window, nullptr), 1);
    EXPECT_EQ(r->tinCacheState, CMD_COLOR_TIN);
    int x = (int)((50 - r->viewLeft) / r->scale), y = (int)((r->viewTop - 50) / r->scale);

    data.sets[0]->points[1].red = 0;
    data.sets[0]->points[1].green = 255;   // a fresh point draw would be green
    Repaint(view.window, 1);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachePixel(r, x, y), RGB(255, 0, 0));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_EQ(boxes.shown()[0].text, "There is no TIN Point Found");

    ViewDisplayCommand(view.window, CMD_POINTS_OVER_BACK);   // points over the background
    UpdateWindow(view.window);
    ASSERT_TRUE(WaitForViewDraw(view.window, 5000));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachePixel(r, x, y), RGB(0, 255, 0));

    // The grey TIN does not take the colour TIN's cache.
    ViewDisplayCommand(view.window, CMD_GRAY_TIN);
    EXPECT_EQ(r->tinCacheValid, 0);
}

// Renders autzen_trim.las in every colour mode. With VELKA_SHOT_DIR set the
// images are written there as .bmp files for a look; nothing is compared.
TEST(PlanDrawThread, SampleFileInEveryColourMode)
{
    REQUIRE_SAMPLES();
    Sets data;
    DataSet* set = LoadSampleDataSet(SamplePath("autzen_trim.las"));
    ASSERT_NE(set, nullptr);
    data.sets.push_back(set);
    TestPlanView view(800, 600, data.sets);
    ViewRecord* r = view.record;
    const char* dir = getenv("VELKA_SHOT_DIR");
    for (int mode = CMD_COLOR_ELEVATION; mode <= CMD_COLOR_FLAG; mode++) {
        r->pointColorMode = mode;
        Repaint(view.window, 1);
        ASSERT_TRUE(WaitForViewDraw(view.window, 10000));
        ASSERT_EQ(r->imageCacheValid, 1) << mode;
        if (dir) {
            char name[64];
            snprintf(name, sizeof name, "plan_%d.bmp", mode);
            EXPECT_TRUE(SaveCacheBitmap(r, std::string(dir) + name));
        }
    }
}

namespace {
class PlanViewOnFrame : public ShellTest {};

// Pumps until the view's draw has finished and cached its image.
bool WaitForCachedDraw(HWND view, int ms)
{
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
    DWORD start = GetTickCount();
    while ((int)(GetTickCount() - start) < ms) {
        PumpMessages(20);
        if (WaitForViewDraw(view, 20) && r->imageCacheValid) return true;
    }
    return false;
}

int CountPixels(const ViewRecord* r, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < r->imageCache.height; y++)
        for (int x = 0; x < r->clientWidth; x++) n += CachePixel(r, x, y) == colour;
    return n;
}
}  // namespace

// The whole road: a sample opened on the command line is drawn by the view's
// own paint, cached, and drawn again in another colour mode.
TEST_F(PlanViewOnFrame, AnOpenedSampleIsDrawnAndCached)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    StartFrame(("\"" + SamplePath("autzen_trim.las") + "\"").c_str());
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    HWND view = views[0];
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
    ASSERT_NE(r->currentDataSet, nullptr);
    if (r->currentDataSet->pointCount == 0 || !r->currentDataSet->tiles) GTEST_SKIP() << "no points or tiles";
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));
    int background = CountPixels(r, ViewBackgroundColor);
    int area = r->clientWidth * r->imageCache.height;
    // The points cover a good part of the view (a lone view is maximised, so
    // the sample's sparse points spread over the whole MDI client).
    EXPECT_GT(area - background, area / 20);

    r->pointColorMode = CMD_COLOR_CLASS;
    InvalidateView(view, 1);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));
    EXPECT_GT(CountPixels(r, r->classTable.entries[2].mainColor), area / 100);   // ground
}
