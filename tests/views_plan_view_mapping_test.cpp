// The plan view's world window: extents, fitting, centring, scrolling and
// resizing; the display-mode commands, the point size dialog and the TIN a
// view keeps for its display modes.
#include "point_sets.h"
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "resource.h"
#include "views/plan/view_mapping.h"
#include "views/plan/view_zoom.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <commctrl.h>
#include <cstdlib>

namespace {

// Four corners of a 1000 x 500 world rectangle.
std::vector<PointRecord> WideRectangle()
{
    return {MakePoint(1000, 2000, 10), MakePoint(2000, 2000, 20), MakePoint(1000, 2500, 30),
            MakePoint(2000, 2500, 40)};
}

using PlanMapping = ViewFixture;
using PlanViewTIN = ViewFixture;

// A view over the wide rectangle.
class WideView : public ViewFixture {
protected:
    HWND view = nullptr;
    void SetUp() override
    {
        ViewFixture::SetUp();
        view = OpenView({MakePointDataSet(WideRectangle())}, 100, 100);
    }
};
using ViewDisplayCommands = WideView;
using PointDisplaySize = WideView;

}  // namespace

TEST_F(PlanMapping, ExtentsGrowFivePercentAndWideDataFitsByWidth)
{
    HWND view = OpenView({MakePointDataSet(WideRectangle())}, 400, 300);
    ViewRecord* r = Record(view);
    EXPECT_DOUBLE_EQ(r->dataMinX, 950.0);
    EXPECT_DOUBLE_EQ(r->dataMaxX, 2050.0);
    EXPECT_DOUBLE_EQ(r->dataMinY, 1975.0);
    EXPECT_DOUBLE_EQ(r->dataMaxY, 2525.0);
    EXPECT_EQ(r->totalPoints, 4);
    EXPECT_EQ(r->autoDecimateTIN, 1);
    EXPECT_EQ(r->clientWidth, 400);
    EXPECT_EQ(r->clientHeight, 300);
    EXPECT_EQ(r->drawWidth, 401);
    EXPECT_EQ(r->drawHeight, 301);
    EXPECT_DOUBLE_EQ(r->scale, 1100.0 / 401);   // by width: 1100/401 > 550/301
    EXPECT_DOUBLE_EQ(r->fullScale, r->scale);
    EXPECT_EQ(r->imageWidth, 401);
    EXPECT_EQ(r->imageHeight, (int)(550.0 / r->scale + 0.5));
    EXPECT_LT(r->imageHeight, r->drawHeight);
    EXPECT_DOUBLE_EQ(r->viewLeft, 950.0);
    EXPECT_DOUBLE_EQ(r->viewTop, 2525.0);
    EXPECT_DOUBLE_EQ(r->viewRight, 950.0 + r->scale * 400);
    EXPECT_DOUBLE_EQ(r->viewBottom, 2525.0 - r->scale * 300);
    EXPECT_EQ(r->zoomLevel, 0);
}

TEST_F(PlanMapping, DrawingAreaLeavesOutTheStatusBar)
{
    HWND view = OpenView({MakePointDataSet(WideRectangle())}, 300, 400);
    RECT bar, client, rc;
    GetWindowRect((HWND)GetWindowSlot(view, CHILD_STATUSBAR), &bar);
    GetClientRect(view, &client);
    ASSERT_GT(bar.bottom - bar.top, 0);
    EXPECT_EQ(GetViewClientRect(view, &rc), bar.bottom - bar.top);
    EXPECT_EQ(rc.right, client.right);
    EXPECT_EQ(rc.bottom, client.bottom - (bar.bottom - bar.top));
    // Tall drawing area, wide data: still by width.
    EXPECT_DOUBLE_EQ(Record(view)->scale, 1100.0 / 301);
}

