// Spatial tiles and point selections, checked against brute force.
#include "point_sets.h"
#include "window_fixtures.h"
#include "app/view_selection.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/gdal_grid.h"
#include "data/selection.h"
#include "data/statistics.h"
#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

namespace {

// Each point of the set sits in exactly one tile, inside that tile's
// rectangle by the half-open rule (west and north edges inclusive), and each
// tile keeps the set's point order.
void ExpectEveryPointInOneTile(DataSet* set)
{
    PointTiles* t = set->tiles;
    ASSERT_NE(t, nullptr);
    std::vector<int> seen(set->pointCount, 0);
    for (int i = 0; i < t->rows; i++)
        for (int j = 0; j < t->columns; j++) {
            PointSelection* cell = t->cells[i][j];
            if (!cell) continue;
            ASSERT_GT(cell->count, 0);
            EXPECT_EQ(cell->count, cell->capacity);
            const RingVertex* v = cell->polygon->contour[0].vertex;
            double left = v[0].x, top = v[0].y, right = v[2].x, bottom = v[2].y;
            EXPECT_TRUE(std::isfinite(left) && std::isfinite(right) && std::isfinite(top) && std::isfinite(bottom));
            EXPECT_LT(left, right);
            EXPECT_LT(bottom, top);
            PointRecord* previous = nullptr;
            for (int k = 0; k < cell->count; k++) {
                PointRecord* p = cell->items[k];
                ptrdiff_t index = p - set->points;
                ASSERT_TRUE(index >= 0 && index < set->pointCount);
                seen[index]++;
                EXPECT_GT(p, previous);
                previous = p;
                // Interior cells hold their points by the half-open rule; the
                // outer cells also take what lies beyond the grid's edge.
                if (j > 0) { EXPECT_GE(p->x, left); }
                if (j + 1 < t->columns) { EXPECT_LT(p->x, right); }
                if (i > 0) { EXPECT_LE(p->y, top); }
                if (i + 1 < t->rows) { EXPECT_GT(p->y, bottom); }
            }
        }
    for (int k = 0; k < set->pointCount; k++) ASSERT_EQ(seen[k], 1) << "point " << k;
}

std::vector<PointRecord> RandomPoints(int n, double x0, double y0, double size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, size);
    std::vector<PointRecord> points;
    for (int i = 0; i < n; i++)
        points.push_back(MakePoint(x0 + u(rng), y0 + u(rng), (float)u(rng), (int)(rng() % 6), (int)(rng() % 4)));
    return points;
}

// autzen_trim copied four times side by side: 440,000 real points spread over
// several tiles.
DataSet* AutzenMosaic()
{
    DataSet* one = ReadSampleLAS(SamplePath("autzen_trim.las").c_str());
    if (!one) return nullptr;
    double w = one->maxX - one->minX + 1, h = one->maxY - one->minY + 1;
    std::vector<PointRecord> points;
    for (int q = 0; q < 4; q++)
        for (int i = 0; i < one->pointCount; i++) {
            PointRecord p = one->points[i];
            p.x += (q % 2) * w;
            p.y += (q / 2) * h;
            points.push_back(p);
        }
    FreeDataSet(one);
    DataSet* set = MakePointSet(points);
    set->tiles = BuildPointTiles(set);
    return set;
}

RingPolygon* Ring(const std::vector<std::pair<double, double>>& xy)
{
    RingPolygon* r = NewPolygon((int)xy.size());
    for (size_t i = 0; i < xy.size(); i++) {
        r->contour[0].vertex[i].x = xy[i].first;
        r->contour[0].vertex[i].y = xy[i].second;
    }
    return r;
}

struct Polyline* Line(const std::vector<std::pair<double, double>>& xy)
{
    struct Polyline* line = CreatePolyline(0);
    for (auto& p : xy) {
        Vec3 v = {p.first, p.second, 0};
        AddPolylineVertex(line, &v);
    }
    return line;
}

std::vector<PointRecord*> Items(PointSelection* s)
{
    std::vector<PointRecord*> v;
    if (s)
        for (int k = 0; k < s->count; k++) v.push_back(s->items[k]);
    return v;
}

}  // namespace

