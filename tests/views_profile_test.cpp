// The profile window on known data: its full view and automatic zoom, the six
// zoom operations through the zoom tool, the nearest-point rule, the measure
// text, the status bar and closing with its plan view.
#include "window_fixtures.h"
#include "point_sets.h"
#include "app/job_control.h"
#include "app/status_bars.h"
#include "shell/view_tools.h"
#include "base/heap.h"
#include "data/selection.h"
#include "views/plan/draw_thread.h"
#include "views/plan/measure_query.h"
#include "views/plan/point_tip.h"
#include "views/plan/profile_box.h"
#include "views/profile/profile_draw.h"
#include "views/profile/profile_mapping.h"
#include "views/profile/profile_query.h"
#include "views/profile/profile_window.h"
#include "resource.h"
#include <cmath>
#include <cstdio>

namespace {

class ProfileTest : public ViewFixture {
protected:
    HWND view = nullptr, profile = nullptr;
    ViewRecord* r = nullptr;

    void TearDown() override
    {
        DestroyProfileMeasureTip();
        DestroyMeasureTip();
        if (profile && IsWindow(profile)) linked.push_back(profile);
        ViewFixture::TearDown();
    }

    // A plan view over the points and a profile along A-B of a static width.
    void Open(const std::vector<PointRecord>& points, Vec3 a, Vec3 b, float width)
    {
        DataSet* set = MakePointDataSet(points);
        ViewRecord* record = CreateViewRecord();
        strcpy(record->title, "data");
        record->dataSets[0] = set;
        record->currentDataSet = set;
        record->dataKind = 1;
        view = CreateViewWindow(record);
        r = Record(view);
        r->profileA = a;
        r->profileB = b;
        r->staticProfileWidth = 1;
        r->profileWidth = width;
        OpenOrUpdateProfile(view);
        PumpMessages(20);
        profile = r->profileWindow;
        ASSERT_NE(profile, nullptr);
    }

    static void Drag(HWND w, UINT down, UINT up, POINT from, POINT to)
    {
        SendMessageA(w, down, 0, MAKELPARAM(from.x, from.y));
        SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(to.x, to.y));
        SendMessageA(w, up, 0, MAKELPARAM(to.x, to.y));
    }
};

// A column of points 10 m long in X at elevations 40-60, with the data set
// reaching 0 and 100 so that the profile's Z range is 110 high.
std::vector<PointRecord> TallColumn()
{
    std::vector<PointRecord> points;
    for (int i = 0; i <= 10; i++)
        for (int k = 0; k <= 20; k++) points.push_back(MakePoint(100.0 + i, 200.0, 40.0f + k, 2));
    points.push_back(MakePoint(0.0, 0.0, 0.0f, 2));
    points.push_back(MakePoint(300.0, 400.0, 100.0f, 2));
    return points;
}

}  // namespace

TEST_F(ProfileTest, ATallNarrowProfileZoomsOnItsPointsAndAFlatOneDoesNot)
{
    Open(TallColumn(), {99.5, 200, 0}, {110.5, 200, 0}, 2.0f);
    // The window was arranged after it opened: start again at its size now.
    InitProfileScales(profile);
    const ViewMapping& m = r->profile;
    ASSERT_NE(r->profilePoints, nullptr);
    EXPECT_EQ(r->profilePoints->count, 11 * 21);
    EXPECT_EQ(m.minX, 0.0);
    EXPECT_NEAR(m.maxX, 12.1, 1e-9);
    EXPECT_NEAR(m.minY, -5.0, 1e-6);
    EXPECT_NEAR(m.maxY, 105.0, 1e-6);
    // Full view: the 110 units of Z fill the height; the points are 20 of them,
    // so they fit 5.5 times: two zoom steps, centred on the points.
    EXPECT_NEAR(m.fullScale, 110.0 / (m.clientHeight + 1), 1e-9);
    EXPECT_EQ(m.zoomLevel, 2);
    EXPECT_NEAR(m.scale, m.fullScale / 4, 1e-12);
    EXPECT_NEAR(m.centerX, 6.05, 1e-9);
    EXPECT_NEAR(m.centerY, 50.0, 1e-9);

    // Every point at one elevation: the width decides, and it already fits.
    std::vector<PointRecord> flat;
    for (int i = 0; i <= 100; i++) flat.push_back(MakePoint(100.0 + i, 200.0, 50.0f, 2));
    flat.push_back(MakePoint(0.0, 0.0, 0.0f, 2));
    flat.push_back(MakePoint(300.0, 400.0, 100.0f, 2));
    HWND first = profile;
    linked.push_back(first);
    Open(flat, {100, 200, 0}, {200, 200, 0}, 2.0f);
    EXPECT_EQ(r->profile.zoomLevel, 0);
}

