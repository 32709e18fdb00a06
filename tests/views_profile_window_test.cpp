// The profile window over a sample file: a box drawn with the profile tool
// opens it with exactly the points inside the box, it draws them, and it goes
// when its plan view closes. With VELKA_SHOT_DIR set, the screen is saved as
// .bmp files along the way (shaded TIN, plan view with its profile).
#include "window_fixtures.h"
#include "point_sets.h"
#include "app/command_ids.h"
#include "shell/frame.h"
#include "app/job_control.h"
#include "shell/view_window.h"
#include "shell/view_tools.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/polygon.h"
#include "data/selection.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

class ProfileOnSample : public FrameFixture {};

POINT PixelOf(const ViewRecord* r, double x, double y)
{
    return {(LONG)((x - r->viewLeft) / r->scale), (LONG)((r->viewTop - y) / r->scale)};
}

void Click(HWND view, POINT p)
{
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

bool Shown(const ViewRecord* r, const PointRecord& p)
{
    const int* filters[4] = {&r->showSingleReturns, &r->showFirstReturns, &r->showIntermediateReturns,
                             &r->showLastReturns};
    return *filters[p.returns >> 6] && r->classTable.entries[p.classification].display;
}

}  // namespace

TEST_F(ProfileOnSample, ABoxOverAutzenOpensTheProfileWithThePointsInsideIt)
{
    ASSERT_FALSE(SampleDir().empty()) << "sample data missing";
    BoxAnswers boxes;
    HWND view = StartFrameOnSample("autzen_trim.las");
    ASSERT_NE(view, nullptr);
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
    const DataSet* set = r->currentDataSet;
    ASSERT_NE(set, nullptr);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 20000));

    if (getenv("VELKA_SHOT_DIR")) {
        SendMessageA(view, WM_COMMAND, CMD_TIN_COLOR_FIRST + 2, 0);   // grey
        SendMessageA(view, WM_COMMAND, CMD_GRAY_TIN, 0);
        UpdateWindow(view);
        ASSERT_TRUE(WaitForCachedDraw(view, 60000));
        SaveScreenShot("autzen_tin_gray.bmp");
        SendMessageA(view, WM_COMMAND, CMD_TIN_COLOR_FIRST + 1, 0);   // earth tones
        SendMessageA(view, WM_COMMAND, CMD_COLOR_TIN, 0);
        UpdateWindow(view);
        ASSERT_TRUE(WaitForCachedDraw(view, 60000));
        SaveScreenShot("autzen_tin_earth.bmp");
        SendMessageA(view, WM_COMMAND, CMD_TIN_COLOR_FIRST + 4, 0);   // RGB
        UpdateWindow(view);
        ASSERT_TRUE(WaitForCachedDraw(view, 60000));
        SaveScreenShot("autzen_tin_rgb.bmp");
        SendMessageA(view, WM_COMMAND, CMD_COLOR_TIN, 0);   // back to points
        UpdateWindow(view);
        ASSERT_TRUE(WaitForCachedDraw(view, 20000));
    }

    SetViewTool(view, TOOL_PROFILE);
    double w = set->maxX - set->minX, h = set->maxY - set->minY;
    double ax = set->minX + 0.15 * w, ay = set->minY + 0.4 * h;
    double bx = set->maxX - 0.15 * w, by = set->minY + 0.6 * h;
    Click(view, PixelOf(r, ax, ay));
    Click(view, PixelOf(r, bx, by));
    // The width: the mouse off the middle of the line.
    double mx = (ax + bx) / 2, my = (ay + by) / 2 + 0.02 * h;
    POINT widthAt = PixelOf(r, mx, my);
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(widthAt.x, widthAt.y));
    Click(view, widthAt);
    PumpMessages(50);
    HWND profile = r->profileWindow;
    ASSERT_NE(profile, nullptr);
    EXPECT_TRUE(IsWindow(profile));
    char title[300];
    GetWindowTextA(profile, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string(r->title) + " - Profile");

    // Exactly the shown points inside the box.
    ASSERT_NE(r->profilePoints, nullptr);
    RingPolygon* ring = PolylineToGpcPolygon(r->profilePolyline);
    std::set<const PointRecord*> inside;
    for (int k = 0; k < set->pointCount; k++)
        if (Shown(r, set->points[k]) && PointInPolygon(&ring->contour[0], set->points[k].x, set->points[k].y))
            inside.insert(&set->points[k]);
    FreePolygon(ring);
    std::set<const PointRecord*> selected(r->profilePoints->items, r->profilePoints->items + r->profilePoints->count);
    EXPECT_EQ(selected.size(), (size_t)r->profilePoints->count);
    EXPECT_EQ(selected, inside);
    EXPECT_GT(inside.size(), 100u);

    // The profile draws its points.
    InvalidateRect(profile, nullptr, TRUE);
    UpdateWindow(profile);
    ASSERT_TRUE(WaitForViewDraw(profile, 10000));
    UpdateWindow(view);
    WaitForCachedDraw(view, 20000);
    SaveScreenShot("autzen_profile.bmp");

    SendMessageA(view, WM_CLOSE, 0, 0);
    PumpMessages(50);
    EXPECT_FALSE(IsWindow(view));
    EXPECT_FALSE(IsWindow(profile));
}