TEST(Tiles, SmallSetGetsOneTileOverTheEnlargedExtent)
{
    DataSet* set = MakePointSet(RandomPoints(1000, 100, 200, 50, 1));
    set->tiles = BuildPointTiles(set);
    ASSERT_NE(set->tiles, nullptr);
    EXPECT_EQ(set->tiles->rows, 1);
    EXPECT_EQ(set->tiles->columns, 1);
    const RingVertex* v = set->tiles->cells[0][0]->polygon->contour[0].vertex;
    double dx = 0.05 * (set->maxX - set->minX), dy = 0.05 * (set->maxY - set->minY);
    EXPECT_DOUBLE_EQ(v[0].x, set->minX - dx);
    EXPECT_DOUBLE_EQ(v[0].y, set->maxY + dy);
    EXPECT_DOUBLE_EQ(v[2].x, set->maxX + dx);
    EXPECT_DOUBLE_EQ(v[2].y, set->minY - dy);
    ExpectEveryPointInOneTile(set);
    FreeDataSet(set);
}

TEST(Tiles, LargeSquareSetGetsTwoByTwoAndSharedEdgesGoEastAndSouth)
{
    // Extent 0 .. 90.90909 enlarged by 5 % each side: a square of side 100.
    std::vector<PointRecord> points = RandomPoints(300000, 0, 0, 1000.0 / 11, 2);
    points[0].x = points[0].y = 0;
    points[1].x = points[1].y = 1000.0 / 11;
    DataSet* set = MakePointSet(points);
    set->tiles = BuildPointTiles(set);
    ASSERT_EQ(set->tiles->rows, 2);
    ASSERT_EQ(set->tiles->columns, 2);
    ExpectEveryPointInOneTile(set);

    // A point exactly on the edges the four cells share.
    double edgeX = set->tiles->cells[0][1]->polygon->contour[0].vertex[0].x;
    double edgeY = set->tiles->cells[1][0]->polygon->contour[0].vertex[0].y;
    FreePointTiles(set->tiles);
    set->points[5].x = edgeX;
    set->points[5].y = edgeY;
    set->tiles = BuildPointTiles(set);
    PointSelection* southEast = set->tiles->cells[1][1];
    EXPECT_NE(std::find(southEast->items, southEast->items + southEast->count, &set->points[5]),
              southEast->items + southEast->count);
    ExpectEveryPointInOneTile(set);
    FreeDataSet(set);
}

TEST(Tiles, SetsBuiltInSeveralPartsKeepEveryCellInSetOrder)
{
    // More than two million points: the cells are counted and filled by
    // several threads, each from where the parts before it end.
    DataSet* set = MakePointSet(RandomPoints(2200000, 500000, 4100000, 1000, 3));
    set->tiles = BuildPointTiles(set);
    ASSERT_NE(set->tiles, nullptr);
    EXPECT_GT(set->tiles->rows * set->tiles->columns, 4);
    ExpectEveryPointInOneTile(set);
    FreeDataSet(set);
}

TEST(Tiles, DegenerateExtentsStillPutEveryPointInOneTile)
{
    // One point; many points on one vertical line; many on one spot.
    std::vector<std::vector<PointRecord>> cases;
    cases.push_back({MakePoint(5, 5, 1)});
    std::vector<PointRecord> line, spot;
    for (int i = 0; i < 300000; i++) {
        line.push_back(MakePoint(10, i * 0.01, 0));
        spot.push_back(MakePoint(7, 7, 0));
    }
    cases.push_back(line);
    cases.push_back(spot);
    for (auto& points : cases) {
        DataSet* set = MakePointSet(points);
        set->tiles = BuildPointTiles(set);
        ASSERT_NE(set->tiles, nullptr);
        ExpectEveryPointInOneTile(set);
        DensityCheck(set);
        EXPECT_TRUE(std::isfinite(set->pointSpacing));
        FreeDataSet(set);
    }
}

TEST(Tiles, PointsBeyondStaleBoundsAreClampedIntoEdgeTiles)
{
    DataSet* set = MakePointSet(RandomPoints(1000, 0, 0, 10, 3));
    set->points[0].x = 1e6;
    set->points[1].y = -1e6;
    set->points[2].x = std::nan("");
    set->tiles = BuildPointTiles(set);
    ExpectEveryPointInOneTile(set);
    FreeDataSet(set);
}

