// The plan view's density and profile tools driven through the view's window
// procedure, the profile box geometry, and the scrolling that keeps the
// profile line in sight.
#include "point_sets.h"
#include "window_fixtures.h"
#include "views/plan/view_zoom.h"
#include "app/frame_bars.h"
#include "shell/view_tools.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/selection.h"
#include "views/plan/density_tool.h"
#include "views/plan/point_tip.h"
#include "views/plan/profile_box.h"
#include "views/plan/scrolling.h"
#include <cmath>
#include <cstdio>

namespace {

std::vector<std::string>& logged = KeptLog();

class PlanToolsTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        logged.clear();
        SetLogHook(KeepLog);
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        DestroyDensityTooltip();
        ViewFixture::TearDown();
    }

    // A plan view over the points, fitted to its window.
    HWND PointView(const std::vector<PointRecord>& points)
    {
        DataSet* set = MakePointDataSet(points);
        strcpy(set->title, "grid.las");
        HWND view = OpenView({set}, 0, 0, "grid");
        PumpMessages(20);
        return view;
    }

    // Points at every whole metre of a square.
    static std::vector<PointRecord> Grid(double x0, double y0, int n, float z = 10.0f)
    {
        std::vector<PointRecord> points;
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++) points.push_back(MakePoint(x0 + i, y0 + j, z + 0.01f * i, 2));
        return points;
    }

    static POINT PixelOf(const ViewRecord* r, double x, double y)
    {
        return {(LONG)std::lround((x - r->viewLeft) / r->scale), (LONG)std::lround((r->viewTop - y) / r->scale)};
    }
    static void Click(HWND view, POINT p, UINT message = WM_LBUTTONDOWN)
    {
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        SendMessageA(view, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(p.x, p.y));
    }
    // The density the view measures in the box from corner a to corner b.
    static float BoxDensity(HWND view, Vec3 a, Vec3 b)
    {
        ViewRecord* r = Record(view);
        FreePolyline(r->densityPolyline);
        r->densityPolyline = MakeDensityBox(&a, &b);
        return MeasureBoxDensity(view);
    }
    static std::string DensityText(HWND view)
    {
        char text[256];
        GetTipText(DensityTooltip(), view, text, sizeof text);
        return text;
    }
};

}  // namespace

// ---- density --------------------------------------------------------------------------

TEST_F(PlanToolsTest, DensityOfAOnePointPerSquareMetreGridIsOne)
{
    HWND view = PointView(Grid(1000.0, 5000000.0, 60));
    // Half-metre corners: every whole metre inside lies strictly within.
    EXPECT_FLOAT_EQ(BoxDensity(view, {1010.5, 5000010.5, 0}, {1030.5, 5000040.5, 0}), 1.0f);
    // At a northing of five million a 32-bit float steps by half a metre:
    // corners that close to the points would take in or drop a whole row.
    EXPECT_FLOAT_EQ(BoxDensity(view, {1010.5, 5000010.26, 0}, {1020.5, 5000020.26, 0}), 1.0f);
}

TEST_F(PlanToolsTest, DensityNeedsHalfASquareUnit)
{
    HWND view = PointView(Grid(0.0, 0.0, 10));
    EXPECT_FLOAT_EQ(BoxDensity(view, {2.0, 2.0, 0}, {3.0, 2.5, 0}), 2.0f / 0.5f);   // 1 x 0.5: counts
    EXPECT_LT(BoxDensity(view, {2.0, 2.0, 0}, {2.7, 2.7, 0}), 0.0f);   // 0.7 x 0.7 = 0.49: too small
}

