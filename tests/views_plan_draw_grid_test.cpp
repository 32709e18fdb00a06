// Grids in the plan view: shade bytes of lit planes, the three raster walks
// of the shaded surface, posts sampled and thinned, void cells, and a whole
// draw through the view's draw thread.
#include "test_support.h"
#include "window_fixtures.h"
#include "point_sets.h"
#include "layer_test_files.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/vector.h"
#include "data/gdal_grid.h"
#include "data/statistics.h"
#include "base/palette.h"
#include "views/plan/color_ramp.h"
#include "views/plan/draw_grid.h"
#include "views/plan/draw_points.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include <cmath>
#include <functional>

namespace {

// Places the world point (left, top) at pixel (0, 0) with `scale` units a pixel.
void Place(ViewRecord* r, double left, double top, double scale)
{
    r->scale = scale;
    r->viewLeft = left;
    r->viewTop = top;
    r->viewRight = left + scale * r->drawWidth;
    r->viewBottom = top - scale * r->drawHeight;
    r->zoomLevel = 1;
}

const COLORREF kBackground = RGB(1, 2, 3);

// A grid drawer of the view into a bitmap of its drawing area.
int DrawGrid(HWND view, int (*drawer)(HWND, HDC), std::vector<uint32_t>* pixels)
{
    ViewRecord* r = ViewRecordOf(view);
    return DrawOffscreen(r->drawWidth, r->drawHeight, [&](HDC dc) { return drawer(view, dc); }, pixels, kBackground);
}

COLORREF Gray(int g) { return RGB(g, g, g); }

}  // namespace

// A plan view over one grid; the view and its record stay in `view` and `r`.
class GridView : public ViewFixture {
protected:
    void Open(DataSet* grid, int width, int height)
    {
        view = OpenView({grid}, width, height);
        r = Record(view);
    }
    HWND view = nullptr;
    ViewRecord* r = nullptr;
};
using GridShading = GridView;
using GridPosts = GridView;
using GridDrawing = GridView;

TEST_F(GridShading, PlanesLitFromKnownSidesGiveTheirShades)
{
    Vec3 zenith, east, west;
    LightDirection(0, 90, &zenith);
    LightDirection(90, 0, &east);
    LightDirection(270, 0, &west);
    // A level triangle under a light overhead, and the same seen edge-on.
    Vec3 a = {1, 0, 5}, b = {0, 0, 5}, c = {0, -1, 5};
    EXPECT_EQ(TriangleShade(&a, &b, &c, &zenith, 1), 38);
    EXPECT_EQ(TriangleShade(&a, &b, &c, &east, 1), -37);
    EXPECT_EQ(GridShadeGray(38), 219);
    EXPECT_EQ(GridShadeGray(-37), 91);
    EXPECT_EQ(GridShadeGray(-112), 0);   // facing away: black, never a wrapped bright value

    // A 45-degree plane falling to the east: both triangles of every cell face
    // the eastern light at 45 degrees and turn from the western one.
    DataSet* grid = MakeGridSet(6, 7, [](double x, double) { return (float)(50 - x); });
    Open(grid, 200, 200);
    r->lightAzimuth = 90;
    r->lightElevation = 0;
    r->zExaggeration = 1;
    EXPECT_EQ(CreateGridMesh(view), 5);
    EXPECT_EQ(CreateGridMesh(view), 0);   // built once
    const int8_t* shades = (const int8_t*)grid->mask[2];
    EXPECT_EQ(shades[0], 16);                     // trunc(75 cos 45 - 37)
    EXPECT_EQ(shades[1], 16);
    EXPECT_EQ(((const int8_t*)grid->mask[4])[11], 16);
    r->meshBuilt = 0;
    r->lightAzimuth = 270;
    CreateGridMesh(view);
    EXPECT_EQ(((const int8_t*)grid->mask[0])[3], -90);
    // Doubling the exaggeration steepens the faces.
    r->meshBuilt = 0;
    r->lightAzimuth = 90;
    r->zExaggeration = 0.5f;
    CreateGridMesh(view);
    EXPECT_EQ(((const int8_t*)grid->mask[0])[0], (int8_t)(int)(75 * (1 / sqrt(5.0)) - 37));
}

TEST_F(GridShading, VoidCellsStayOutOfTheRampRange)
{
    DataSet* grid = MakeGridSet(4, 4, [](double x, double y) { return (float)(x + y); });
    grid->heights[1][1] = VoidCellValue;
    Open(grid, 200, 200);
    CreateGridMesh(view);
    EXPECT_EQ(r->rampMinZ, 97.0f);
    EXPECT_EQ(r->rampMaxZ, 103.0f);
}