TEST(Tiles, GridsAndEmptySetsGetNoneAndNullIsAccepted)
{
    DataSet* empty = MakePointSet({});
    EXPECT_EQ(BuildPointTiles(empty), nullptr);
    DataSet* grid = MakePointSet({MakePoint(1, 1, 1)});
    grid->kind = DATA_GDAL;
    EXPECT_EQ(BuildPointTiles(grid), nullptr);
    grid->kind = DATA_RADAR;
    EXPECT_EQ(BuildPointTiles(grid), nullptr);
    FreeDataSet(empty);
    FreeDataSet(grid);
    FreePointTiles(nullptr);
    EXPECT_EQ(FreePointSelection(nullptr), 0);
}

TEST(Selections, ThinningStepKeepsAboutTwoToTheEighteen)
{
    EXPECT_EQ(ThinningStep(786432), 3);
    EXPECT_EQ(ThinningStep(393215), 1);
    EXPECT_EQ(ThinningStep(393216), 2);
    EXPECT_EQ(ThinningStep(0), 0);
}

TEST(Selections, ClassBoxMatchesBruteForceOnAutzen)
{
    REQUIRE_SAMPLES();
    DataSet* set = AutzenMosaic();
    ASSERT_NE(set, nullptr);
    ASSERT_GT(set->tiles->rows * set->tiles->columns, 1);
    ExpectEveryPointInOneTile(set);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ux(set->minX, set->maxX), uy(set->minY, set->maxY);
    for (int trial = 0; trial < 12; trial++) {
        double x0 = ux(rng), x1 = ux(rng), y0 = uy(rng), y1 = uy(rng);
        double left = std::min(x0, x1), right = std::max(x0, x1), bottom = std::min(y0, y1), top = std::max(y0, y1);
        int cls = trial % 3 == 0 ? 1 : 2;
        std::multiset<PointRecord*> expected;
        for (int i = 0; i < set->pointCount; i++) {
            PointRecord* p = &set->points[i];
            if (p->classification == cls && p->x >= left && p->x <= right && p->y >= bottom && p->y <= top)
                expected.insert(p);
        }
        PointSelection* s = SelectClassPointsInBox(set, left, top, right, bottom, cls);
        std::vector<PointRecord*> got = Items(s);
        EXPECT_EQ(std::multiset<PointRecord*>(got.begin(), got.end()), expected) << "trial " << trial;
        if (expected.empty()) { EXPECT_EQ(s, nullptr); }
        FreePointSelection(s);
    }
    FreeDataSet(set);
}

using SelectionsInAView = ViewFixture;

TEST_F(SelectionsInAView, PolygonQueriesMatchBruteForceOnAutzen)
{
    REQUIRE_SAMPLES();
    DataSet* set = AutzenMosaic();
    ASSERT_NE(set, nullptr);
    HWND view = OpenView({set});
    ViewRecord* record = Record(view);
    double cx = (set->minX + set->maxX) / 2, cy = (set->minY + set->maxY) / 2;
    double w = set->maxX - set->minX, h = set->maxY - set->minY;
    // A concave polygon across the tile boundaries.
    std::vector<std::pair<double, double>> xy = {{cx - 0.3 * w, cy - 0.3 * h}, {cx + 0.35 * w, cy - 0.2 * h},
                                                 {cx, cy}, {cx + 0.3 * w, cy + 0.3 * h}, {cx - 0.25 * w, cy + 0.2 * h}};
    RingPolygon* ring = Ring(xy);
    std::vector<PointRecord*> inside;
    double minZ = 1e300, maxZ = -1e300;
    for (int i = 0; i < set->pointCount; i++)
        if (PointInPolygon(&ring->contour[0], set->points[i].x, set->points[i].y)) {
            inside.push_back(&set->points[i]);
            minZ = std::min(minZ, (double)set->points[i].z);
            maxZ = std::max(maxZ, (double)set->points[i].z);
        }
    ASSERT_GT(inside.size(), 1000u);
    ASSERT_LT(inside.size(), 393216u);   // not thinned

    PointSelection* s = LocatePointData(view, ring);
    std::vector<PointRecord*> got = Items(s);
    EXPECT_EQ(std::set<PointRecord*>(got.begin(), got.end()), std::set<PointRecord*>(inside.begin(), inside.end()));
    EXPECT_EQ(got.size(), inside.size());
    EXPECT_DOUBLE_EQ(s->minZ, minZ);
    EXPECT_DOUBLE_EQ(s->maxZ, maxZ);
    FreePointSelection(s);

    // The view's filters: last returns hidden, class 1 not displayed.
    record->showLastReturns = 0;
    record->classTable.entries[1].display = 0;
    std::set<PointRecord*> shown;
    for (PointRecord* p : inside)
        if ((p->returns >> 6) != 3 && p->classification != 1) shown.insert(p);
    struct Polyline* line = Line(xy);
    s = SelectPointsInPolygon(view, line);
    got = Items(s);
    EXPECT_EQ(std::set<PointRecord*>(got.begin(), got.end()), shown);
    ASSERT_EQ(s->dataSetCount, 1);
    EXPECT_EQ(s->dataSetCounts[0], s->count);
    FreePointSelection(s);
    FreePolyline(line);

    // A polygon far away finds nothing.
    RingPolygon* away = Ring({{0, 0}, {1, 0}, {1, 1}});
    EXPECT_EQ(LocatePointData(view, away), nullptr);
    FreePolygon(away);
    FreePolygon(ring);
}

