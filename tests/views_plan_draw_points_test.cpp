// Points drawn by colour mode with their filters, sizes and decimation, a
// drawer stopped by a cancel, and one without an off-screen bitmap.
#include "point_sets.h"
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "app/job_control.h"
#include "base/palette.h"
#include "views/plan/color_ramp.h"
#include "views/plan/draw_points.h"
#include "views/plan/view_mapping.h"

namespace {

using PointDecimationInAView = ViewFixture;
using PlanDrawPoints = ViewFixture;

// Three files of one point each on distinct pixels of a 100 x 100 view whose
// world is 0..100 in both axes (fitted scale 1.1 per pixel after the margin).
class ModeFixture : public ViewFixture {
protected:
    std::vector<DataSet*> sets;
    HWND view = nullptr;
    void SetUp() override
    {
        ViewFixture::SetUp();
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
        sets.push_back(MakePointDataSet({a}));
        sets.push_back(MakePointDataSet({b}));
        sets.push_back(MakePointDataSet({c}));
        // One extent and one range over all three.
        for (DataSet* s : sets) {
            s->minX = s->minY = 0;
            s->maxX = s->maxY = 100;
            s->rampLowZ = 0;
            s->rampHighZ = 100;
            s->intensityLow = 0;
            s->intensityHigh = 1000;
            s->sourceIdTable[3].color = RGB(1, 2, 3);
            s->sourceIdTable[4].color = RGB(4, 5, 6);
        }
        view = OpenView(sets, 100, 100);
    }
    // Pixel of a world point under the view's mapping.
    POINT At(double x, double y) const
    {
        const ViewRecord* r = Record(view);
        return {(int)((x - r->viewLeft) / r->scale), (int)((r->viewTop - y) / r->scale)};
    }
    std::vector<COLORREF> Draw(int mode)
    {
        Record(view)->pointColorMode = mode;
        std::vector<uint32_t> px;
        EXPECT_EQ(DrawPointsOffscreen(view, &px, RGB(1, 1, 1)), 1);
        std::vector<COLORREF> out;
        for (auto p : {At(10, 90), At(50, 50), At(90, 10)}) out.push_back(PixelAt(px, Record(view)->drawWidth, p.x, p.y));
        return out;
    }
};

using PointColorModes = ModeFixture;
using PointDrawCancel = ModeFixture;

}  // namespace

TEST_F(PointColorModes, EachModeColoursChosenPoints)
{
    ViewRecord* r = Record(view);
    const COLORREF any = CLR_INVALID;   // that point is not looked at
    const auto& classes = r->classTable.entries;
    const struct {
        int mode;
        COLORREF points[3];
    } modes[] = {
        {CMD_COLOR_ELEVATION, {RGB(0, 0, 191), RGB(0, 191, 0), RGB(191, 0, 0)}},
        {CMD_COLOR_EARTH, {RGB(63, 81, 57), any, RGB(156, 156, 156)}},
        {CMD_COLOR_CLASS, {classes[2].mainColor, classes[5].mainColor, classes[6].mainColor}},
        // 256/1000 * 500; the maximum gives 256, drawn as 255.
        {CMD_COLOR_INTENSITY, {RGB(128, 128, 128), RGB(255, 255, 255), RGB(0, 0, 0)}},
        {CMD_COLOR_SOURCE, {RGB(1, 2, 3), RGB(4, 5, 6), any}},
        {CMD_COLOR_FILE, {GetPaletteColor(0), GetPaletteColor(1), GetPaletteColor(2)}},
        {CMD_COLOR_RETURN, {r->returnColors[2], r->returnColors[1], r->returnColors[7]}},
        {CMD_COLOR_RGB, {RGB(10, 20, 30), RGB(200, 100, 50), any}},
        {CMD_COLOR_CHANNEL, {GetPaletteColor(2), GetPaletteColor(0), any}},
        // Bit 3 only: entry 2; no flag bit; bits 4 and 5.
        {CMD_COLOR_FLAG, {GetPaletteColor(2), RGB(180, 180, 180), GetPaletteColor(12)}},
        {1210, {RGB(1, 1, 1), any, any}},   // unknown mode: nothing
    };
    for (const auto& m : modes) {
        std::vector<COLORREF> c = Draw(m.mode);
        for (int k = 0; k < 3; k++) EXPECT_TRUE(m.points[k] == any || c[k] == m.points[k]) << m.mode << ", point " << k << ": " << std::hex << c[k];
        EXPECT_TRUE(m.mode != CMD_COLOR_ELEVATION || r->rampCount == 768) << r->rampCount;
        // Each drawer makes its set current.
        EXPECT_TRUE(m.mode != CMD_COLOR_EARTH || r->currentDataSet == sets[2]);
    }
}

