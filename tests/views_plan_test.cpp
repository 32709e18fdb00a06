// Plan view: mapping and fitting, colour ramps, points by colour mode with
// their filters and decimation, the draw thread's cancel and image cache.
#include "test_support.h"
#include "app/command_ids.h"
#include "resource.h"
#include "base/palette.h"
#include "views/plan/draw_points.h"
#include "views/plan/view_mapping.h"
#include "plan_draw_support.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "views/plan/color_ramp.h"
#include <cstdlib>
#include <memory>
#include <commctrl.h>
#include "base/messages.h"
#include "data/tin_model.h"

namespace {

// Four corners of a 1000 x 500 world rectangle.
std::vector<PointRecord> WideRectangle()
{
    return {MakePoint(1000, 2000, 10), MakePoint(2000, 2000, 20), MakePoint(1000, 2500, 30),
            MakePoint(2000, 2500, 40)};
}

struct DataSetHolder {
    std::vector<DataSet*> sets;
    ~DataSetHolder()
    {
        for (DataSet* s : sets) FreeTestDataSet(s);
    }
};

}  // namespace

TEST(PlanMapping, ExtentsGrowFivePercentAndWideDataFitsByWidth)
{
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(WideRectangle()));
    TestPlanView view(400, 300, data.sets, false);
    ViewRecord* r = view.record;
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

TEST(PlanMapping, DrawingAreaLeavesOutTheStatusBar)
{
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(WideRectangle()));
    TestPlanView view(300, 400, data.sets, false, 20);
    RECT rc;
    EXPECT_EQ(GetViewClientRect(view.window, &rc), 20);
    EXPECT_EQ(rc.right, 300);
    EXPECT_EQ(rc.bottom, 400);
    // Tall drawing area, wide data: still by width.
    EXPECT_DOUBLE_EQ(view.record->scale, 1100.0 / 301);
}

TEST(PlanMapping, CenterScrollAndResizeKeepTheWorldWindowInStep)
{
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(WideRectangle()));
    TestPlanView view(400, 300, data.sets, false);
    ViewRecord* r = view.record;
    r->scale = r->fullScale / 4;
    r->zoomLevel = 2;
    CenterViewAt(view.window, 1500, 2250);
    EXPECT_EQ(r->scrollX, (int)((1500 - 950) / r->scale) - 401 / 2);
    EXPECT_EQ(r->scrollY, (int)((2525 - 2250) / r->scale) - 301 / 2);
    EXPECT_DOUBLE_EQ(r->viewLeft, 950 + r->scrollX * r->scale);
    EXPECT_DOUBLE_EQ(r->viewTop, 2525 - r->scrollY * r->scale);
    EXPECT_DOUBLE_EQ(r->viewRight, 950 + r->scale * (401 + r->scrollX));
    EXPECT_EQ(r->imageWidth, (int)(1100 / r->scale + 0.5));
    // Near the corner the offsets stop at 0.
    CenterViewAt(view.window, 951, 2524);
    EXPECT_EQ(r->scrollX, 0);
    EXPECT_EQ(r->scrollY, 0);

    r->scrollX = 100;
    r->scrollY = 50;
    SetViewExtentsFromScroll(view.window);
    EXPECT_DOUBLE_EQ(r->viewLeft, 100 * r->scale + 950);
    EXPECT_DOUBLE_EQ(r->viewBottom, 2525 - r->scale * (50 + 301));

    double scale = r->scale;
    SetWindowPos(view.window, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
    UpdateViewScale(view.window);
    EXPECT_DOUBLE_EQ(r->scale, scale);   // zoomed: scale and offsets kept
    EXPECT_EQ(r->drawWidth, 201);
    EXPECT_DOUBLE_EQ(r->viewRight, (100 + 201) * scale + 950);
    r->zoomLevel = 0;
    UpdateViewScale(view.window);   // fitted: fits again
    EXPECT_DOUBLE_EQ(r->scale, 1100.0 / 201);
}

TEST(PlanMapping, PointsAtTheLeftEdgeTruncateTowardZero)
{
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(WideRectangle()));
    TestPlanView view(400, 300, data.sets, false);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_CLASS;
    DataSet* set = data.sets[0];
    // Move two points: one exactly at the left edge, one 0.9 pixel left of it.
    set->points[0].x = r->viewLeft;
    set->points[0].y = r->viewTop - 10.5 * r->scale;
    set->points[1].x = r->viewLeft - 0.9 * r->scale;
    set->points[1].y = r->viewTop - 20.5 * r->scale;
    set->points[1].classification = 2;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawPointsOffscreen(view.window, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 10), r->classTable.entries[1].mainColor);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 20), r->classTable.entries[2].mainColor);
}

