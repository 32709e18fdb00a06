// The profile window over a sample file: a box drawn with the profile tool
// opens it with exactly the points inside the box, it draws them, and it goes
// when its plan view closes. With VELKA_SHOT_DIR set, the screen is saved as
// .bmp files along the way (shaded TIN, plan view with its profile).
#include "window_fixtures.h"
#include "point_sets.h"
#include "app/command_ids.h"
#include "shell/frame.h"
#include "app/job_control.h"
#include "shell/open_files.h"
#include "shell/view_window.h"
#include "shell/view_tools.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "app/app_windows.h"
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

// A box with the profile tool from A to B (fractions of the data set's extent),
// its width set by a click just off the middle of the line.
void DrawBox(HWND view, double fax, double fay, double fbx, double fby)
{
    ViewRecord* r = ViewRecordOf(view);
    const DataSet* set = r->currentDataSet;
    SetViewTool(view, TOOL_PROFILE);
    double w = set->maxX - set->minX, h = set->maxY - set->minY;
    double ax = set->minX + fax * w, ay = set->minY + fay * h;
    double bx = set->minX + fbx * w, by = set->minY + fby * h;
    Click(view, PixelOf(r, ax, ay));
    Click(view, PixelOf(r, bx, by));
    POINT widthAt = PixelOf(r, (ax + bx) / 2, (ay + by) / 2 + 0.02 * h);
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(widthAt.x, widthAt.y));
    Click(view, widthAt);
    PumpMessages(50);
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
    ViewRecord* r = ViewRecordOf(view);
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

    DrawBox(view, 0.15, 0.4, 0.85, 0.6);
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

// A full view keeps one scale for distance and elevation over the data set's
// whole elevation range: a long box fills the width, a short one the height
// (and so only the left part of the width, until the automatic zoom or the
// user zooms in). The same boxes on the file opened again give the same views.
TEST_F(ProfileOnSample, AFullViewFillsOneAxisAndAReopenedFileGivesTheSameViews)
{
    ASSERT_FALSE(SampleDir().empty()) << "sample data missing";
    struct Seen {
        double scale, fullScale, maxX, minY, maxY;
        int level, width, height;
        RECT frame, client;   // the frame's and the MDI client's client areas, to tell a layout that moved
    };
    auto twoBoxes = [](HWND view, Seen seen[2]) {
        ViewRecord* r = ViewRecordOf(view);
        const double boxes[2][4] = {{0.1, 0.5, 0.9, 0.5}, {0.3, 0.3, 0.4, 0.3}};
        for (int k = 0; k < 2; k++) {
            DrawBox(view, boxes[k][0], boxes[k][1], boxes[k][2], boxes[k][3]);
            ASSERT_NE(r->profileWindow, nullptr);
            const ViewMapping& m = r->profile;
            seen[k] = {m.scale, m.fullScale, m.maxX, m.minY, m.maxY, m.zoomLevel, m.clientWidth, m.clientHeight, {}, {}};
            GetClientRect(FrameWindow, &seen[k].frame);
            GetWindowRect(MDIClientWindow, &seen[k].client);
            double across = (m.maxX - m.minX) / m.drawWidth, up = (m.maxY - m.minY) / m.drawHeight;
            EXPECT_DOUBLE_EQ(m.fullScale, across > up ? across : up) << k;
        }
        EXPECT_EQ(seen[0].level, 0);
        EXPECT_LT(seen[1].maxX / seen[1].fullScale, 0.5 * seen[1].width) << "bound by the elevation range";
    };
    BoxAnswers boxes;
    HWND view = StartFrameOnSample("autzen_trim.las");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(WaitForCachedDraw(view, 20000));
    Seen first[2], again[2];
    twoBoxes(view, first);
    SendMessageA(view, WM_CLOSE, 0, 0);
    PumpMessages(50);
    ASSERT_TRUE(OpenFileInNewView(SamplePath("autzen_trim.las").c_str()));
    PumpMessages(50);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ASSERT_TRUE(WaitForCachedDraw(views[0], 20000));
    twoBoxes(views[0], again);
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(again[k].level, first[k].level);
        EXPECT_EQ(again[k].width, first[k].width);
        EXPECT_EQ(again[k].height, first[k].height)
            << "frame " << again[k].frame.bottom << " against " << first[k].frame.bottom << ", MDI client top "
            << again[k].client.top << " against " << first[k].client.top << ", bottom " << again[k].client.bottom
            << " against " << first[k].client.bottom;
        EXPECT_DOUBLE_EQ(again[k].scale, first[k].scale);
        EXPECT_DOUBLE_EQ(again[k].fullScale, first[k].fullScale);
        EXPECT_DOUBLE_EQ(again[k].maxX, first[k].maxX);
        EXPECT_DOUBLE_EQ(again[k].minY, first[k].minY);
        EXPECT_DOUBLE_EQ(again[k].maxY, first[k].maxY);
    }
}