TEST_F(PointColorModes, ReturnFiltersAndClassFlagsHidePoints)
{
    ViewRecord* r = Record(view);
    r->showIntermediateReturns = 0;   // point a
    r->classTable.entries[6].display = 0;   // point c
    auto c = Draw(CMD_COLOR_RGB);
    EXPECT_EQ(c[0], RGB(1, 1, 1));
    EXPECT_EQ(c[1], RGB(200, 100, 50));
    EXPECT_EQ(c[2], RGB(1, 1, 1));
    r->showIntermediateReturns = 1;
    r->showFirstReturns = 0;
    r->classTable.entries[6].display = 1;
    r->showLastReturns = 1;
    c = Draw(CMD_COLOR_RGB);
    EXPECT_EQ(c[0], RGB(10, 20, 30));
    EXPECT_EQ(c[1], RGB(1, 1, 1));
    EXPECT_NE(c[2], RGB(1, 1, 1));
    r->showSingleReturns = r->showFirstReturns = r->showIntermediateReturns = r->showLastReturns = 0;
    c = Draw(CMD_COLOR_CLASS);
    EXPECT_EQ(c[0], RGB(1, 1, 1));
    EXPECT_EQ(c[1], RGB(1, 1, 1));
    EXPECT_EQ(c[2], RGB(1, 1, 1));
}

// Larger points are the discs that GDI's Ellipse draws with a one-pixel pen,
// pixel for pixel, in every size and where they are cut by the view's edge.
TEST_F(PointColorModes, LargerPointsMatchTheGdiDiscInEverySize)
{
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_RGB;
    int w = r->drawWidth, h = r->drawHeight;
    // The first set's point moves to the very corner, cut by the edge.
    PointRecord corner = MakePoint(r->viewLeft, r->viewTop, 0);
    corner.red = 7; corner.green = 8; corner.blue = 9;
    sets[0]->points[0] = corner;
    for (int size = 2; size <= 6; size++) {
        SCOPED_TRACE(size);
        r->pointSizeStep = size;
        std::vector<uint32_t> drawn;
        ASSERT_EQ(DrawPointsOffscreen(view, &drawn, RGB(1, 1, 1)), 1);

        const struct {
            double x, y;
            COLORREF c;
        } points[] = {{r->viewLeft, r->viewTop, RGB(7, 8, 9)}, {50, 50, RGB(200, 100, 50)},
                      {90, 10, RGB(0, 0, 0)}};
        std::vector<uint32_t> expected;
        DrawOffscreen(w, h, [&](HDC dc) {
            for (const auto& p : points) {
                HPEN pen = CreatePen(PS_SOLID, 1, p.c);
                HBRUSH brush = CreateSolidBrush(p.c);
                HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
                int x = (int)((p.x - r->viewLeft) / r->scale), y = (int)((r->viewTop - p.y) / r->scale), d = size - 1;
                Ellipse(dc, x - d, y - d, x + d, y + d);
                DeleteObject(SelectObject(dc, oldPen));
                DeleteObject(SelectObject(dc, oldBrush));
            }
            return 1;
        }, &expected, RGB(1, 1, 1));
        // The third set's point has its own colour; compare where it is not.
        POINT third = At(90, 10);
        int differ = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                if (std::abs(x - third.x) <= 6 && std::abs(y - third.y) <= 6) continue;
                if ((drawn[(size_t)y * w + x] & 0xFFFFFF) != (expected[(size_t)y * w + x] & 0xFFFFFF)) differ++;
            }
        EXPECT_EQ(differ, 0);
    }
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

TEST_F(PointDecimationInAView, FittedViewDrawsEveryStepthPointOfATile)
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
    HWND view = OpenView({MakePointDataSet(pts)}, 1000, 700);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_RGB;
    // One world unit per pixel from the first point on.
    r->scale = 1.0;
    r->viewLeft = 0;
    r->viewTop = 1000;
    r->viewRight = 1000;
    r->viewBottom = 300;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawPointsOffscreen(view, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(px, r->drawWidth, 2, 0), RGB(255, 0, 0));
    r->zoomLevel = 1;   // 150,000 / 262,144 + 0.5 truncates to 1
    ASSERT_EQ(DrawPointsOffscreen(view, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), RGB(255, 0, 0));
    // The file mode counts the points of every data set of the view.
    r->zoomLevel = 0;
    r->pointColorMode = CMD_COLOR_FILE;
    r->totalPoints = 100;
    ASSERT_EQ(DrawPointsOffscreen(view, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 1, 0), GetPaletteColor(0));
}

TEST_F(PointDrawCancel, ASignalStopsTheDrawerBeforeItsFirstPoint)
{
    JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
    BeginJob(job);   // a draw "runs", so the cancel is signalled
    CancelJob(job);
    Record(view)->pointColorMode = CMD_COLOR_RGB;
    std::vector<uint32_t> px;
    EXPECT_EQ(DrawPointsOffscreen(view, &px, RGB(1, 1, 1)), 0);
    POINT p = At(10, 90);
    EXPECT_EQ(PixelAt(px, Record(view)->drawWidth, p.x, p.y), RGB(1, 1, 1));
    EndJob(job);
}

// A drawer that cannot get its off-screen bitmap draws nothing and says so:
// "done" would let the draw thread cache a blank image as the finished view.
TEST_F(PlanDrawPoints, NoOffscreenBitmapIsNotDone)
{
    HWND view = OpenView({MakePointDataSet({MakePoint(0, 0, 1), MakePoint(10, 10, 2)})}, 200, 150);
    Record(view)->pointColorMode = CMD_COLOR_ELEVATION;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(ColorPointsByElevation(view, mem, 0), 1);
    // A drawing size no bitmap can have (4 TB of pixels).
    Record(view)->drawWidth = Record(view)->drawHeight = 1 << 20;
    EXPECT_EQ(ColorPointsByElevation(view, mem, 0), 0);
    EXPECT_EQ(DrawPointsForColorMode(view, mem), 0);
    DeleteDC(mem);
}