TEST(ColorRamps, EntriesAtEndsAndMiddle)
{
    uint8_t e[768][3];
    ASSERT_EQ(BuildBlueRedRamp(e), 768);
    auto rgb = [&](int i) { return RGB(e[i][0], e[i][1], e[i][2]); };
    EXPECT_EQ(rgb(0), RGB(0, 0, 191));
    EXPECT_EQ(rgb(191), RGB(0, 191, 191));
    EXPECT_EQ(rgb(383), RGB(0, 191, 0));
    EXPECT_EQ(rgb(384), RGB(0, 191, 0));
    EXPECT_EQ(rgb(575), RGB(191, 191, 0));
    EXPECT_EQ(rgb(767), RGB(191, 0, 0));
    ASSERT_EQ(BuildEarthToneRamp(e), 143);
    EXPECT_EQ(rgb(0), RGB(63, 81, 57));
    EXPECT_EQ(rgb(71), RGB(139, 110, 69));
    EXPECT_EQ(rgb(142), RGB(156, 156, 156));
    ASSERT_EQ(BuildNineColorRamp(e), 9);
    EXPECT_EQ(rgb(0), RGB(11, 51, 125));
    EXPECT_EQ(rgb(4), RGB(0, 185, 80));
    EXPECT_EQ(rgb(8), RGB(185, 113, 44));
}

TEST(ColorRamps, LookupClampsAndTheMiddleIsGreen)
{
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet({MakePoint(0, 0, 100), MakePoint(10, 10, 200)}));
    data.sets.push_back(MakePointDataSet({MakePoint(0, 0, 150), MakePoint(10, 10, 300)}));
    TestPlanView view(100, 100, data.sets, false);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_ELEVATION;
    SetupPointColorRamp(view.window);
    EXPECT_FLOAT_EQ(r->rampMinZ, 100.0f);   // over all data sets
    EXPECT_FLOAT_EQ(r->rampMaxZ, 300.0f);
    EXPECT_EQ(r->rampCount, 768);
    EXPECT_EQ(GetRampIndex(300.0f, r), 767);
    EXPECT_EQ(GetRampIndex(99.0f, r), 0);
    EXPECT_EQ(GetRampIndex(1e6f, r), 767);
    EXPECT_EQ(GetRampIndex(200.0f, r), 384);
    EXPECT_EQ(GetRampColor(200.0f, r), RGB(0, 191, 0));
    r->pointColorMode = CMD_COLOR_EARTH;
    SetupPointColorRamp(view.window);
    EXPECT_EQ(r->rampCount, 143);
    r->tinColorMode = 2;
    SetupTINColorRamp(view.window);
    EXPECT_EQ(r->rampCount, 9);
    EXPECT_EQ(GetRampEntry(300.0f, r)[0], 185);
    // One height for everything: every Z maps inside the ramp.
    data.sets[1]->rampLowZ = data.sets[1]->rampHighZ = 100.0f;
    data.sets[0]->rampLowZ = data.sets[0]->rampHighZ = 100.0f;
    r->tinColorMode = 0;
    SetupTINColorRamp(view.window);
    EXPECT_EQ(GetRampIndex(100.0f, r), 0);
    EXPECT_EQ(GetRampIndex(101.0f, r), 767);
}

TEST(ColorRamps, PaletteWrapsAtTwenty)
{
    EXPECT_EQ(GetPaletteColor(0), RGB(0, 255, 255));
    EXPECT_EQ(GetPaletteColor(20), GetPaletteColor(0));
    EXPECT_EQ(GetPaletteColor(7), RGB(255, 255, 255));
    EXPECT_EQ(GetPaletteColor(19), RGB(255, 190, 128));
    EXPECT_EQ(GetPaletteColor(10), (COLORREF)0x003480);
}

