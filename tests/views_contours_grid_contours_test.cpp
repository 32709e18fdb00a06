// Contours from grids: a ramp and a cone at known levels, smoothing that
// keeps a flat grid flat, void cells, thinning, and the job on a grid view
// leaving the heights as they were, finished or cancelled.
#include "window_fixtures.h"
#include "point_sets.h"
#include "app/job_control.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/gdal_grid.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/grid_contours.h"
#include "views/plan/measure_query.h"
#include <gdal.h>
#include <cmath>
#include <cstring>
#include <set>

namespace {

std::vector<float> Heights(const DataSet* set)
{
    std::vector<float> all;
    for (int r = 0; r < set->rows; r++) all.insert(all.end(), set->heights[r], set->heights[r] + set->columns);
    return all;
}

ContourList* TraceGrid(DataSet* set, float interval, int passes)
{
    ContourList* list = NewContourList();
    EXPECT_EQ(TraceGridContours(set, interval, passes, list, nullptr), 1);
    return list;
}

OutlineNode* Outline(std::vector<std::pair<int, int>> cells)
{
    OutlineNode* outline = nullptr;
    for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        outline = new (Malloc(sizeof(OutlineNode), "test")) OutlineNode{it->first, it->second, 0, outline};
    return outline;
}

DataSet* Cone(int side, double top)
{
    double centre = (side - 1) / 2.0;
    return MakeGridSet(side, side, [=](double x, double y) {
        double dx = x - centre, dy = (100 - y) - centre;
        return (float)(top - sqrt(dx * dx + dy * dy));
    });
}

}  // namespace

TEST(GridContours, RampLinesLieAtTheirLevelsAndStayOpen)
{
    EXPECT_FLOAT_EQ(FirstGridLevel(10.2f, 1.0f), 11.0f);
    EXPECT_FLOAT_EQ(FirstGridLevel(-2.5f, 1.0f), -2.0f);   // no level below zero is skipped
    // Heights 10.2 to 12.7 rising to the east: one north-south line at 11 and at 12.
    DataSet* set = MakeGridSet(20, 26, [](double x, double) { return (float)(10.2 + 0.1 * x); });
    ASSERT_FLOAT_EQ(set->maxZ, 12.7f);
    ContourList* list = TraceGrid(set, 1.0f, 0);
    ASSERT_EQ(list->count, 2);
    for (int i = 0; i < 2; i++) {
        const struct Polyline* line = list->lines[i];
        float level = 11.0f + i;
        EXPECT_EQ(line->type, CONTOUR_INTERMEDIATE);
        ASSERT_GE(line->vertexCount, 2);
        double x = line->vertices[0].x;
        EXPECT_NEAR(x, (level - 10.2) / 0.1, 1.01);
        double lowY = 1e9, highY = -1e9;
        for (int v = 0; v < line->vertexCount; v++) {
            EXPECT_EQ(line->vertices[v].x, x);
            EXPECT_EQ(line->vertices[v].z, level);
            lowY = std::min(lowY, line->vertices[v].y);
            highY = std::max(highY, line->vertices[v].y);
        }
        EXPECT_GE(highY - lowY, 16);   // runs across the grid's inner rows
    }
    FreeContourList(list);
    FreeDataSet(set);
}

// A tilted plane written as a 2 m GeoTIFF: each value is the plane's height at
// its cell's centre, so every contour vertex must lie on the level's line.
TEST(GridContours, PlaneGeoTIFFContoursLieOnTheirLevelLines)
{
    const double cs = 2, x0 = 1000, y0 = 2000;
    const int side = 40;
    auto plane = [&](double x, double y) { return 50 + 0.3 * (x - x0) - 0.4 * (y - y0); };
    for (const char* registration : {"Area", "Point"}) {
        std::string path = TempPath((std::string("plane_") + registration + ".tif").c_str());
        GDALAllRegister();
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), ToNativePath(path.c_str()).c_str(), side, side, 1,
                                     GDT_Float32, nullptr);
        ASSERT_NE(ds, nullptr);
        GDALSetMetadataItem(ds, "AREA_OR_POINT", registration, nullptr);
        double transform[6] = {x0, cs, 0, y0, 0, -cs};
        GDALSetGeoTransform(ds, transform);
        std::vector<float> z((size_t)side * side);
        for (int r = 0; r < side; r++)
            for (int c = 0; c < side; c++) z[(size_t)r * side + c] = (float)plane(x0 + (c + 0.5) * cs, y0 - (r + 0.5) * cs);
        EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, side, side, z.data(), side, side, GDT_Float32,
                               0, 0), CE_None);
        GDALClose(ds);

        DataSet* set = Load32BitTIFF(path.c_str(), "plane.tif");
        ASSERT_NE(set, nullptr);
        // A position answers with the cell whose area holds it.
        int row = -1, column = -1;
        ASSERT_TRUE(GridPostAt(set, x0 + 1.9, y0 - 0.1, &row, &column));
        EXPECT_EQ(row, 0);
        EXPECT_EQ(column, 0);
        ContourList* list = TraceGrid(set, 5.0f, 0);
        ASSERT_GE(list->count, 8);
        double worst = 0;
        for (int i = 0; i < list->count; i++)
            for (int v = 0; v < list->lines[i]->vertexCount; v++) {
                const Vec3& p = list->lines[i]->vertices[v];
                worst = std::max(worst, std::fabs(plane(p.x, p.y) - p.z) / 0.5);   // |gradient| = 0.5
            }
        EXPECT_LT(worst, 0.01 * cs) << registration;
        FreeContourList(list);
        FreeDataSet(set);
    }
}