TEST_F(PlanMapping, CenterScrollAndResizeKeepTheWorldWindowInStep)
{
    HWND view = OpenView({MakePointDataSet(WideRectangle())}, 400, 300);
    ViewRecord* r = Record(view);
    r->scale = r->fullScale / 4;
    r->zoomLevel = 2;
    CenterViewAt(view, 1500, 2250);
    EXPECT_EQ(r->scrollX, (int)((1500 - 950) / r->scale) - 401 / 2);
    EXPECT_EQ(r->scrollY, (int)((2525 - 2250) / r->scale) - 301 / 2);
    EXPECT_DOUBLE_EQ(r->viewLeft, 950 + r->scrollX * r->scale);
    EXPECT_DOUBLE_EQ(r->viewTop, 2525 - r->scrollY * r->scale);
    EXPECT_DOUBLE_EQ(r->viewRight, 950 + r->scale * (401 + r->scrollX));
    EXPECT_EQ(r->imageWidth, (int)(1100 / r->scale + 0.5));
    // Near the corner the offsets stop at 0.
    CenterViewAt(view, 951, 2524);
    EXPECT_EQ(r->scrollX, 0);
    EXPECT_EQ(r->scrollY, 0);

    r->scrollX = 100;
    r->scrollY = 50;
    SetViewExtentsFromScroll(view);
    EXPECT_DOUBLE_EQ(r->viewLeft, 100 * r->scale + 950);
    EXPECT_DOUBLE_EQ(r->viewBottom, 2525 - r->scale * (50 + 301));

    double scale = r->scale;
    SizeView(view, 200, 100);
    EXPECT_DOUBLE_EQ(r->scale, scale);   // zoomed: scale and offsets kept
    EXPECT_EQ(r->drawWidth, 201);
    EXPECT_DOUBLE_EQ(r->viewRight, (100 + 201) * scale + 950);
    r->zoomLevel = 0;
    UpdateViewScale(view);   // fitted: fits again
    EXPECT_DOUBLE_EQ(r->scale, 1100.0 / 201);
}

TEST_F(PlanMapping, PointsAtTheLeftEdgeTruncateTowardZero)
{
    std::vector<DataSet*> sets;   // the view takes them over
    sets.push_back(MakePointDataSet(WideRectangle()));
    HWND view = OpenView(sets, 400, 300);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_CLASS;
    DataSet* set = sets[0];
    // Move two points: one exactly at the left edge, one 0.9 pixel left of it.
    set->points[0].x = r->viewLeft;
    set->points[0].y = r->viewTop - 10.5 * r->scale;
    set->points[1].x = r->viewLeft - 0.9 * r->scale;
    set->points[1].y = r->viewTop - 20.5 * r->scale;
    set->points[1].classification = 2;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawPointsOffscreen(view, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 10), r->classTable.entries[1].mainColor);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 20), r->classTable.entries[2].mainColor);
}

TEST_F(ViewDisplayCommands, TINTogglesAndCancelledContours)
{
    HWND v = view;
    ViewRecord* r = Record(view);
    EXPECT_EQ(ViewDisplayCommand(v, CMD_COLOR_TIN), 1);
    EXPECT_EQ(r->displayMode, CMD_COLOR_TIN);
    ViewDisplayCommand(v, CMD_COLOR_TIN);
    EXPECT_EQ(r->displayMode, DISPLAY_POINTS);
    ViewDisplayCommand(v, CMD_COLOR_TIN);
    ViewDisplayCommand(v, CMD_GRAY_TIN);
    EXPECT_EQ(r->displayMode, CMD_GRAY_TIN);
    ViewDisplayCommand(v, CMD_BACKGROUND_REF);
    EXPECT_EQ(r->displayMode, CMD_BACKGROUND_REF);
    ViewDisplayCommand(v, CMD_BACKGROUND_REF);
    EXPECT_EQ(r->displayMode, DISPLAY_POINTS);
    ViewDisplayCommand(v, CMD_POINTS_OVER_BACK);
    EXPECT_EQ(r->overlayPointsOverBackground, 1);
    ResetViewDisplayMode(v);
    EXPECT_EQ(r->overlayPointsOverBackground, 0);
    // The contour dialog is cancelled: the overlay goes off again, nothing redrawn.
    r->imageCacheValid = 1;
    SetDialogDriver([](HWND dialog, int) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(ViewDisplayCommand(v, CMD_CONTOURS), 0);
    SetDialogDriver(nullptr);
    EXPECT_EQ(r->overlayContours, 0);
    EXPECT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(ViewDisplayCommand(v, 1234), 0);
    r->imageCacheValid = 0;
}

namespace {
int DriverSize;
int DriverButton;
void MovePointSizeBar(HWND dialog, int)
{
    HWND bar = GetDlgItem(dialog, IDC_POINT_SIZE_SLIDER);
    SendMessageA(bar, TBM_SETPOS, TRUE, DriverSize);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, DriverSize), (LPARAM)bar);
    char text[16] = "";
    GetDlgItemTextA(dialog, IDC_POINT_SIZE_TEXT, text, sizeof text);
    EXPECT_EQ(atoi(text), DriverSize);
    SendMessageA(dialog, WM_COMMAND, 1169, 0);   // Apply redraws with the new size
    SendMessageA(dialog, WM_COMMAND, DriverButton, 0);
}
}  // namespace