namespace {

// Three files of one point each on distinct pixels of a 100 x 100 view whose
// world is 0..100 in both axes (fitted scale 1.1 per pixel after the margin).
struct ModeFixture {
    DataSetHolder data;
    std::unique_ptr<TestPlanView> view;
    ModeFixture()
    {
        PointRecord a = MakePoint(10, 90, 0, 2, 0);
        a.intensity = 500;
        a.pointSourceId = 3;
        a.flags = 0x08 | 0x02;   // key point, channel 2
        a.red = 10; a.green = 20; a.blue = 30;
        a.returns = (uint8_t)(2 | (3 << 3) | (2 << 6));
        PointRecord b = MakePoint(50, 50, 50, 5, 1);
        b.intensity = 1000;
        b.pointSourceId = 4;
        b.flags = 0;
        b.red = 200; b.green = 100; b.blue = 50;
        PointRecord c = MakePoint(90, 10, 100, 6, 3);
        c.intensity = 0;
        c.returns = (uint8_t)(7 | (7 << 3) | (3 << 6));
        c.flags = 0x20 | 0x10;   // overlap and withheld
        data.sets.push_back(MakePointDataSet({a}));
        data.sets.push_back(MakePointDataSet({b}));
        data.sets.push_back(MakePointDataSet({c}));
        // One extent and one range over all three.
        for (DataSet* s : data.sets) {
            s->minX = s->minY = 0;
            s->maxX = s->maxY = 100;
            s->rampLowZ = 0;
            s->rampHighZ = 100;
            s->intensityLow = 0;
            s->intensityHigh = 1000;
            s->sourceIdTable[3].color = RGB(1, 2, 3);
            s->sourceIdTable[4].color = RGB(4, 5, 6);
        }
        view.reset(new TestPlanView(100, 100, data.sets, false));
    }
    // Pixel of a world point under the view's mapping.
    POINT At(double x, double y) const
    {
        const ViewRecord* r = view->record;
        return {(int)((x - r->viewLeft) / r->scale), (int)((r->viewTop - y) / r->scale)};
    }
    std::vector<COLORREF> Draw(int mode)
    {
        view->record->pointColorMode = mode;
        std::vector<uint32_t> px;
        EXPECT_EQ(DrawPointsOffscreen(view->window, &px, RGB(1, 1, 1)), 1);
        std::vector<COLORREF> out;
        for (auto p : {At(10, 90), At(50, 50), At(90, 10)}) out.push_back(PixelAt(px, view->record->drawWidth, p.x, p.y));
        return out;
    }
};

}  // namespace

TEST(PointColorModes, EachModeColoursChosenPoints)
{
    ModeFixture f;
    ViewRecord* r = f.view->record;
    auto c = f.Draw(CMD_COLOR_ELEVATION);
    EXPECT_EQ(c[0], RGB(0, 0, 191));
    EXPECT_EQ(c[1], RGB(0, 191, 0));
    EXPECT_EQ(c[2], RGB(191, 0, 0));
    EXPECT_EQ(r->rampCount, 768);
    c = f.Draw(CMD_COLOR_EARTH);
    EXPECT_EQ(c[0], RGB(63, 81, 57));
    EXPECT_EQ(c[2], RGB(156, 156, 156));
    EXPECT_EQ(r->currentDataSet, f.data.sets[2]);   // each drawer makes its set current
    c = f.Draw(CMD_COLOR_CLASS);
    EXPECT_EQ(c[0], r->classTable.entries[2].mainColor);
    EXPECT_EQ(c[1], r->classTable.entries[5].mainColor);
    EXPECT_EQ(c[2], r->classTable.entries[6].mainColor);
    c = f.Draw(CMD_COLOR_INTENSITY);
    EXPECT_EQ(c[0], RGB(128, 128, 128));   // 256/1000 * 500
    EXPECT_EQ(c[1], RGB(255, 255, 255));   // the maximum gives 256, drawn as 255
    EXPECT_EQ(c[2], RGB(0, 0, 0));
    c = f.Draw(CMD_COLOR_SOURCE);
    EXPECT_EQ(c[0], RGB(1, 2, 3));
    EXPECT_EQ(c[1], RGB(4, 5, 6));
    c = f.Draw(CMD_COLOR_FILE);
    EXPECT_EQ(c[0], GetPaletteColor(0));
    EXPECT_EQ(c[1], GetPaletteColor(1));
    EXPECT_EQ(c[2], GetPaletteColor(2));
    c = f.Draw(CMD_COLOR_RETURN);
    EXPECT_EQ(c[0], r->returnColors[2]);
    EXPECT_EQ(c[1], r->returnColors[1]);
    EXPECT_EQ(c[2], r->returnColors[7]);
    c = f.Draw(CMD_COLOR_RGB);
    EXPECT_EQ(c[0], RGB(10, 20, 30));
    EXPECT_EQ(c[1], RGB(200, 100, 50));
    c = f.Draw(CMD_COLOR_CHANNEL);
    EXPECT_EQ(c[0], GetPaletteColor(2));
    EXPECT_EQ(c[1], GetPaletteColor(0));
    c = f.Draw(CMD_COLOR_FLAG);
    EXPECT_EQ(c[0], GetPaletteColor(2));   // bit 3 only: entry 2
    EXPECT_EQ(c[1], RGB(180, 180, 180));   // no flag bit
    EXPECT_EQ(c[2], GetPaletteColor(12));  // bits 4 and 5
    c = f.Draw(1210);                      // unknown mode: nothing
    EXPECT_EQ(c[0], RGB(1, 1, 1));
}