// Levels come from their index: an interval below a float's step at the
// heights still reaches the top (each level once), and one that gives more
// levels than the limit is refused before any work.
TEST(GridContours, FineIntervalsEndAndTooManyLevelsAreRefused)
{
    // 1000 to 1000.004 m: a float there steps by 6.1e-5, more than the 1e-5 interval.
    DataSet* set = MakeGridSet(20, 26, [](double x, double) { return (float)(1000.0 + 0.0002 * x); });
    ContourList* list = TraceGrid(set, 1e-5f, 0);
    std::set<float> levels;
    for (int i = 0; i < list->count; i++) levels.insert(list->lines[i]->vertices[0].z);
    EXPECT_EQ(levels.size(), (size_t)list->count);
    EXPECT_GE(list->count, 30);
    FreeContourList(list);
    list = NewContourList();
    EXPECT_EQ(TraceGridContours(set, 1e-7f, 0, list, nullptr), 0);
    EXPECT_EQ(list->count, 0);
    FreeContourList(list);
    FreeDataSet(set);
}

TEST(GridContours, ConeRingsCloseAroundTheTopAndSkipVoidCells)
{
    DataSet* set = Cone(41, 30);
    // A void patch on the ring of radius 10.
    for (int r = 19; r <= 21; r++)
        for (int c = 29; c <= 31; c++) set->heights[r][c] = VoidCellValue;
    ContourList* list = TraceGrid(set, 5.0f, 0);
    ASSERT_GE(list->count, 3);
    std::set<float> levels;
    for (int i = 0; i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        float level = line->vertices[0].z;
        levels.insert(level);
        EXPECT_EQ(line->type, fmodf(level, 25.0f) == 0 ? CONTOUR_INDEX : CONTOUR_INTERMEDIATE);
        for (int v = 0; v < line->vertexCount; v++) {
            double dx = line->vertices[v].x - 20, dy = (100 - line->vertices[v].y) - 20;
            EXPECT_NEAR(sqrt(dx * dx + dy * dy), 30 - level, 1.5);
            int row = (int)lround(100 - line->vertices[v].y), column = (int)lround(line->vertices[v].x);
            EXPECT_NE(set->heights[row][column], VoidCellValue);
        }
        // Rings inside the grid close on themselves; the one through the void
        // patch and the arcs cut by the border stay open.
        const Vec3 &first = line->vertices[0], &last = line->vertices[line->vertexCount - 1];
        EXPECT_EQ(first.x == last.x && first.y == last.y, level == 15 || level == 25) << level;
    }
    EXPECT_EQ(levels, (std::set<float>{10, 15, 20, 25}));
    FreeContourList(list);

    // A grid of fewer than 3 rows has no inner cells and no lines.
    DataSet* thin = MakeGridSet(2, 30, [](double x, double) { return (float)x; });
    list = TraceGrid(thin, 1.0f, 3);
    EXPECT_EQ(list->count, 0);
    FreeContourList(list);
    FreeDataSet(thin);
    FreeDataSet(set);
}