TEST_F(PlanToolsTest, DensityCountsShownClassesAndReturnsOnly)
{
    std::vector<PointRecord> points = Grid(0.0, 0.0, 4);   // 16 single returns, class 2
    points[0].classification = 7;                        // a hidden class
    points[1].returns = 0;                               // 0 of 0: in no category
    points[2].returns = (uint8_t)(1 | (3 << 3));         // first of three
    points[3].returns = (uint8_t)(2 | (3 << 3));         // intermediate
    points[4].returns = (uint8_t)(3 | (3 << 3));         // last
    HWND view = PointView(points);
    ViewRecord* r = Record(view);
    r->classTable.entries[7].display = 0;
    EXPECT_FLOAT_EQ(BoxDensity(view, {-0.5, -0.5, 0}, {3.5, 3.5, 0}), 14.0f / 16.0f);
    r->showSingleReturns = 0;
    EXPECT_FLOAT_EQ(MeasureBoxDensity(view), 3.0f / 16.0f);
    r->showIntermediateReturns = 0;
    EXPECT_FLOAT_EQ(MeasureBoxDensity(view), 2.0f / 16.0f);
}

TEST_F(PlanToolsTest, TheDensityToolShowsItsTextAndATooSmallAreaSaysSo)
{
    HWND view = PointView(Grid(0.0, 0.0, 100));
    ViewRecord* r = Record(view);
    SetViewTool(view, TOOL_DENSITY);
    POINT p0 = PixelOf(r, 20, 80), p1 = PixelOf(r, 60, 30);
    Click(view, p0);
    EXPECT_EQ(r->toolActive, 1);
    Click(view, p1);
    EXPECT_EQ(r->toolActive, 0);
    ASSERT_NE(r->densityPolyline, nullptr);
    double x0 = p0.x * r->scale + r->viewLeft, y0 = r->viewTop - p0.y * r->scale;
    double x1 = p1.x * r->scale + r->viewLeft, y1 = r->viewTop - p1.y * r->scale;
    int count = 0;
    for (int i = 0; i < 100; i++)
        for (int j = 0; j < 100; j++)
            if (i >= x0 && i <= x1 && j >= y1 && j <= y0) count++;
    float expected = (float)(count / ((x1 - x0) * (y0 - y1)));
    EXPECT_FLOAT_EQ(r->densityValue, expected);
    char text[64];
    snprintf(text, sizeof text, kDensityTipFormat, expected);
    EXPECT_EQ(DensityText(view), text);
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(p1.x + 3, p1.y));
    snprintf(text, sizeof text, " %.3f", expected);
    EXPECT_EQ(StatusText(view, 4), text);

    // A new draw and a repaint from the cached picture draw the box again over it.
    auto boxShown = [&] {
        HDC dc = GetDC(view);
        int onBox = 0, x = (p0.x + p1.x) / 2;
        for (int y = p0.y - 1; y <= p0.y + 1; y++) onBox += GetPixel(dc, x, y) == (CachePixel(r, x, y) ^ RGB(0, 255, 0));
        ReleaseDC(view, dc);
        return onBox > 0;
    };
    InvalidateView(view, 1);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 5000));
    EXPECT_TRUE(boxShown()) << "after a draw";
    InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
    EXPECT_TRUE(boxShown()) << "after a repaint";

    // One pixel square is far below half a square metre.
    Click(view, p0);
    Click(view, {p0.x + 1, p0.y + 1});
    EXPECT_LT(r->densityValue, 0.0f);
    EXPECT_EQ(DensityText(view), kAreaTooSmall);
    // The right button takes box and tip away.
    Click(view, p0, WM_RBUTTONDOWN);
    EXPECT_EQ(r->densityPolyline, nullptr);
    EXPECT_EQ(DensityTooltip(), nullptr);
}

// ---- profile box geometry ----------------------------------------------------------------

namespace {

void ExpectVertices(const struct Polyline* box, std::initializer_list<std::pair<double, double>> corners)
{
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->vertexCount, 4);
    int k = 0;
    for (auto& c : corners) {
        EXPECT_NEAR(box->vertices[k].x, c.first, 1e-9) << k;
        EXPECT_NEAR(box->vertices[k].y, c.second, 1e-9) << k;
        k++;
    }
}

}  // namespace

