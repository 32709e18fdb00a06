// The plan view's draw thread: whole draws are cached, a repaint with a valid
// cache starts no thread, a second paint stops the first, a covered view is
// not cached. Also renders a sample file in every colour mode for a look.
#include "test_support.h"
#include "data/tin_model.h"
#include "app/command_ids.h"
#include "shell/view_window.h"
#include "views/plan/draw_thread.h"
#include "views/plan/view_mapping.h"
#include "point_sets.h"
#include "window_fixtures.h"
#include "shell/frame.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "views/plan/color_ramp.h"
#include <cstdlib>
#include <memory>

namespace {

JobControl* JobOf(HWND view) { return (JobControl*)GetWindowSlot(view, CHILD_JOB); }

// Repaints the view, its cache made stale or kept; Repainted waits for the draw.
void Repaint(HWND view, int stale)
{
    if (stale) InvalidateView(view, 1);
    else InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
}
bool Repainted(HWND view, int stale, int ms = 5000)
{
    Repaint(view, stale);
    return WaitForViewDraw(view, ms);
}

// A point coloured (250, 10, 20).
PointRecord RedPoint(double x, double y)
{
    PointRecord p = MakePoint(x, y, 10);
    p.red = 250; p.green = 10; p.blue = 20;
    return p;
}

// The cache pixel of the world point (x, y).
COLORREF CachedAt(const ViewRecord* r, double x, double y)
{
    return CachePixel(r, (int)((x - r->viewLeft) / r->scale), (int)((r->viewTop - y) / r->scale));
}

bool WaitUntilBusy(HWND view, int ms)
{
    return WaitUntil([&] { return JobBusy(JobOf(view)) != 0; }, ms);
}

using PlanDrawThread = ViewFixture;

}  // namespace

TEST_F(PlanDrawThread, WholeDrawIsCachedAndAPlainRepaintStartsNoThread)
{
    std::vector<DataSet*> sets = {MakePointDataSet({MakePoint(0, 0, 0), RedPoint(50, 50), MakePoint(100, 100, 0)})};
    HWND view = OpenView(sets, 200, 150);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_RGB;
    ASSERT_TRUE(Repainted(view, 1));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(r->imageCache.width, 200);
    EXPECT_EQ(r->imageCache.height, 150);
    EXPECT_EQ(CachedAt(r, 50, 50), RGB(250, 10, 20));
    EXPECT_EQ(CachePixel(r, 3, 3), ViewBackgroundColor);

    // A plain repaint copies the cache back: no drawer runs.
    r->currentDataSet = nullptr;
    ASSERT_TRUE(Repainted(view, 0));
    EXPECT_EQ(r->currentDataSet, nullptr);
    EXPECT_EQ(JobOf(view)->thread, nullptr);

    // A stale cache draws again.
    ASSERT_TRUE(Repainted(view, 1));
    EXPECT_EQ(r->currentDataSet, sets[0]);
    EXPECT_EQ(r->imageCacheValid, 1);

    // Overlay-only over a valid cache: the base layer is not drawn again.
    r->currentDataSet = nullptr;
    r->redrawOverlays = 1;
    ASSERT_TRUE(Repainted(view, 0));
    EXPECT_EQ(r->currentDataSet, nullptr);
    EXPECT_EQ(r->imageCacheValid, 1);
    r->redrawOverlays = 0;

    // Scrolling or zooming resets both caches.
    r->tinCacheValid = 1;
    r->glRebuildFlags[1] = 1;
    ResetViewCache(view);
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(r->tinCacheValid, 0);
    EXPECT_EQ(r->glRebuildFlags[1], 0);
}

// A mode change while a draw runs: the draw may finish before the paint that
// the change asked for, and its old-mode picture must not be kept as valid.
TEST_F(PlanDrawThread, ADrawOvertakenByAModeChangeIsNotCached)
{
    PointRecord p = RedPoint(50, 50);
    p.classification = 2;
    HWND view = OpenView({MakePointDataSet({MakePoint(0, 0, 0), p, MakePoint(100, 100, 0)})}, 200, 150);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ViewRecord* r = Record(view);
    JobControl* job = JobOf(view);
    r->pointColorMode = CMD_COLOR_RGB;
    // Holding the view's lock keeps the draw thread from starting its work.
    ASSERT_EQ(WaitForSingleObject(job->mutex, 5000), WAIT_OBJECT_0);
    InvalidateView(view, 1);
    ASSERT_TRUE(StartViewDraw(view, nullptr, nullptr, 1, 0));
    r->pointColorMode = CMD_COLOR_CLASS;
    InvalidateView(view, 1);
    ReleaseMutex(job->mutex);
    // The old draw ends before the paint is handled: no pumping here.
    ASSERT_TRUE(WaitUntil([&] { return !JobBusy(job) && !*(HANDLE volatile*)&job->thread; }, 5000))
        << "the draw did not end";
    EXPECT_EQ(r->imageCacheValid, 0);

    // The paint then draws the record's mode.
    UpdateWindow(view);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachedAt(r, 50, 50), r->classTable.entries[2].mainColor);
}