// The first profile of a plan view: the two share the whole MDI client (no
// strip where its scroll bars were), and the client is shown and drawn again
// after being arranged with its redraw off.
TEST_F(ProfileTest, TheFirstProfileAndItsPlanViewFillTheShownClient)
{
    ShowScrollBar(MDIClientWindow, SB_BOTH, TRUE);   // as a maximised view may leave them
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    EXPECT_TRUE(IsWindowVisible(MDIClientWindow));
    EXPECT_TRUE(IsWindowVisible(profile));
    EXPECT_TRUE(IsWindowVisible(view));
    EXPECT_EQ(GetWindowLongA(MDIClientWindow, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    RECT c = ClientOfMDI(), top = PlaceOf(profile), bottom = PlaceOf(view);
    EXPECT_EQ(top.left, 0);
    EXPECT_EQ(top.top, 0);
    EXPECT_EQ(top.right, c.right);
    EXPECT_EQ(bottom.top, top.bottom);
    EXPECT_EQ(bottom.right, c.right);
    EXPECT_EQ(bottom.top + bottom.bottom, c.bottom - c.bottom % 2);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(profile, &update, FALSE));   // painted once, at the end
}

TEST_F(ProfileTest, TheZoomToolStepsBoxesAndSwapsBack)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    SendMessageA(profile, WM_COMMAND, TOOL_ZOOM, 0);
    EXPECT_EQ(r->profileTool, TOOL_ZOOM);
    ViewMapping& m = r->profile;
    SendMessageA(profile, WM_COMMAND, CMD_ZOOM_FULL, 0);
    ASSERT_EQ(m.zoomLevel, 0);
    double full = m.fullScale;

    // Right button at level 0 starts no drag.
    SendMessageA(profile, WM_RBUTTONDOWN, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(r->profileZoomDrag, 0);
    // A 7 x 7 drag zooms one step about the press point.
    double px = 50 * m.scale + m.left, pz = m.top - 40 * m.scale;
    Drag(profile, WM_LBUTTONDOWN, WM_LBUTTONUP, {50, 40}, {57, 47});
    EXPECT_EQ(m.zoomLevel, 1);
    EXPECT_NEAR(m.scale, full / 2, 1e-12);
    EXPECT_NEAR(m.centerX, px, 1e-9);
    EXPECT_NEAR(m.centerY, pz, 1e-9);
    // An 8-pixel drag is a box: a quarter of the width zooms two steps.
    int quarter = m.clientWidth / 4;
    Drag(profile, WM_LBUTTONDOWN, WM_LBUTTONUP, {10, 10}, {10 + quarter, 18});
    EXPECT_EQ(m.zoomLevel, 3);
    // The middle button swaps with the previous view, twice returns.
    SendMessageA(profile, WM_MBUTTONDOWN, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(m.zoomLevel, 1);
    SendMessageA(profile, WM_MBUTTONDOWN, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(m.zoomLevel, 3);
    // Right click zooms out one step; the box the other way.
    Drag(profile, WM_RBUTTONDOWN, WM_RBUTTONUP, {60, 60}, {62, 61});
    EXPECT_EQ(m.zoomLevel, 2);
    Drag(profile, WM_RBUTTONDOWN, WM_RBUTTONUP, {10, 10}, {10 + quarter, 18});
    EXPECT_EQ(m.zoomLevel, 0);
    // Reaching level 0 always gives the full view.
    EXPECT_EQ(m.scrollX, 0);
    EXPECT_EQ(m.scrollY, 0);
    EXPECT_NEAR(m.scale, full, 1e-12);
    EXPECT_EQ(ZoomProfile(profile, PROFILE_ZOOM_OUT_AT, r->profileRect), 0);
    EXPECT_EQ(ZoomProfile(profile, PROFILE_ZOOM_FULL, r->profileRect), 0);
}

TEST_F(ProfileTest, ThePreviousViewNeedsOneStored)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    r->profilePreviousValid = 0;
    EXPECT_EQ(ZoomProfile(profile, PROFILE_ZOOM_PREVIOUS, r->profileRect), 0);
}

TEST_F(ProfileTest, TheNearestPointIsTheFirstOfEqualOnesAndFiltersDoNotApply)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    ZoomProfile(profile, PROFILE_ZOOM_FULL, r->profileRect);
    const ViewMapping& m = r->profile;
    // Overwrite three profile points: two at the same distance from the
    // pointer's position, the first found wins; a hidden class still counts.
    int x = 40, y = 30;
    double px = x * m.scale + m.left, pz = m.top - y * m.scale;
    for (int i = 0; i < r->profilePoints->count; i++) r->profileCopy[i].y = m.bottom + 1e-3;   // far away
    r->profileCopy[7].x = px + 0.3;
    r->profileCopy[7].y = pz;
    r->profileCopy[5].x = px - 0.3;
    r->profileCopy[5].y = pz;
    EXPECT_EQ(FindNearestProfilePoint(profile, x, y), 5);
    r->profileCopy[9].x = px;
    r->profileCopy[9].y = pz + 0.1;
    r->profilePoints->items[9]->classification = 7;
    r->classTable.entries[7].display = 0;
    EXPECT_EQ(FindNearestProfilePoint(profile, x, y), 9);
    // Outside the visible window a point is not found.
    r->profileCopy[9].x = m.right + 1;
    EXPECT_EQ(FindNearestProfilePoint(profile, x, y), 5);
}

TEST_F(ProfileTest, TheQueryToolMarksAndNamesThePointOrSaysNoneWasFound)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    static std::vector<std::string> lines;
    lines.clear();
    SetLogHook([](const char* t) { lines.push_back(t); });
    SendMessageA(profile, WM_COMMAND, TOOL_QUERY, 0);
    const ViewMapping& m = r->profile;
    // The pixel of profile point 0.
    const PointRecord& shown = r->profileCopy[0];
    POINT at = {(LONG)((shown.x - m.left) / m.scale), (LONG)((m.top - shown.y) / m.scale)};
    SendMessageA(profile, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    ASSERT_GE(r->profileQueryIndex, 0);
    const PointRecord* real = r->profilePoints->items[r->profileQueryIndex];
    ASSERT_GE(lines.size(), 2u);
    char text[200];
    snprintf(text, sizeof text, kQueryPositionFormat, real->x, real->y, real->z);
    EXPECT_EQ(lines[lines.size() - 2], text);
    snprintf(text, sizeof text, kQueryClassFormat, 1, 1, r->classTable.entries[2].name);
    EXPECT_EQ(lines.back(), text);
    EXPECT_NE(PointTip(), nullptr);
    // Scroll every point out of sight: nothing found.
    for (int i = 0; i < r->profilePoints->count; i++) r->profileCopy[i].x = m.right + 10;
    SendMessageA(profile, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(r->profileQueryIndex, -1);
    EXPECT_EQ(lines.back(), kQueryNoPoint);
    SendMessageA(profile, WM_RBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(PointTip(), nullptr);
    SetLogHook(nullptr);
}

TEST_F(ProfileTest, TheMeasureToolGivesHorizontalVerticalAndDirectLengths)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    SendMessageA(profile, WM_COMMAND, TOOL_MEASURE, 0);
    double s = r->profile.scale;
    SendMessageA(profile, WM_MOUSEMOVE, 0, MAKELPARAM(10, 80));
    SendMessageA(profile, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 80));
    SendMessageA(profile, WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));   // 30 right, 40 up: shown at once
    char expected[128], text[256];
    snprintf(expected, sizeof expected, kProfileMeasureFormat, 30 * s, 40 * s, 50 * s);
    GetTipText(ProfileMeasureTip(), profile, text, sizeof text);
    EXPECT_STREQ(text, expected);
    snprintf(expected, sizeof expected, " %.3lf", 50 * s);
    EXPECT_EQ(StatusText(profile, 4), expected);
    EXPECT_EQ(StatusText(profile, 0), " MEASURE");
    // Straight down: the tip goes below and right of the pointer.
    int rect[4] = {40, 40, 40, 90};
    EXPECT_EQ(RectQuadrant(rect), 4);
    int up[4] = {40, 40, 40, 10}, left[4] = {40, 40, 10, 40}, none[4] = {40, 40, 40, 40};
    EXPECT_EQ(RectQuadrant(up), 1);
    EXPECT_EQ(RectQuadrant(left), 2);
    EXPECT_EQ(RectQuadrant(none), 1);
    SendMessageA(profile, WM_RBUTTONDOWN, 0, MAKELPARAM(40, 40));
    EXPECT_EQ(ProfileMeasureTip(), nullptr);
    EXPECT_EQ(r->profileBandActive, 0);
}