TEST(ProfileBox, AxisAlignedAndObliqueLinesGiveTheirBoxes)
{
    Vec3 a = {100.0, 5000000.0, 0}, east = {160.0, 5000000.0, 0}, north = {100.0, 5000030.0, 0};
    struct Polyline* box = MakeProfileBox(&a, &east, 4.0);
    ExpectVertices(box, {{100, 4999998}, {100, 5000002}, {160, 5000002}, {160, 4999998}});
    FreePolyline(box);
    box = MakeProfileBox(&a, &north, 4.0);
    ExpectVertices(box, {{98, 5000000}, {102, 5000000}, {102, 5000030}, {98, 5000030}});
    FreePolyline(box);
    Vec3 b = {110.0, 5000010.0, 0};
    box = MakeProfileBox(&a, &b, 2 * std::sqrt(2.0));
    ExpectVertices(box, {{101, 4999999}, {99, 5000001}, {109, 5000011}, {111, 5000009}});
    FreePolyline(box);
}

// ---- the profile tool ----------------------------------------------------------------------

namespace {

class ProfileToolTest : public PlanToolsTest {
protected:
    HWND view = nullptr;
    ViewRecord* r = nullptr;
    void SetUp() override
    {
        PlanToolsTest::SetUp();
        view = PointView(Grid(0.0, 0.0, 100));
        r = Record(view);
        SetViewTool(view, TOOL_PROFILE);
    }
    void TearDown() override
    {
        if (r && r->profileWindow) linked.push_back(r->profileWindow);
        PlanToolsTest::TearDown();
    }
    // Line from A to B, the width set by the mouse at W, committed there.
    void DrawBox(double ax, double ay, double bx, double by, double wx, double wy)
    {
        Click(view, PixelOf(r, ax, ay));
        Click(view, PixelOf(r, bx, by));
        POINT w = PixelOf(r, wx, wy);
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(w.x, w.y));
        Click(view, w);
        PumpMessages(20);
    }
};

}  // namespace

TEST_F(ProfileToolTest, AnEastWestLineMakesAnAxisAlignedBoxAndCollectsItsPoints)
{
    DrawBox(10, 50, 90, 50, 50, 54);
    ASSERT_NE(r->profileWindow, nullptr);
    ASSERT_NE(r->profilePolyline, nullptr);
    // The clicks snap to pixels: compare with the box the tool kept.
    const Vec3 a = r->profileA, b = r->profileB;
    EXPECT_EQ(a.y, b.y);
    double h = r->profileWidth / 2.0;
    ExpectVertices(r->profilePolyline, {{a.x, a.y - h}, {a.x, a.y + h}, {b.x, b.y + h}, {b.x, b.y - h}});
    EXPECT_NEAR(h, 4.0, 2 * r->scale);
    // Every point inside the box, and no other.
    RingPolygon* ring = PolylineToGpcPolygon(r->profilePolyline);
    int inside = 0;
    for (int i = 0; i < 100; i++)
        for (int j = 0; j < 100; j++) inside += PointInPolygon(&ring->contour[0], i, j) ? 1 : 0;
    FreePolygon(ring);
    ASSERT_NE(r->profilePoints, nullptr);
    EXPECT_EQ(r->profilePoints->count, inside);
    double length = b.x - a.x;
    for (int k = 0; k < r->profilePoints->count; k++) {
        const PointRecord* p = r->profilePoints->items[k];
        EXPECT_NEAR(r->profileCopy[k].x, p->x - a.x + 0.05 * length, 1e-9);
        EXPECT_EQ(r->profileCopy[k].y, (double)p->z);
        EXPECT_EQ(r->profileCopy[k].classification, p->classification);
    }
    EXPECT_EQ(r->profile.minX, 0.0);
    EXPECT_NEAR(r->profile.maxX, 1.1 * length, 1e-9);
}