// Points that all share one position (or one line) are drawn in the middle
// of the view, not lost at its corner.
TEST_F(PlanDrawThread, PointsAtOnePositionOrOnOneLineAreDrawnInTheMiddle)
{
    PointRecord p = RedPoint(500, 700);
    std::vector<PointRecord> line;
    for (int i = 0; i < 5; i++) line.push_back(RedPoint(500, 700 + 10 * i));
    for (const std::vector<PointRecord>& points : {std::vector<PointRecord>{p, p, p}, line}) {
        HWND view = OpenView({MakePointDataSet(points)}, 200, 150);
        ViewRecord* r = Record(view);
        r->pointColorMode = CMD_COLOR_RGB;
        ASSERT_GT(r->scale, 0.0);
        ASSERT_TRUE(Repainted(view, 1));
        ASSERT_EQ(r->imageCacheValid, 1);
        int x = (int)((500 - r->viewLeft) / r->scale), y = (int)((r->viewTop - 700) / r->scale);
        EXPECT_NEAR(x, r->imageWidth / 2, 2);
        EXPECT_GT(y, 0);
        EXPECT_LT(y, r->imageHeight - 1);
        EXPECT_EQ(CachePixel(r, x, y), RGB(250, 10, 20));
    }
}

TEST_F(PlanDrawThread, ASecondPaintStopsTheFirst)
{
    // Many large points make a whole draw take long; a draw that was stopped
    // never leaves a cached image.
    std::vector<PointRecord> pts;
    for (int k = 0; k < 3000000; k++) pts.push_back(MakePoint(k % 500, (k / 500) % 1200, 0));
    HWND view = OpenView({MakePointDataSet(pts)}, 300, 200);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_RGB;
    r->pointSizeStep = 6;
    JobControl* job = JobOf(view);
    r->zoomLevel = 3;   // every point

    ASSERT_TRUE(Repainted(view, 1, 60000));
    ASSERT_EQ(r->imageCacheValid, 1);

    // The second paint waits for the first draw, under way, to give up its
    // lock, and that draw ends stopped: a finished one would have cached its
    // image before the second began. Its thread then ends.
    Repaint(view, 1);
    ASSERT_TRUE(WaitUntilBusy(view, 5000));
    HANDLE first = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), job->thread, GetCurrentProcess(), &first, SYNCHRONIZE, FALSE, 0));
    Repaint(view, 1);
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(WaitForSingleObject(first, 10000), (DWORD)WAIT_OBJECT_0) << "the first draw thread did not end";
    CloseHandle(first);
    EXPECT_TRUE(JobBusy(job) || job->thread);

    // The same for a plain cancel; nothing runs afterwards.
    ASSERT_TRUE(WaitUntilBusy(view, 5000));
    EXPECT_EQ(CancelViewDraw(view), 1);
    EXPECT_EQ(r->imageCacheValid, 0);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(CancelViewDraw(view), 0);
}

TEST_F(PlanDrawThread, ACoveredViewIsDrawnButNotCached)
{
    HWND view = OpenView({MakePointDataSet({MakePoint(0, 0, 0), MakePoint(100, 100, 0)})}, 200, 150);
    // Another view over part of it.
    HWND cover = OpenEmptyView("cover");
    SizeView(view, 200, 150);
    SetWindowPos(cover, HWND_TOP, 100, 100, 80, 80, 0);
    PumpMessages(20);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ASSERT_TRUE(Repainted(view, 1));
    EXPECT_EQ(Record(view)->imageCacheValid, 0);
    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)cover, 0);
    PumpMessages(20);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ASSERT_TRUE(Repainted(view, 1));
    EXPECT_EQ(Record(view)->imageCacheValid, 1);
}