TEST_F(ProfileTest, ClosingThePlanViewClosesItsProfileAndAClosedProfileLetsGo)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    SendMessageA(profile, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(profile));
    EXPECT_EQ(r->profileWindow, nullptr);
    EXPECT_EQ(r->profilePoints, nullptr);
    EXPECT_EQ(r->profilePolyline, nullptr);
    // A new box opens a new window; closing the plan view takes it along.
    OpenOrUpdateProfile(view);
    PumpMessages(20);
    profile = r->profileWindow;
    ASSERT_NE(profile, nullptr);
    SendMessageA(view, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(view));
    EXPECT_FALSE(IsWindow(profile));
}

namespace {

// Lets a draw waiting for the view's lock go on once the user-interface
// thread waits for it to end, noting the box as it is then: a box that goes
// before the draw has ended is seen gone or changed. The lock is held by the
// user-interface thread, which gives it back from inside its wait, where it
// answers the message the helper sends. (Suspending the draw thread instead
// could stop it in its start-up holding the loader lock, which every new
// thread, the helper too, needs: all three then waited for good.)
struct DrawHold {
    const ViewRecord* r;
    JobControl* job;
    bool box = false, released = false;
    double x = 0, y = 0;
};

DrawHold* heldDraw;
const WPARAM kReleaseDraw = 0x5eed;

LRESULT CALLBACK ReleaseDrawInWait(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    DrawHold* h = heldDraw;
    if (code == HC_ACTION && h && !h->released && m->message == WM_NULL && m->wParam == kReleaseDraw) {
        const struct Polyline* box = h->r->profilePolyline;
        h->box = box != nullptr;
        if (box) {
            h->x = box->vertices[0].x;
            h->y = box->vertices[0].y;
        }
        h->released = ReleaseMutex(h->job->mutex) != 0;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI ReleaseDrawLater(void* parameter)
{
    DrawHold* h = (DrawHold*)parameter;
    // The stop request comes just before the wait, which answers the first
    // message sent after it.
    WaitUntil([&] { return h->job->cancelHint != 0; }, 10000);
    DWORD_PTR answer;
    SendMessageTimeoutA(FrameWindow, WM_NULL, kReleaseDraw, 0, SMTO_BLOCK, 5000, &answer);
    return 0;
}

void WidenBox(HWND dialog, int templateId)
{
    if (templateId != IDD_PROFILE_WIDTH) return;
    SetDlgItemTextA(dialog, IDC_PROFILE_WIDTH, "4");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

// The width dialog replaces the box and closing the profile frees it: each
// first waits for the plan view's draw, which draws the box, to end.
TEST_F(ProfileTest, TheBoxGoesOnlyOnceThePlanViewsDrawHasEnded)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    ASSERT_TRUE(WaitForViewDraw(view, 10000));
    JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
    for (int closing = 0; closing < 2; closing++) {
        ASSERT_NE(r->profilePolyline, nullptr);
        double x = r->profilePolyline->vertices[0].x, y = r->profilePolyline->vertices[0].y;
        // The draw thread starts while this thread holds the view's lock, and
        // waits for it.
        ASSERT_EQ(WaitForSingleObject(job->mutex, 5000), (DWORD)WAIT_OBJECT_0);
        r->imageCacheValid = 0;
        ASSERT_TRUE(StartViewDraw(view, nullptr, nullptr, 1, 0));
        DrawHold hold = {r, job};
        HANDLE draw;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), job->thread, GetCurrentProcess(), &draw, SYNCHRONIZE,
                                    FALSE, 0));
        heldDraw = &hold;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, ReleaseDrawInWait, nullptr, GetCurrentThreadId());
        HANDLE releaser = CreateThread(nullptr, 0, ReleaseDrawLater, &hold, 0, nullptr);
        if (closing) {
            SendMessageA(profile, WM_CLOSE, 0, 0);
        } else {
            SetDialogDriver(WidenBox);
            SetProfileBoxWidth(view);
            SetDialogDriver(nullptr);
        }
        WaitForSingleObject(releaser, 20000);
        UnhookWindowsHookEx(hook);
        heldDraw = nullptr;
        if (!hold.released) ReleaseMutex(job->mutex);   // never asked to stop: the draw still waits
        EXPECT_TRUE(hold.box) << (closing ? "close" : "width dialog");
        EXPECT_EQ(hold.x, x);
        EXPECT_EQ(hold.y, y);
        EXPECT_EQ(WaitForSingleObject(draw, 10000), (DWORD)WAIT_OBJECT_0);
        CloseHandle(releaser);
        CloseHandle(draw);
        ASSERT_TRUE(WaitForViewDraw(view, 10000));
    }
    EXPECT_EQ(r->profilePolyline, nullptr);
}