TEST_F(SelectionsInAView, TINDataOfZoomedAndWholeViewsFollowTheFilters)
{
    REQUIRE_SAMPLES();
    DataSet* set = ReadSampleLAS(SamplePath("autzen_trim.las").c_str());
    ASSERT_NE(set, nullptr);
    set->tiles = BuildPointTiles(set);
    HWND view = OpenView({set});
    ViewRecord* record = Record(view);
    record->showFirstReturns = 0;
    auto passes = [&](const PointRecord& p) {
        return (p.returns >> 6) != 1 && record->classTable.entries[p.classification].tinDisplay;
    };
    size_t whole = 0;
    for (int i = 0; i < set->pointCount; i++) whole += passes(set->points[i]);
    PointSelection* s = LocateTINData(view);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ((size_t)s->count, whole);
    FreePointSelection(s);

    record->zoomLevel = 1;
    record->viewLeft = set->minX + 0.25 * (set->maxX - set->minX);
    record->viewRight = set->minX + 0.5 * (set->maxX - set->minX);
    record->viewBottom = set->minY + 0.25 * (set->maxY - set->minY);
    record->viewTop = set->minY + 0.5 * (set->maxY - set->minY);
    double mx = 0.05 * (record->viewRight - record->viewLeft), my = 0.05 * (record->viewTop - record->viewBottom);
    std::set<PointRecord*> expected;
    for (int i = 0; i < set->pointCount; i++) {
        PointRecord* p = &set->points[i];
        if (p->x >= record->viewLeft - mx && p->x <= record->viewRight + mx && p->y >= record->viewBottom - my &&
            p->y <= record->viewTop + my && passes(*p))
            expected.insert(p);
    }
    s = LocateTINData(view);
    std::vector<PointRecord*> got = Items(s);
    EXPECT_EQ(std::set<PointRecord*>(got.begin(), got.end()), expected);
    FreePointSelection(s);
}

TEST_F(SelectionsInAView, ThinnedResultsKeepAllBoundsAndTheirCountsPerFile)
{
    // Three sets: the middle one lies outside the query polygon.
    DataSet* a = MakePointSet(RandomPoints(300000, 0, 0, 100, 11));
    DataSet* b = MakePointSet(RandomPoints(1000, 500, 500, 10, 12));
    DataSet* c = MakePointSet(RandomPoints(200000, 0, 0, 100, 13));
    for (DataSet* s : {a, b, c}) s->tiles = BuildPointTiles(s);
    HWND view = OpenView({a, b, c});
    RingPolygon* all = Ring({{-1, -1}, {101, -1}, {101, 101}, {-1, 101}});
    PointSelection* s = LocatePointDataByFile(view, all);
    ASSERT_NE(s, nullptr);
    // 500,000 found: step 2, 250,000 kept; the bounds are those of all found.
    EXPECT_EQ(s->count, 250000);
    EXPECT_EQ(s->minX, std::min(a->minX, c->minX));
    EXPECT_EQ(s->maxY, std::max(a->maxY, c->maxY));
    ASSERT_EQ(s->dataSetCount, 3);
    int fromA = 0, fromC = 0;
    for (int k = 0; k < s->count; k++) {
        PointRecord* p = s->items[k];
        if (p >= a->points && p < a->points + a->pointCount) fromA++;
        else if (p >= c->points && p < c->points + c->pointCount) fromC++;
    }
    EXPECT_EQ(fromA + fromC, s->count);
    EXPECT_EQ(s->dataSetCounts[0], fromA);
    EXPECT_EQ(s->dataSetCounts[1], fromA);   // nothing from the middle set
    EXPECT_EQ(s->dataSetCounts[2], fromA + fromC);
    FreePointSelection(s);
    FreePolygon(all);
}