TEST_F(PlanDrawThread, ACachedTINIsShownAndPointsGoOverIt)
{
    PointRecord p = MakePoint(50, 50, 0);
    p.red = 255;
    std::vector<DataSet*> sets = {MakePointDataSet({MakePoint(0, 0, 0), p, MakePoint(100, 100, 0)})};
    HWND view = OpenView(sets, 200, 150);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_RGB;
    ASSERT_TRUE(Repainted(view, 1));
    // What is on screen now stands in for a shaded TIN of mode 8007. These
    // points give no TIN (no ground class): told once, after the paint.
    BoxAnswers boxes;
    r->displayMode = CMD_COLOR_TIN;
    ASSERT_EQ(SaveTINImage(view, nullptr), 1);
    EXPECT_EQ(r->tinCacheState, CMD_COLOR_TIN);

    sets[0]->points[1].red = 0;
    sets[0]->points[1].green = 255;   // a fresh point draw would be green
    ASSERT_TRUE(Repainted(view, 1));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachedAt(r, 50, 50), RGB(255, 0, 0));
    PumpMessages(20);
    ASSERT_TRUE(ShowedOneBox(boxes, kNoTINPointsText));
    r->imageCacheValid = 0;
    ASSERT_TRUE(Repainted(view, 1));
    PumpMessages(20);
    EXPECT_EQ(boxes.shown().size(), 1u);

    ViewDisplayCommand(view, CMD_POINTS_OVER_BACK);   // points over the background
    UpdateWindow(view);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachedAt(r, 50, 50), RGB(0, 255, 0));

    // The grey TIN does not take the colour TIN's cache.
    ViewDisplayCommand(view, CMD_GRAY_TIN);
    EXPECT_EQ(r->tinCacheValid, 0);
}

// Renders autzen_trim.las in every colour mode. With VELKA_SHOT_DIR set the
// images are written there as .bmp files for a look; nothing is compared.
TEST_F(PlanDrawThread, SampleFileInEveryColourMode)
{
    REQUIRE_SAMPLES();
    DataSet* set = LoadSampleDataSet(SamplePath("autzen_trim.las"));
    ASSERT_NE(set, nullptr);
    HWND view = OpenView({set}, 800, 600);
    ViewRecord* r = Record(view);
    const char* dir = getenv("VELKA_SHOT_DIR");
    for (int mode = CMD_COLOR_ELEVATION; mode <= CMD_COLOR_FLAG; mode++) {
        r->pointColorMode = mode;
        ASSERT_TRUE(Repainted(view, 1, 10000));
        ASSERT_EQ(r->imageCacheValid, 1) << mode;
        if (dir) {
            char name[64];
            snprintf(name, sizeof name, "plan_%d.bmp", mode);
            EXPECT_TRUE(SaveCacheBitmap(r, std::string(dir) + name));
        }
    }
}

namespace {
class PlanViewOnFrame : public FrameFixture {};

// The cached image matches what the point drawer draws by itself over the
// background, pixel for pixel; returns the number of point pixels.
int ExpectCacheIsThePointDrawing(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    std::vector<uint32_t> px;
    EXPECT_EQ(DrawPointsOffscreen(view, &px, ViewBackgroundColor), 1);
    int points = 0, differ = 0;
    for (int y = 0; y < r->clientHeight; y++)
        for (int x = 0; x < r->clientWidth; x++) {
            COLORREF drawn = PixelAt(px, r->drawWidth, x, y);
            points += drawn != ViewBackgroundColor;
            differ += drawn != CachePixel(r, x, y);
        }
    EXPECT_EQ(differ, 0);
    return points;
}
}  // namespace

// The whole road: a sample opened on the command line is drawn by the view's
// own paint, cached, and drawn again in another colour mode.
TEST_F(PlanViewOnFrame, AnOpenedSampleIsDrawnAndCached)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    HWND view = StartFrameOnSample("autzen_trim.las");
    ASSERT_NE(view, nullptr);
    ViewRecord* r = ViewRecordOf(view);
    ASSERT_NE(r->currentDataSet, nullptr);
    ASSERT_EQ(r->currentDataSet->pointCount, 110000);
    ASSERT_NE(r->currentDataSet->tiles, nullptr);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));
    EXPECT_GT(ExpectCacheIsThePointDrawing(view), 0);

    r->pointColorMode = CMD_COLOR_CLASS;
    InvalidateView(view, 1);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));
    EXPECT_GT(ExpectCacheIsThePointDrawing(view), 0);
}