TEST_F(GridShading, EachRasterWalkShadesTheSurfaceAndLeavesVoidTrianglesOpen)
{
    DataSet* grid = MakeGridSet(100, 100, [](double, double) { return 20.0f; });
    grid->heights[50][50] = VoidCellValue;
    Open(grid, 200, 200);
    r->tinColorMode = 2;
    r->lightElevation = 90;
    CreateGridMesh(view);
    std::vector<uint32_t> px;
    const int w = r->drawWidth;

    // Cells of ten pixels: filled triangles. Cell (50, 50) starts at pixel (100, 100).
    Place(r, 40, 60, 0.1);
    ASSERT_EQ(DrawGrid(view, DrawGridShaded, &px), 1);
    EXPECT_EQ(PixelAt(px, w, 152, 152), Gray(219));
    EXPECT_EQ(PixelAt(px, w, 102, 102), kBackground);   // upper-left triangle of the void corner
    EXPECT_EQ(PixelAt(px, w, 108, 108), Gray(219));     // its lower-right triangle has no void corner
    EXPECT_EQ(PixelAt(px, w, 96, 96), kBackground);     // lower-right of cell (49, 49)
    EXPECT_EQ(PixelAt(px, w, 0, 0), Gray(219));         // a cell reaching in from the corner

    // Two pixels a cell: 2 x 2 blocks.
    Place(r, 0, 100, 0.5);
    ASSERT_EQ(DrawGrid(view, DrawGridShaded, &px), 1);
    EXPECT_EQ(PixelAt(px, w, 20, 20), Gray(219));
    EXPECT_EQ(PixelAt(px, w, 199, 197), kBackground);   // the last row and column have no cells
    EXPECT_EQ(PixelAt(px, w, 100, 100), kBackground);   // the void corner's upper-left triangle

    // Cells smaller than pixels: one sample a pixel.
    Place(r, -50, 150, 2);
    ASSERT_EQ(DrawGrid(view, DrawGridShaded, &px), 1);
    EXPECT_EQ(PixelAt(px, w, 60, 60), Gray(219));
    EXPECT_EQ(PixelAt(px, w, 10, 10), kBackground);     // outside the grid
    EXPECT_EQ(PixelAt(px, w, 50, 50), kBackground);     // the sample falls on the void cell

    // The ramp mode brightens a lit level surface by its shade.
    r->tinColorMode = 0;
    ASSERT_EQ(DrawGrid(view, DrawGridShaded, &px), 1);
    const uint8_t* entry = GetRampEntry(20.0f, r);
    auto up = [](int v) { return v + 38 > 255 ? 255 : v + 38; };
    EXPECT_EQ(PixelAt(px, w, 60, 60), RGB(up(entry[0]), up(entry[1]), up(entry[2])));
}

TEST_F(GridShading, OneRowGridHasNoTrianglesButShowsItsPosts)
{
    DataSet* grid = MakeGridSet(1, 30, [](double x, double) { return (float)x; });
    Open(grid, 100, 100);
    r->tinColorMode = 2;
    Place(r, -1, 101, 0.5);
    CreateGridMesh(view);
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawGrid(view, DrawGridShaded, &px), 1);
    for (uint32_t p : px) ASSERT_EQ(p, 0x010203u);
    r->pointColorMode = 1202;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 10, 2), GetPaletteColor(0));
}

TEST_F(GridPosts, SampledByPixelOrThinnedToPostsWithoutVoidCells)
{
    EXPECT_EQ(GridPostStep(300000, 0), 1);
    EXPECT_EQ(GridPostStep(1000000, 0), 2);
    EXPECT_EQ(GridPostStep(1000000, 1), 1);
    EXPECT_EQ(GridPostStep(100000000, 2), 24);
    EXPECT_EQ(GridPostStep(100000000, 3), 1);

    DataSet* grid = MakeGridSet(100, 100, [](double x, double) { return (float)x; });
    grid->heights[50][50] = VoidCellValue;
    Open(grid, 200, 200);
    const int w = r->drawWidth;
    Place(r, 40, 60, 0.1);
    r->pointColorMode = 1202;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    EXPECT_EQ(PixelAt(px, w, 120, 120), GetPaletteColor(0));   // every pixel shows its nearest post
    EXPECT_EQ(PixelAt(px, w, 125, 125), GetPaletteColor(0));
    EXPECT_EQ(PixelAt(px, w, 102, 102), kBackground);          // nearest to the void cell

    // Points over the shaded background: posts only.
    r->displayMode = 8007;
    r->overlayPointsOverBackground = 1;
    r->pointSizeStep = 1;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    EXPECT_EQ(PixelAt(px, w, 120, 120), GetPaletteColor(0));
    EXPECT_EQ(PixelAt(px, w, 125, 125), kBackground);
    EXPECT_EQ(PixelAt(px, w, 100, 100), kBackground);

    // By elevation the ramp colours the post's height.
    r->displayMode = 8006;
    r->pointColorMode = 1200;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    SetupPointColorRampOf(r);
    EXPECT_EQ(PixelAt(px, w, 120, 120), GetRampColor(52.0f, r));
}