TEST(GridContours, SmoothingKeepsFlatGridsFlatAndVoidCellsVoid)
{
    DataSet* set = MakeGridSet(30, 40, [](double, double) { return 7.25f; });
    set->heights[10][10] = VoidCellValue;
    for (int pass = 0; pass < 3; pass++) ASSERT_EQ(WeightedAverage(set->heights, 30, 40, 0, nullptr), 1);
    for (int r = 0; r < 30; r++)
        for (int c = 0; c < 40; c++)
            ASSERT_EQ(set->heights[r][c], r == 10 && c == 10 ? VoidCellValue : 7.25f) << r << "," << c;
    // A step is spread by the weights 1 2 1 along the row, then the column.
    set->heights[10][10] = 7.25f;
    set->heights[5][5] = 11.25f;
    WeightedAverage(set->heights, 30, 40, 0, nullptr);
    EXPECT_FLOAT_EQ(set->heights[5][5], 7.25f + 4 * 0.25f);
    EXPECT_FLOAT_EQ(set->heights[4][5], 7.25f + 4 * 0.125f);
    EXPECT_FLOAT_EQ(set->heights[4][4], 7.25f + 4 * 0.0625f);

    // Marks: a cell above the level needs a non-void neighbour below it.
    set->contourMarks = Calloc(30 * 40, 1, "test");
    for (int r = 0; r < 30; r++)
        for (int c = 0; c < 40; c++) set->heights[r][c] = 5;
    set->heights[3][3] = 1;
    set->heights[8][8] = VoidCellValue;
    MarkContourCells(set, 4);
    const uint8_t* marks = (const uint8_t*)set->contourMarks;
    int marked = 0;
    for (int i = 0; i < 30 * 40; i++) marked += marks[i];
    EXPECT_EQ(marked, 4);
    EXPECT_EQ(marks[2 * 40 + 3] + marks[4 * 40 + 3] + marks[3 * 40 + 2] + marks[3 * 40 + 4], 4);
    Free(set->contourMarks);
    set->contourMarks = nullptr;
    FreeDataSet(set);
}

// A node moves down the slope by up to a cell, so two nodes can meet: a
// cell one above the level beside one on it, the slope one a cell, lands on
// its neighbour's post. The line keeps one of them.
TEST(GridContours, NodesThatMeetGiveOneVertex)
{
    DataSet* set = MakeGridSet(10, 10, [](double, double) { return 9.0f; });
    set->heights[5][2] = 12;
    set->heights[5][3] = 11;
    set->heights[5][4] = 10;
    OutlineNode* outline = Outline({{5, 2}, {5, 3}, {5, 4}});
    struct Polyline* line = CreateLineFromPoints(outline, set, 10.0f);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->vertexCount, 2);
    EXPECT_EQ(line->vertices[0].x, 1.0);   // moved a cell at most
    EXPECT_EQ(line->vertices[1].x, 4.0);
    EXPECT_EQ(line->vertices[1].y, 95.0);
    FreePolyline(line);
    FreeNodeList(outline);
    FreeDataSet(set);
}

TEST(GridContours, ThinningKeepsRunEndsAndReturnsTheWholeOutline)
{
    OutlineNode* outline = Outline({{4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}, {5, 6}, {6, 6}, {7, 6}});
    OutlineNode* copy = CleanupPoints(outline);
    EXPECT_EQ(CountLineNodes(copy), 8);
    ASSERT_EQ(CountLineNodes(outline), 4);
    EXPECT_EQ(outline->column, 1);
    EXPECT_EQ(outline->next->column, 5);
    EXPECT_EQ(outline->next->next->row, 5);
    EXPECT_EQ(outline->next->next->next->row, 7);
    OutlineNode* reversed = ReverseLine(copy);
    EXPECT_EQ(reversed->row, 7);
    FreeNodeList(reversed);
    FreeNodeList(outline);
    OutlineNode* two = Outline({{1, 1}, {1, 2}});
    EXPECT_EQ(CleanupPoints(two), nullptr);
    EXPECT_EQ(CountLineNodes(two), 2);
    FreeNodeList(two);
}

class GridContourJob : public ViewFixture {
protected:
    static bool WaitForAppJob(int ms)
    {
        return WaitUntil([] { PumpMessages(5); return !IsAppJobBusy(); }, ms);
    }
};

TEST_F(GridContourJob, HeightsComeBackAfterTheJobAndAfterACancel)
{
    DataSet* set = Cone(61, 40);
    std::vector<float> before = Heights(set);
    HWND view = OpenView({set}, 300, 300);
    ViewRecord* r = Record(view);
    r->contourInterval = 2;
    ASSERT_EQ(StartContourThread(view), 1);
    ASSERT_TRUE(WaitForAppJob(20000));
    ASSERT_NE(r->contours, nullptr);
    EXPECT_GE(r->contours->count, 10);
    EXPECT_EQ(r->contourWork[1], 3);
    EXPECT_EQ(Heights(set), before);

    DataSet* big = Cone(1500, 800);
    std::vector<float> bigBefore = Heights(big);
    HWND bigView = OpenView({big}, 300, 300);
    Record(bigView)->contourInterval = 0.5f;
    ASSERT_EQ(StartContourThread(bigView), 1);
    CancelAppJob();
    ASSERT_TRUE(WaitForAppJob(60000));
    EXPECT_TRUE(Heights(big) == bigBefore);
}
