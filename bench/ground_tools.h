// What the ground classification programs share: loading a LAS file as the
// batch does (no decimation, statistics, tiles, density), running the
// classification headless, and scoring classes against a reference.
#pragma once
#include "bench/bench_clock.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "base/crash.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/selection.h"
#include "data/statistics.h"
#include <chrono>
#include <cstdio>
#include <cstring>

// Headless: every message box is printed and answered with OK.
inline int PrintMessageBox(HWND, const char* text, const char* caption, UINT)
{
    fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}

inline void PrintLogLine(const char* text)
{
    printf("%s\n", text);
}

inline void StartHeadless()
{
    InstallCrashFilter();
    SetMessageBoxHook(PrintMessageBox);
    SetLogHook(PrintLogLine);
    SetDefaultSurfaceMagicSettings();
}

inline double NowSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline const char* FileTitle(const char* path)
{
    const char* slash = strrchr(path, '/');
    const char* back = strrchr(path, '\\');
    if (back && (!slash || back > slash)) slash = back;
    return slash ? slash + 1 : path;
}

inline DataSet* LoadForClassification(const char* path)
{
    DataSet* set = LoadLASData(path, FileTitle(path));
    if (!set) return nullptr;
    ComputeDataSetStatistics(set);
    set->tiles = BuildPointTiles(set);
    DensityCheck(set);
    return set;
}

struct GroundScore {
    long long ground, groundMissed;     // reference ground, of it labelled otherwise
    long long other, otherTaken;        // reference non-ground, of it labelled ground
    long long compared;
    double typeI, typeII, total, kappa;
};

// Compares the classes of two loaded sets of the same points: reference class
// 2 is ground; reference classes 7 and 18 and withheld points are left out.
inline bool ScoreGround(const DataSet* classified, const DataSet* reference, int groundClass, GroundScore* s)
{
    memset(s, 0, sizeof(*s));
    if (classified->pointCount != reference->pointCount) return false;
    for (int32_t i = 0; i < reference->pointCount; i++) {
        const PointRecord& r = reference->points[i];
        if (r.classification == 7 || r.classification == 18 || (r.flags & POINT_WITHHELD)) continue;
        bool labelledGround = classified->points[i].classification == groundClass;
        s->compared++;
        if (r.classification == 2) {
            s->ground++;
            if (!labelledGround) s->groundMissed++;
        } else {
            s->other++;
            if (labelledGround) s->otherTaken++;
        }
    }
    double n = (double)s->compared;
    if (n == 0) return false;
    s->typeI = s->ground ? (double)s->groundMissed / s->ground : 0;
    s->typeII = s->other ? (double)s->otherTaken / s->other : 0;
    s->total = (s->groundMissed + s->otherTaken) / n;
    double a = (double)(s->ground - s->groundMissed), b = (double)s->otherTaken;   // labelled ground
    double c = (double)s->groundMissed, d = (double)(s->other - s->otherTaken);    // labelled other
    double observed = (a + d) / n;
    double expected = ((a + b) * (a + c) + (c + d) * (b + d)) / (n * n);
    s->kappa = expected < 1 ? (observed - expected) / (1 - expected) : 1;
    return true;
}
