// Crafted tiles for the tiled ground filters: a square of candidates with a
// feature in it, run as one tile in metres, again, and as a feet copy.
#pragma once
#include "tests/point_sets.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "data/selection.h"
#include <functional>

// n x n ground candidates one unit apart; the border lies exactly on a square
// (so the hull is the border and a point k steps in has ring mark k + 1, or
// is interior from 4 steps in) and the inner points are jittered by up to
// 0.1. Heights from the function of the grid position (i along X, j along Y).
// Point (i, j) is entry i * n + j.
inline std::vector<PointRecord> CandidateGrid(int n, std::function<double(int, int)> z)
{
    uint32_t s = 99;
    auto jitter = [&s]() {
        s = s * 1664525u + 1013904223u;
        return ((s >> 8) / 16777216.0 - 0.5) * 0.2;
    };
    std::vector<PointRecord> pts;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            bool border = i == 0 || j == 0 || i == n - 1 || j == n - 1;
            double x = i + (border ? 0 : jitter()), y = j + (border ? 0 : jitter());
            pts.push_back(MakePoint(1000 + x, 5000 + y, (float)z(i, j), 2));
        }
    return pts;
}

struct FilterRun {
    int result;
    std::vector<uint8_t> classes;
    std::vector<float> z;
    int Count(uint8_t c) const
    {
        int k = 0;
        for (uint8_t v : classes) k += v == c;
        return k;
    }
};

typedef std::function<void(SurfaceMagicSettings*)> SettingsTweak;

// The step over every point of the copy (scaled by `scale`: 3.28 makes feet)
// as one tile, with the run settings of the copy (spacing 1 unit, Terrain
// Bias 8, Aesthetics 10) and the tweak.
inline FilterRun RunFilter(TileStepRoutine step, const std::vector<PointRecord>& points, double scale,
                           const SettingsTweak& tweak = nullptr)
{
    std::vector<PointRecord> copy = points;
    for (PointRecord& p : copy) {
        p.x *= scale;
        p.y *= scale;
        p.z = (float)(p.z * scale);
    }
    DataSet* set = MakePointSet(copy);
    set->units = scale == 1.0 ? 1 : kUnitsFeet;
    set->pointSpacing = (float)scale;
    SetDefaultSurfaceMagicSettings();
    SurfaceMagicSettings s;
    MakeSurfaceRunSettings(set, kDefaultTerrainBias, kDefaultAesthetics, &s);
    if (tweak) tweak(&s);
    PointSelection* tile = CreatePointSelection(set->pointCount);
    for (int32_t i = 0; i < set->pointCount; i++) tile->items[i] = &set->points[i];
    tile->count = set->pointCount;
    FilterRun run;
    run.result = step(tile, &s);
    for (int32_t i = 0; i < set->pointCount; i++) {
        run.classes.push_back(set->points[i].classification);
        run.z.push_back((float)(set->points[i].z / scale));
    }
    FreePointSelection(tile);
    FreeDataSet(set);
    return run;
}

// The metre run, checked against a second run and a feet copy: the same
// classes and result each time.
inline FilterRun RunFilterChecked(TileStepRoutine step, const std::vector<PointRecord>& points,
                                  const SettingsTweak& tweak = nullptr)
{
    FilterRun metres = RunFilter(step, points, 1.0, tweak);
    FilterRun again = RunFilter(step, points, 1.0, tweak);
    FilterRun feet = RunFilter(step, points, 3.28, tweak);
    EXPECT_EQ(again.classes, metres.classes) << "second run";
    EXPECT_EQ(again.result, metres.result) << "second run";
    EXPECT_EQ(feet.classes, metres.classes) << "feet copy";
    EXPECT_EQ(feet.result, metres.result) << "feet copy";
    return metres;
}
