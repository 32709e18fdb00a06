// The tile loop on several threads against the one-thread loop: a routine
// whose result depends on the order in which overlapping tiles change their
// points must come out the same, and so must the first failure.
#include "tests/point_sets.h"
#include "classify/tile_threads.h"
#include "classify/surface_settings.h"
#include "data/selection.h"
#include <atomic>
#include <cmath>
#include <cstring>

namespace {

// Points on a 10-unit lattice, so that many lie on the sides of tile boxes,
// with a few between the lattice lines.
std::vector<PointRecord> LatticePoints()
{
    std::vector<PointRecord> points;
    uint32_t s = 7;
    for (int y = 0; y <= 600; y += 10)
        for (int x = 0; x <= 900; x += 10) {
            s = s * 1664525u + 1013904223u;
            points.push_back(MakePoint(x, y, 0.0f, (int)(s >> 24) % 40));
            if (s % 3 == 0) points.push_back(MakePoint(x + (s >> 12) % 1000 / 100.0, y + 3.3, 0.0f, 5));
        }
    return points;
}

PointSelection* EveryPointInBox(DataSet* set, const double box[4])
{
    std::vector<PointRecord*> found;
    for (int32_t i = 0; i < set->pointCount; i++) {
        PointRecord* p = &set->points[i];
        if (p->x >= box[0] && p->x <= box[2] && p->y >= box[3] && p->y <= box[1]) found.push_back(p);
    }
    if (found.empty()) return nullptr;
    PointSelection* s = CreatePointSelection((int32_t)found.size());
    std::copy(found.begin(), found.end(), s->items);
    return s;
}

std::atomic<int> tilesRun{ 0 };

// Every point's new class mixes all the classes the tile saw, so a tile that
// ran before a tile it overlaps instead of after it changes the outcome.
int MixClasses(PointSelection* tile, const double*, SurfaceMagicSettings*)
{
    tilesRun++;
    uint32_t h = 2166136261u;
    for (int32_t i = 0; i < tile->count; i++) h = (h ^ tile->items[i]->classification) * 16777619u;
    for (int32_t i = 0; i < tile->count; i++)
        tile->items[i]->classification = (uint8_t)((h >> (i % 24)) % 251);
    return (int)(h % 5);
}

// Fails at the tile in row 5, column 8, at one in the row above that comes
// earlier in one-thread order but lies far to the right, and at a later one
// (the grid starts 60 units left of and above the points' bounds, 30 units a
// step, 35 columns).
int FailAtThreeTiles(PointSelection* tile, const double* box, SurfaceMagicSettings* s)
{
    MixClasses(tile, box, s);
    long column = std::lround((box[0] + 60) / 30), row = std::lround((603.3 + 60 - box[1]) / 30);
    if (row == 5 && column == 8) return -5;
    if (row == 4 && column == 30) return -9;
    if (row == 15 && column == 25) return -7;
    return 1;
}

std::vector<uint8_t> Classes(const DataSet* set)
{
    std::vector<uint8_t> c((size_t)set->pointCount);
    for (int32_t i = 0; i < set->pointCount; i++) c[(size_t)i] = set->points[i].classification;
    return c;
}

}  // namespace

TEST(TileThreads, ClassesAndSumAsTheOneThreadLoopGivesThem)
{
    SurfaceMagicSettings settings;
    std::memset(&settings, 0, sizeof settings);
    // Two thirds overlap as the key-point search uses, and an overlap whose
    // boxes three steps apart share a side.
    const int sizes[][2] = { { 100, 66 }, { 90, 60 }, { 40, 10 } };
    for (const auto& size : sizes) {
        DataSet* one = MakePointSet(LatticePoints());
        DataSet* many = MakePointSet(LatticePoints());
        int expected = RunTileLoop(nullptr, one, &settings, size[0], size[1], "Mix", EveryPointInBox, MixClasses);
        int seen = tilesRun.exchange(0);
        int got = RunTileLoopThreaded(nullptr, many, &settings, size[0], size[1], "Mix", EveryPointInBox, MixClasses);
        EXPECT_EQ(got, expected) << size[0];
        EXPECT_EQ(tilesRun.exchange(0), seen) << size[0];
        EXPECT_TRUE(Classes(one) == Classes(many)) << "tile " << size[0] << " overlap " << size[1];
        FreeDataSet(one);
        FreeDataSet(many);
    }
}

TEST(TileThreads, TheFirstFailureInTileOrderIsTheResult)
{
    SurfaceMagicSettings settings;
    std::memset(&settings, 0, sizeof settings);
    for (int round = 0; round < 3; round++) {
        DataSet* one = MakePointSet(LatticePoints());
        DataSet* many = MakePointSet(LatticePoints());
        EXPECT_EQ(RunTileLoop(nullptr, one, &settings, 90, 60, "Fail", EveryPointInBox, FailAtThreeTiles), -9);
        EXPECT_EQ(RunTileLoopThreaded(nullptr, many, &settings, 90, 60, "Fail", EveryPointInBox, FailAtThreeTiles), -9);
        FreeDataSet(one);
        FreeDataSet(many);
    }
    tilesRun = 0;
}