TEST_F(PointDisplaySize, OkKeepsTheSizeAndCancelRestoresIt)
{
    ViewRecord* r = Record(view);
    r->pointSizeStep = 2;
    DriverSize = 5;
    DriverButton = IDOK;
    SetDialogDriver(MovePointSizeBar);
    r->imageCacheValid = 1;
    EXPECT_EQ(ShowDialog(IDD_POINT_SIZE, nullptr, PointDisplaySizeDlgProc, (LPARAM)view), 1);
    EXPECT_EQ(r->pointSizeStep, 5);
    EXPECT_EQ(r->imageCacheValid, 0);
    DriverSize = 1;
    DriverButton = IDCANCEL;
    EXPECT_EQ(ShowDialog(IDD_POINT_SIZE, nullptr, PointDisplaySizeDlgProc, (LPARAM)view), 2);
    EXPECT_EQ(r->pointSizeStep, 5);
    SetDialogDriver(nullptr);
}

TEST_F(PlanViewTIN, BuiltForTINModesDroppedAndRebuilt)
{
    // Ground (class 2) points go into the TIN by default; class 1 does not.
    std::vector<PointRecord> pts;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++) pts.push_back(MakePoint(i * 10.0 + (j % 2), j * 10.0, (float)(i + j), 2));
    pts.push_back(MakePoint(5, 5, 0, 1));
    HWND view = OpenView({MakePointDataSet(pts)}, 200, 200);
    ViewRecord* r = Record(view);
    HWND v = view;

    EnsureViewTIN(v);   // points mode, no contours: no TIN needed
    EXPECT_EQ(r->tin, nullptr);
    r->displayMode = CMD_COLOR_TIN;
    EnsureViewTIN(v);
    ASSERT_NE(r->tin, nullptr);
    EXPECT_EQ(r->tin->points->count, 25);
    EXPECT_GT(r->tin->triangleCount, 0);

    r->imageCacheValid = r->tinCacheValid = 1;
    EXPECT_EQ(DropViewTIN(v), 1);
    EXPECT_EQ(r->tin, nullptr);
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_EQ(r->tinCacheValid, 0);

    r->displayMode = DISPLAY_POINTS;
    EXPECT_EQ(RebuildViewTIN(v), 1);
    ASSERT_NE(r->tin, nullptr);
    EXPECT_EQ(DropViewTIN(v), 1);   // points mode, no contours: the TIN stays
    EXPECT_NE(r->tin, nullptr);

    // Too few TIN points: no TIN, and the small selection is not kept.
    r->classTable.entries[2].tinDisplay = 0;
    r->classTable.entries[1].tinDisplay = 1;
    EXPECT_EQ(RebuildViewTIN(v), 1);
    EXPECT_EQ(r->tin, nullptr);
    PumpMessages(10);
}

// An area without TIN points is told once; a zoom that brings such points
// into the view builds the TIN again without another toggle of the mode.
TEST_F(PlanViewTIN, AZoomOutOfAnAreaWithoutTINPointsBuildsItAgain)
{
    std::vector<PointRecord> pts;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++) pts.push_back(MakePoint(i * 2.0 + (j % 2) * 0.5, j * 2.0, (float)(i + j), 2));
    pts.push_back(MakePoint(100, 100, 0, 1));
    HWND view = OpenView({MakePointDataSet(pts)}, 200, 200);
    ViewRecord* r = Record(view);
    BoxAnswers boxes;
    r->displayMode = CMD_COLOR_TIN;
    int at[4];
    at[0] = at[2] = (int)((100 - r->viewLeft) / r->scale);
    at[1] = at[3] = (int)((r->viewTop - 100) / r->scale);
    ASSERT_EQ(ZoomView(view, ZOOM_IN_AT, at), 1);
    ASSERT_EQ(ZoomView(view, ZOOM_IN_AT, at), 1);
    ASSERT_GT(r->viewBottom, 20.0);
    EnsureViewTIN(view);
    EXPECT_EQ(r->tin, nullptr);
    PumpMessages(10);
    ASSERT_TRUE(ShowedOneBox(boxes, kNoTINPointsText));
    ASSERT_EQ(ZoomFullExtent(view), 1);
    EnsureViewTIN(view);
    ASSERT_NE(r->tin, nullptr);
    EXPECT_EQ(r->tin->points->count, 25);
}