TEST_F(ProfileTest, TheWheelOverTheProfileStepsTheBox)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    double y = r->profileA.y;
    RECT wr;
    GetWindowRect(profile, &wr);
    SetCursorPos((wr.left + wr.right) / 2, (wr.top + wr.bottom) / 2);
    ASSERT_TRUE(WaitForViewDraw(view, 10000));   // the box steps only between draws of the view
    SendMessageA(profile, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_NEAR(std::fabs(r->profileA.y - y), 1.0, 1e-9);   // half the width sideways
}

TEST_F(ProfileTest, PointsTakeTheColourOfTheModeAndAnUnknownModeDrawsNone)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    const ViewMapping& m = r->profile;
    int width = m.clientWidth + 1, height = m.clientHeight + 1;
    // Profile point 0 sits alone in the middle of the window.
    PointRecord& p = r->profileCopy[0];
    p.x = (m.left + m.right) / 2;
    p.y = (m.top + m.bottom) / 2;
    int column = (int)((p.x - m.left) / m.scale), row = (int)((m.top - p.y) / m.scale);
    for (int i = 1; i < r->profilePoints->count; i++) r->profileCopy[i].y = m.top + 100;   // above the window
    r->pointSizeStep = 1;
    auto colourAt = [&](int mode) {
        r->pointColorMode = mode;
        std::vector<uint32_t> pixels;
        int drawn = DrawOffscreen(width, height, [&](HDC dc) { return DrawProfilePoints(profile, dc); }, &pixels);
        EXPECT_EQ(drawn, mode >= CMD_COLOR_FIRST && mode <= CMD_COLOR_LAST ? 1 : 0) << mode;
        return PixelAt(pixels, width, column, row);
    };
    r->classTable.entries[2].profileColor = RGB(10, 200, 30);
    EXPECT_EQ(colourAt(CMD_COLOR_CLASS), RGB(10, 200, 30));
    EXPECT_EQ(colourAt(CMD_COLOR_ELEVATION), RGB(10, 200, 30));   // the elevation modes draw by class
    // Every intensity alike: an empty range draws mid grey.
    EXPECT_EQ(colourAt(CMD_COLOR_INTENSITY), RGB(128, 128, 128));
    r->profileCopy[0].red = 1;
    r->profileCopy[0].green = 2;
    r->profileCopy[0].blue = 3;
    EXPECT_EQ(colourAt(CMD_COLOR_RGB), RGB(1, 2, 3));
    EXPECT_EQ(colourAt(CMD_COLOR_FLAG), RGB(180, 180, 180));
    EXPECT_EQ(colourAt(999), RGB(0, 0, 0));
    // A hidden class is not drawn.
    r->classTable.entries[2].display = 0;
    EXPECT_EQ(colourAt(CMD_COLOR_CLASS), RGB(0, 0, 0));
}

TEST_F(ProfileTest, EveryDrawOfTheQueryToolShowsTheQueriedPointsMark)
{
    Open(TallColumn(), {100, 200, 0}, {110, 200, 0}, 2.0f);
    const ViewMapping& m = r->profile;
    PointRecord& p = r->profileCopy[0];
    p.x = (m.left + m.right) / 2;
    p.y = (m.top + m.bottom) / 2;
    int column = (int)((p.x - m.left) / m.scale), row = (int)((m.top - p.y) / m.scale);
    r->profileTool = TOOL_QUERY;
    auto drawnAt = [&] {
        InvalidateRect(profile, nullptr, TRUE);
        UpdateWindow(profile);
        EXPECT_TRUE(WaitForViewDraw(profile, 10000));
        HDC dc = GetDC(profile);
        COLORREF c = GetPixel(dc, column, row);
        ReleaseDC(profile, dc);
        return c;
    };
    r->profileQueryIndex = -1;
    EXPECT_NE(drawnAt(), RGB(255, 128, 0));
    r->profileQueryIndex = 0;
    EXPECT_EQ(drawnAt(), RGB(255, 128, 0));   // the orange mark over the point
}