// A GeoTIFF's cell is drawn over the area its corners bound, to the pixel:
// centred on its post, on the outer edges of the grid as well.
TEST_F(GridPosts, EachCellOfAGeoTIFFCoversTheAreaOfItsCorners)
{
    std::string path = TempPath("cells.tif");
    ASSERT_TRUE(WriteTestImage(path, 4, 6, 1, 6 /* Float32 */, {}, true, 1000, 2000));   // cells of 2 units
    BoxAnswers boxes;
    DataSet* grid = Load32BitTIFF(path.c_str(), "cells.tif");
    ASSERT_NE(grid, nullptr);
    // Columns 0 and 3 stay, one cell wide each: [1000, 1002) and [1006, 1008).
    for (int row = 0; row < 4; row++)
        for (int c = 0; c < 6; c++)
            if (c != 0 && c != 3) grid->heights[row][c] = VoidCellValue;
    Open(grid, 200, 200);
    r->pointColorMode = 1202;
    Place(r, 995.95, 2004.05, 0.1);   // pixel x samples 995.95 + 0.1 x: the edges fall between samples
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    const int w = r->drawWidth, y = 50;   // in row 0, [1998, 2000)
    const COLORREF cell = GetPaletteColor(0);
    EXPECT_EQ(PixelAt(px, w, 40, y), kBackground);   // 999.95: west of the grid
    EXPECT_EQ(PixelAt(px, w, 41, y), cell);
    EXPECT_EQ(PixelAt(px, w, 60, y), cell);          // 1001.95
    EXPECT_EQ(PixelAt(px, w, 61, y), kBackground);
    EXPECT_EQ(PixelAt(px, w, 100, y), kBackground);  // 1005.95
    EXPECT_EQ(PixelAt(px, w, 101, y), cell);
    EXPECT_EQ(PixelAt(px, w, 120, y), cell);         // 1007.95
    EXPECT_EQ(PixelAt(px, w, 121, y), kBackground);
    EXPECT_EQ(PixelAt(px, w, 50, 40), kBackground);  // 2000.05: north of the grid
    EXPECT_EQ(PixelAt(px, w, 50, 41), cell);
    EXPECT_EQ(PixelAt(px, w, 50, 120), cell);        // 1992.05, row 3
    EXPECT_EQ(PixelAt(px, w, 50, 121), kBackground);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(GridPosts, MagnitudesShowInGreyOverTheFittedRange)
{
    DataSet* grid = MakeGridSet(10, 10, [](double x, double) { return (float)x; });
    grid->magnitudes = (uint16_t**)NBLCalloc2D(10, 10, sizeof(uint16_t));
    for (int row = 0; row < 10; row++)
        for (int c = 0; c < 10; c++) grid->magnitudes[row][c] = (uint16_t)(1000 + 100 * c);
    grid->magnitudeFitState = 1500;
    grid->magnitudeFitLow = 1000;
    grid->magnitudeFitHigh = 1510;
    Open(grid, 100, 100);
    Place(r, -0.5, 100.5, 0.1);
    r->pointColorMode = 1203;
    std::vector<uint32_t> px;
    ASSERT_EQ(DrawGrid(view, DrawGridPoints, &px), 1);
    EXPECT_EQ(PixelAt(px, r->drawWidth, 5, 5), Gray(0));
    EXPECT_EQ(PixelAt(px, r->drawWidth, 25, 5), Gray(100));   // trunc(255 / 510 * 200)
    EXPECT_EQ(PixelAt(px, r->drawWidth, 95, 5), Gray(255));
}

TEST_F(GridDrawing, ACancelledDrawStopsAndAWholeDrawFillsTheCache)
{
    DataSet* grid = MakeGridSet(60, 80, [](double, double) { return 5.0f; });
    Open(grid, 160, 120);
    r->tinColorMode = 2;
    r->lightElevation = 90;
    CreateGridMesh(view);
    JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
    BeginJob(job);
    CancelJob(job);
    std::vector<uint32_t> px;
    EXPECT_EQ(DrawGrid(view, DrawGridShaded, &px), 0);
    EndJob(job);

    r->meshBuilt = 0;
    r->displayMode = 8008;
    StartViewDraw(view, nullptr, nullptr, 1, 0);
    ASSERT_TRUE(WaitForViewDraw(view, 10000));
    EXPECT_EQ(r->meshBuilt, 1);   // the draw built the shades it needed
    ASSERT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(CachePixel(r, r->drawWidth / 2, r->drawHeight / 2), Gray(219));
    EXPECT_EQ(r->tinCacheValid, 1);
}