TEST_F(SelectionsInAView, GridCellsInsidePolygonBecomePoints)
{
    DataSet* grid = AllocDataSet();
    grid->kind = DATA_GDAL;
    grid->rows = 20;
    grid->columns = 30;
    grid->cellSize = 2;
    grid->originX = 1000;
    grid->originY = 5000;
    grid->heights = (float**)NBLCalloc2D(grid->rows, grid->columns, sizeof(float));
    for (int r = 0; r < grid->rows; r++)
        for (int c = 0; c < grid->columns; c++) grid->heights[r][c] = (r + c) % 7 == 0 ? VoidCellValue : r * 100 + c;
    grid->minX = grid->originX;
    grid->maxX = grid->originX + (grid->columns - 1) * grid->cellSize;
    grid->maxY = grid->originY;
    grid->minY = grid->originY - (grid->rows - 1) * grid->cellSize;
    grid->extent = Ring({{grid->minX, grid->maxY}, {grid->maxX, grid->maxY}, {grid->maxX, grid->minY},
                         {grid->minX, grid->minY}});
    HWND view = OpenView({grid});
    std::vector<std::pair<double, double>> xy = {{1005, 4995}, {1041, 4990}, {1020, 4965}};
    struct Polyline* line = Line(xy);
    RingPolygon* ring = Ring(xy);
    std::map<std::pair<int, int>, float> expected;
    for (int r = 0; r < grid->rows; r++)
        for (int c = 0; c < grid->columns; c++) {
            double x = grid->originX + c * grid->cellSize, y = grid->originY - r * grid->cellSize;
            if (grid->heights[r][c] != VoidCellValue && PointInPolygon(&ring->contour[0], x, y))
                expected[{r, c}] = grid->heights[r][c];
        }
    PointSelection* s = SelectPointsInPolygon(view, line);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ((size_t)s->count, expected.size());
    for (int k = 0; k < s->count; k++) {
        PointRecord* p = s->items[k];
        int c = (int)std::lround((p->x - grid->originX) / grid->cellSize);
        int r = (int)std::lround((grid->originY - p->y) / grid->cellSize);
        ASSERT_TRUE(expected.count({r, c}));
        EXPECT_EQ(p->z, (expected[std::make_pair(r, c)]));
        EXPECT_EQ(p->intensity, 128);
        EXPECT_EQ(p->pointSourceId, 0);
    }
    EXPECT_EQ(s->dataSetCounts[0], s->count);
    EXPECT_EQ(grid->intensityHigh, 255);
    FreePointSelection(s);

    // Overlapping the extent but holding only void cells: an empty selection.
    for (int r = 0; r < grid->rows; r++)
        for (int c = 0; c < grid->columns; c++) grid->heights[r][c] = VoidCellValue;
    s = SelectGridCellsInPolygon(view, line);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->count, 0);
    FreePointSelection(s);
    FreePolyline(line);
    FreePolygon(ring);
}

// The grid rows and columns a polygon covers come from all its outer rings:
// a clip against a grid's extent can split one polygon into two.
TEST(PolygonBounds, CoversEveryOuterRingAndIgnoresHoles)
{
    DataSet grid = {};
    grid.rows = 100;
    grid.columns = 100;
    grid.cellSize = 1.0;
    grid.originX = 0.0;
    grid.originY = 100.0;
    gpc_vertex west[4] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    gpc_vertex east[4] = {{60, 50}, {70, 50}, {70, 80}, {60, 80}};
    gpc_vertex hole[4] = {{0, 0}, {99, 0}, {99, 99}, {0, 99}};
    gpc_vertex_list rings[3] = {{4, west}, {4, east}, {4, hole}};
    int32_t holes[3] = {0, 0, 1};
    gpc_polygon polygon = {3, holes, rings};
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    ASSERT_EQ(PolygonBounds(&polygon, &grid, &r0, &r1, &c0, &c1), 1);
    EXPECT_EQ(r0, 20);   // 100 - 80
    EXPECT_EQ(r1, 90);   // 100 - 10
    EXPECT_EQ(c0, 10);
    EXPECT_EQ(c1, 70);

    gpc_polygon empty = {0, nullptr, nullptr};
    EXPECT_EQ(PolygonBounds(&empty, &grid, &r0, &r1, &c0, &c1), 0);
}