TEST(PointColorModes, ReturnFiltersAndClassFlagsHidePoints)
{
    ModeFixture f;
    ViewRecord* r = f.view->record;
    r->showIntermediateReturns = 0;   // point a
    r->classTable.entries[6].display = 0;   // point c
    auto c = f.Draw(CMD_COLOR_RGB);
    EXPECT_EQ(c[0], RGB(1, 1, 1));
    EXPECT_EQ(c[1], RGB(200, 100, 50));
    EXPECT_EQ(c[2], RGB(1, 1, 1));
    r->showIntermediateReturns = 1;
    r->showFirstReturns = 0;
    r->classTable.entries[6].display = 1;
    r->showLastReturns = 1;
    c = f.Draw(CMD_COLOR_RGB);
    EXPECT_EQ(c[0], RGB(10, 20, 30));
    EXPECT_EQ(c[1], RGB(1, 1, 1));
    EXPECT_NE(c[2], RGB(1, 1, 1));
    r->showSingleReturns = r->showFirstReturns = r->showIntermediateReturns = r->showLastReturns = 0;
    c = f.Draw(CMD_COLOR_CLASS);
    EXPECT_EQ(c[0], RGB(1, 1, 1));
    EXPECT_EQ(c[1], RGB(1, 1, 1));
    EXPECT_EQ(c[2], RGB(1, 1, 1));
}

TEST(PointColorModes, LargerPointsAreFilledCircles)
{
    ModeFixture f;
    f.view->record->pointSizeStep = 3;
    f.view->record->pointColorMode = CMD_COLOR_RGB;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawPointsOffscreen(f.view->window, &px, RGB(1, 1, 1)), 1);
    POINT p = f.At(50, 50);
    int w = f.view->record->drawWidth;
    EXPECT_EQ(PixelAt(px, w, p.x, p.y), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(px, w, p.x - 1, p.y), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(px, w, p.x, p.y + 1), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(px, w, p.x - 3, p.y), RGB(1, 1, 1));
}

TEST(PointDecimation, StepsAtTheEdges)
{
    EXPECT_EQ(PointDecimationStep(262144, 0), 1);
    EXPECT_EQ(PointDecimationStep(262145, 0), 1);
    EXPECT_EQ(PointDecimationStep(1000000, 0), 4);
    EXPECT_EQ(PointDecimationStep(1000000, 1), 1);
    EXPECT_EQ(PointDecimationStep(1000000, 2), 1);
    EXPECT_EQ(PointDecimationStep(1000000, 3), 1);
    EXPECT_EQ(PointDecimationStep(2750000, 0), 10);
    EXPECT_EQ(PointDecimationStep(2750000, 1), 3);
    EXPECT_EQ(PointDecimationStep(2750000, 2), 1);
    EXPECT_EQ(PointDecimationStep(0, 0), 1);
}