TEST_F(ProfileToolTest, AnObliqueDragKeepsItsWidthWhenTheMousePassesTheLineEnd)
{
    Click(view, PixelOf(r, 20, 20));
    Click(view, PixelOf(r, 60, 60));
    EXPECT_EQ(r->toolState, 1);
    EXPECT_EQ(r->profileWidth, 2.0f);
    POINT w = PixelOf(r, 36, 44);   // about 5.7 m off the line's middle
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(w.x, w.y));
    float width = r->profileWidth;
    Vec3 mouse = {w.x * r->scale + r->viewLeft, r->viewTop - w.y * r->scale, 0};
    EXPECT_NEAR(width, 2 * PointLineDistance(mouse.x, mouse.y, &r->profileA, &r->profileB), 1e-4);
    POINT past = PixelOf(r, 80, 70);   // beyond B: no perpendicular foot on the line
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(past.x, past.y));
    EXPECT_EQ(r->profileWidth, width);
    Click(view, past);
    PumpMessages(20);
    EXPECT_EQ(r->profileWidth, width);
    ASSERT_NE(r->profilePoints, nullptr);
    // The box is a rectangle of that width around the line.
    const Vec3* v = r->profilePolyline->vertices;
    EXPECT_NEAR(std::hypot(v[0].x - v[1].x, v[0].y - v[1].y), width, 1e-4);
    EXPECT_NEAR(std::hypot(v[1].x - v[2].x, v[1].y - v[2].y), std::hypot(r->profileB.x - r->profileA.x, r->profileB.y - r->profileA.y), 1e-9);
}

TEST_F(ProfileToolTest, WithAStaticWidthTheSecondClickOpensTheProfile)
{
    r->staticProfileWidth = 1;
    r->profileWidth = 6.0f;
    Click(view, PixelOf(r, 10, 30));
    Click(view, PixelOf(r, 10, 80));
    PumpMessages(20);
    EXPECT_EQ(r->toolActive, 0);
    ASSERT_NE(r->profileWindow, nullptr);
    EXPECT_EQ(r->profileWidth, 6.0f);
    EXPECT_NEAR(r->profilePolyline->vertices[1].x - r->profilePolyline->vertices[0].x, 6.0, 1e-9);
}

TEST_F(ProfileToolTest, UpThenDownReturnsTheBoxAndTheWheelStepsItFromAnywhere)
{
    DrawBox(10, 20, 70, 60, 45, 35);
    ASSERT_NE(r->profilePolyline, nullptr);
    Vec3 first[4];
    for (int k = 0; k < 4; k++) first[k] = r->profilePolyline->vertices[k];
    double width = r->profileWidth;
    // The box steps only between draws of the view.
    ASSERT_TRUE(WaitForViewDraw(view, 10000));
    EXPECT_EQ(MoveProfileBox(view, CMD_PAGE_UP), 1);
    // Half its width sideways.
    double shift = std::hypot(r->profilePolyline->vertices[0].x - first[0].x, r->profilePolyline->vertices[0].y - first[0].y);
    EXPECT_NEAR(shift, width / 2, 1e-6);
    ASSERT_TRUE(WaitForViewDraw(view, 10000));
    EXPECT_EQ(MoveProfileBox(view, CMD_PAGE_DOWN), 1);
    for (int k = 0; k < 4; k++) {
        EXPECT_NEAR(r->profilePolyline->vertices[k].x, first[k].x, 1e-6);
        EXPECT_NEAR(r->profilePolyline->vertices[k].y, first[k].y, 1e-6);
    }
    // The wheel far outside the view still steps the box.
    ASSERT_TRUE(WaitForViewDraw(view, 10000));
    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(5000, 5000));
    EXPECT_GT(std::hypot(r->profilePolyline->vertices[0].x - first[0].x, r->profilePolyline->vertices[0].y - first[0].y), 1.0);
    EXPECT_EQ(r->zoomLevel, 0);
}

TEST_F(ProfileToolTest, ABoxWithoutPointsSaysSoAndKeepsTheBox)
{
    DrawBox(10, 50, 90, 50, 50, 54);
    ASSERT_NE(r->profileWindow, nullptr);
    logged.clear();
    // Far outside the grid: nothing inside.
    r->profileA = {500, 500, 0};
    r->profileB = {600, 500, 0};
    CollectProfilePoints(view, 1);
    EXPECT_EQ(r->profilePoints, nullptr);
    EXPECT_EQ(r->profileCopy, nullptr);
    EXPECT_NE(r->profilePolyline, nullptr);
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged.back(), kNoProfilePoints);
}