TEST(PointDecimation, FittedViewDrawsEveryStepthPointOfATile)
{
    // 600,000 points (step 2 when fitted): point k sits on its own pixel row
    // pattern; the first three in tile order are checked.
    std::vector<PointRecord> pts;
    pts.reserve(600000);
    for (int k = 0; k < 600000; k++) {
        PointRecord p = MakePoint((k % 1000) + 0.5, 1000 - (k / 1000) - 0.5, 0);
        p.red = 255;
        pts.push_back(p);
    }
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(pts));
    TestPlanView view(1000, 700, data.sets, false);
    ViewRecord* r = view.record;
    r->pointColorMode = CMD_COLOR_RGB;
    // One world unit per pixel from the first point on.
    r->scale = 1.0;
    r->viewLeft = 0;
    r->viewTop = 1000;
    r->viewRight = 1000;
    r->viewBottom = 300;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawPointsOffscreen(view.window, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(px, r->drawWidth, 2, 0), RGB(255, 0, 0));
    r->zoomLevel = 1;   // 150,000 / 262,144 + 0.5 truncates to 1
    ASSERT_EQ(DrawPointsOffscreen(view.window, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), RGB(255, 0, 0));
    // The file mode counts the points of every data set of the view.
    r->zoomLevel = 0;
    r->pointColorMode = CMD_COLOR_FILE;
    r->totalPoints = 100;
    ASSERT_EQ(DrawPointsOffscreen(view.window, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), GetPaletteColor(0));
}

TEST(PointDrawCancel, ASignalStopsTheDrawerBeforeItsFirstPoint)
{
    ModeFixture f;
    JobControl* job = (JobControl*)GetWindowSlot(f.view->window, CHILD_JOB);
    BeginJob(job);   // a draw "runs", so the cancel is signalled
    CancelJob(job);
    f.view->record->pointColorMode = CMD_COLOR_RGB;
    std::vector<uint32_t> px;
    EXPECT_EQ(DrawPointsOffscreen(f.view->window, &px, RGB(1, 1, 1)), 0);
    POINT p = f.At(10, 90);
    EXPECT_EQ(PixelAt(px, f.view->record->drawWidth, p.x, p.y), RGB(1, 1, 1));
    EndJob(job);
}

TEST(ViewDisplayCommands, TINTogglesAndCancelledContours)
{
    ModeFixture f;
    HWND v = f.view->window;
    ViewRecord* r = f.view->record;
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
    EXPECT_EQ(ViewDisplayCommand(v, CMD_CONTOURS), 0);
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

TEST(PointDisplaySize, OkKeepsTheSizeAndCancelRestoresIt)
{
    ModeFixture f;
    ViewRecord* r = f.view->record;
    r->pointSizeStep = 2;
    DriverSize = 5;
    DriverButton = IDOK;
    SetDialogDriver(MovePointSizeBar);
    r->imageCacheValid = 1;
    EXPECT_EQ(ShowDialog(IDD_POINT_SIZE, nullptr, PointDisplaySizeDlgProc, (LPARAM)f.view->window), 1);
    EXPECT_EQ(r->pointSizeStep, 5);
    EXPECT_EQ(r->imageCacheValid, 0);
    DriverSize = 1;
    DriverButton = IDCANCEL;
    EXPECT_EQ(ShowDialog(IDD_POINT_SIZE, nullptr, PointDisplaySizeDlgProc, (LPARAM)f.view->window), 2);
    EXPECT_EQ(r->pointSizeStep, 5);
    SetDialogDriver(nullptr);
}

TEST(JobCancelPolls, OneSignalPerRequestAndRepeatsCollapse)
{
    JobControl* job = CreateJobControl();
    EXPECT_EQ(JobCancelled(job), 0);
    BeginJob(job);
    EXPECT_EQ(CancelJob(job), 1);
    EXPECT_EQ(CancelJob(job), 1);   // absorbed: at most one pending
    EXPECT_EQ(JobCancelled(job), 1);
    EXPECT_EQ(JobCancelled(job), 0);
    EXPECT_EQ(CancelJob(job), 1);
    EXPECT_EQ(JobCancelled(job), 1);
    EXPECT_EQ(JobCancelled(job), 0);
    EndJob(job);
    EXPECT_EQ(CancelJob(job), 0);   // nothing runs: no signal
    EXPECT_EQ(JobCancelled(job), 0);
    FreeJobControl(job);
}

TEST(PlanViewTIN, BuiltForTINModesDroppedAndRebuilt)
{
    // Ground (class 2) points go into the TIN by default; class 1 does not.
    std::vector<PointRecord> pts;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++) pts.push_back(MakePoint(i * 10.0 + (j % 2), j * 10.0, (float)(i + j), 2));
    pts.push_back(MakePoint(5, 5, 0, 1));
    DataSetHolder data;
    data.sets.push_back(MakePointDataSet(pts));
    TestPlanView view(200, 200, data.sets, false);
    ViewRecord* r = view.record;
    HWND v = view.window;

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