TEST_F(ProfileToolTest, TheWidthDialogRefusesANonPositiveWidth)
{
    DrawBox(10, 50, 90, 50, 50, 54);
    BoxAnswers boxes;
    static const char* typed;
    SetDialogDriver([](HWND dialog, int id) {
        if (id != 306) return;
        CheckDlgButton(dialog, 1166, BST_CHECKED);
        SetDlgItemTextA(dialog, 1016, typed);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        if (IsWindow(dialog)) {   // refused: the dialog stays open
            SetDlgItemTextA(dialog, 1016, "12.5");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    typed = "-3";
    SendMessageA(view, WM_COMMAND, CMD_PROFILE_WIDTH, 0);
    SetDialogDriver(nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    char text[128];
    snprintf(text, sizeof text, kProfileWidthError, -3.0);
    EXPECT_EQ(boxes.shown()[0].text, text);
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(r->profileWidth, 12.5f);
    EXPECT_EQ(r->staticProfileWidth, 1);
    // The box was rebuilt at the new width.
    EXPECT_NEAR(r->profilePolyline->vertices[1].y - r->profilePolyline->vertices[0].y, 12.5, 1e-9);
}

// ---- keeping the profile in sight -------------------------------------------------------------

TEST_F(PlanToolsTest, AStepThatLeavesTheWindowScrollsTheLineMiddleToTheCentre)
{
    HWND view = OpenEmptyView("keep", 1000.0);
    ViewRecord* r = Record(view);
    int rect[4] = {100, 100, 100, 100};
    ZoomView(view, ZOOM_IN_AT, rect);
    ZoomView(view, ZOOM_IN_AT, rect);
    ASSERT_EQ(r->zoomLevel, 2);
    r->profileA = {(r->viewLeft + r->viewRight) / 2 - 10, (r->viewTop + r->viewBottom) / 2, 0};
    r->profileB = {r->profileA.x + 20, r->profileA.y, 0};
    EXPECT_EQ(KeepProfileBoxInView(view), 0);   // inside: nothing moves
    r->profileA = {r->dataMaxX - 30, r->dataMinY + 30, 0};
    r->profileB = {r->dataMaxX - 20, r->dataMinY + 30, 0};
    EXPECT_EQ(KeepProfileBoxInView(view), 1);
    double mx = r->profileA.x + 5, my = r->profileA.y;
    EXPECT_TRUE(r->viewLeft < mx && mx < r->viewRight && r->viewBottom < my && my < r->viewTop);
    RECT area;
    GetViewClientRect(view, &area);
    EXPECT_EQ(r->scrollX, r->imageWidth - area.right);   // clamped at the far corner
    EXPECT_EQ(r->scrollY, r->imageHeight - area.bottom);
}

TEST_F(PlanToolsTest, CentringOnALongProfilePutsItsWesternEndInside)
{
    HWND view = OpenEmptyView("centre", 1000.0);
    ViewRecord* r = Record(view);
    int rect[4] = {100, 100, 100, 100};
    EXPECT_EQ(CenterViewOnProfile(view), 0);   // zoom level 0
    for (int i = 0; i < 3; i++) ZoomView(view, ZOOM_IN_AT, rect);
    RECT area;
    GetViewClientRect(view, &area);
    // East to west, longer than the window.
    r->profileB = {r->dataMinX + 200, r->dataMinY + 500, 0};
    r->profileA = {r->profileB.x + (area.right + 60) * r->scale, r->profileB.y, 0};
    EXPECT_EQ(CenterViewOnProfile(view), 1);
    int xa = (int)((r->profileA.x - r->dataMinX) / r->scale), xb = (int)((r->profileB.x - r->dataMinX) / r->scale);
    int spare = area.right - std::abs(xa - xb);
    EXPECT_LT(spare, 0);
    EXPECT_EQ(r->scrollX, xb - std::abs(spare) / 2);
    EXPECT_NEAR(r->viewLeft, r->dataMinX + r->scrollX * r->scale, 1e-6);
}
