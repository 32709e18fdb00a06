// RunSurfaceMagic: Data Prep, the step list and the commit.
#include "classify/surface_run.h"
#include "classify/surface_analysis.h"
#include "classify/tile_loop.h"
#include "classify/surface_settings.h"
#include "classify/groundtin_screen.h"
#include "classify/key_points.h"
#include "classify/surface_contours.h"
#include "classify/surface_crossing.h"
#include "classify/surface_filters.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/shell_hooks.h"
#include "data/data_set.h"
#include "data/selection.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

const char kNoSurfaceReturnsText[] =
    "\nNo \"Single\" or \"Last\" return points found!\n\nVivuzoz Oduri is not able to run.";
const char kStepUnavailableFormat[] = "[SM] Step %d (%s) is not available; skipped";

static SurfaceStepObserver stepObserver = nullptr;
void SetSurfaceStepObserver(SurfaceStepObserver observer) { stepObserver = observer; }

// A tiled step without a routine would be logged and skipped.
static const SurfaceStep kSteps[] = {
    { STEP_HCSM, "Surface Analysis", 0, StepHCSM, nullptr },
    { STEP_AA, "Surface Analysis (AA)", 0, StepAA, nullptr },
    { STEP_AGG, "AGG", 1, nullptr, StepAGG },
    { STEP_FDB, "FDB", 1, nullptr, StepFDB },
    { STEP_CROSSING, "Crossing", 1, nullptr, StepCrossing },
    { STEP_BNEIGHBOR, "BNeighbor", 1, nullptr, StepBNeighbor },
    { STEP_LMP, "LMP", 1, nullptr, StepLMP },
    { STEP_BDB, "BDB", 1, nullptr, StepBDB },
    { STEP_REFINE, "Refine Surface", 2, StepRefineSurface, nullptr },
    { STEP_CUBIC, "Cubic", 1, nullptr, StepCubic },
    { STEP_NOSE, "Nose", 1, nullptr, StepNose },
    { STEP_COMBINATION, "Final Cleanup", 1, nullptr, StepFinalCleanup },
    { STEP_THINNING, "Finding Key-Points", 1, nullptr, StepFindKeyPoints },
    { STEP_SADDLESPIKE, "SaddleSpike", 1, nullptr, StepSaddleSpike },
};

const SurfaceStep* FindSurfaceStep(int32_t code)
{
    for (const SurfaceStep& s : kSteps)
        if (s.code == code) return &s;
    return nullptr;
}

SurfaceTileSizes ComputeSurfaceTileSizes(float pointSpacing)
{
    SurfaceTileSizes t;
    double s = pointSpacing;
    if (pointSpacing != 0.0f) {
        t.standard = (int32_t)std::sqrt(s * 20000.0 * s);
        t.analysis = (int32_t)std::sqrt(s * 100000.0 * s);
        t.refine = t.standard;
        t.half = t.standard / 2;
        t.twoThirds = 2 * t.standard / 3;
    } else {
        t.standard = 60;
        t.analysis = 120;
        t.refine = 120;
        t.half = 40;
        t.twoThirds = 40;
    }
    t.bdbOverlap = t.standard / 2;
    return t;
}

// Size and overlap of a step's tiles.
static void StepTiles(const SurfaceTileSizes& t, int32_t code, int* size, int* overlap)
{
    switch (code) {
    case STEP_HCSM:
    case STEP_AA:
        *size = t.analysis;
        *overlap = 2 * t.analysis / 3;
        break;
    case STEP_REFINE:
        *size = t.refine;
        *overlap = 2 * t.refine / 3;
        break;
    case STEP_BNEIGHBOR:
    case STEP_THINNING:
        *size = t.standard;
        *overlap = t.half;
        break;
    case STEP_BDB:
        *size = t.standard;
        *overlap = t.bdbOverlap;
        break;
    default:
        *size = t.standard;
        *overlap = t.twoThirds;
        break;
    }
}

void MakeSurfaceRunSettings(const DataSet* set, int terrainBias, int aesthetics, SurfaceMagicSettings* settings)
{
    GetSurfaceMagicSettings(settings);
    settings->unitsCode = set->units;
    settings->pointSpacing = set->pointSpacing;
    // "Thin Error" is given in metres; the key-point step takes the data's units.
    settings->thinError = ScaledHeight(settings, settings->thinError);
    ApplySurfaceAdvancedValues(settings, terrainBias, aesthetics);
}

int ResetWorkingClass(DataSet* set, int value)
{
    for (int32_t i = 0; i < set->pointCount; i++) set->points[i].classification = (uint8_t)value;
    return 1;
}

int CountSurfaceReturns(DataSet* set, SurfaceMagicSettings* settings, int featureClass)
{
    StartProgress((unsigned)(set->pointCount / 32768 + 1), "Data Prep");
    int count = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        if (i % 32768 == 0) StepProgress();
        PointRecord& p = set->points[i];
        uint32_t position = ReturnPositionOf(p.returns);
        bool counted = position == RETURN_SINGLE || position == RETURN_LAST;
        if (counted) count++;
        if (settings->runDataPrep) p.classification = counted ? WORK_GROUND : (uint8_t)featureClass;
    }
    EndProgress();
    return count;
}

int CommitSurfaceClasses(DataSet* set, int groundClass, int featureClass)
{
    StartProgress((unsigned)(set->pointCount / 32768 + 1), "Data Prep");
    int features = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        if (i % 32768 == 0) StepProgress();
        PointRecord& p = set->points[i];
        if (p.classification == WORK_GROUND) {
            p.classification = (uint8_t)groundClass;
        } else {
            p.classification = (uint8_t)featureClass;
            features++;
        }
    }
    EndProgress();
    char text[64];
    snprintf(text, sizeof(text), "[SM EDIT]  %d", features);
    LogMessage(text);
    return features;
}

static PointSelection* SelectTileCandidates(DataSet* set, const double box[4])
{
    return SelectClassPointsInBox(set, box[0], box[1], box[2], box[3], WORK_GROUND);
}

static TileStepRoutine tiledRoutine = nullptr;

static int CallTileRoutine(PointSelection* tile, const double*, SurfaceMagicSettings* settings)
{
    return tiledRoutine(tile, settings);
}

int RunTiledStep(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap,
                 const char* text, TileStepRoutine routine)
{
    tiledRoutine = routine;
    return RunTileLoop(view, set, settings, tileSize, overlap, text, SelectTileCandidates, CallTileRoutine);
}

static void LogElapsed(time_t start)
{
    long elapsed = (long)(time(nullptr) - start);
    char text[64];
    snprintf(text, sizeof(text), "Total SM Time:  %ld:%02ld:%02ld", elapsed / 3600, (elapsed % 3600) / 60,
             elapsed % 60);
    LogMessage(text);
}

int RunSurfaceMagic(HWND view, DataSet* set, int groundClass, int featureClass, int terrainBias, int aesthetics)
{
    SurfaceTileSizes tiles = ComputeSurfaceTileSizes(set->pointSpacing);
    SurfaceMagicSettings settings;
    MakeSurfaceRunSettings(set, terrainBias, aesthetics, &settings);
    // A run that does not succeed gives every point its class back.
    uint8_t* before = (uint8_t*)NBLMalloc((uint64_t)set->pointCount + 1);
    if (!before) return kStepFailed;
    for (int32_t i = 0; i < set->pointCount; i++) before[i] = set->points[i].classification;

    int result = 0;
    if (CountSurfaceReturns(set, &settings, featureClass) == 0) {
        if (view) ShowMessageBox(MessageOwner(), kNoSurfaceReturnsText, "ERROR", MB_OK | MB_ICONERROR);
    } else {
        time_t start = time(nullptr);
        for (int slot = 0; slot < kStepSlots && result >= 0; slot++) {
            const SurfaceStep* step = FindSurfaceStep(settings.stepList[slot]);
            if (!step) continue;
            int size, overlap;
            StepTiles(tiles, step->code, &size, &overlap);
            if (step->tiled == 1 && !step->tile) {
                char text[128];
                snprintf(text, sizeof(text), kStepUnavailableFormat, step->code, SurfaceStepNames[step->code]);
                LogMessage(text);
                continue;
            }
            if (step->tiled == 1) result = RunTiledStep(view, set, &settings, size, overlap, step->text, step->tile);
            else result = step->whole(view, set, &settings, size, overlap, step->text);
            if (stepObserver) stepObserver(step, result, set);
        }
        if (result >= 0) {
            LogElapsed(start);
            CommitSurfaceClasses(set, groundClass, featureClass);
            set->saved = 0;
            NBLFree(before);
            return 1;
        }
    }
    for (int32_t i = 0; i < set->pointCount; i++) set->points[i].classification = before[i];
    NBLFree(before);
    return result;
}

void FinishWorkerRun(HWND view)
{
    ReleaseWorker();
    EndAppJob();
    ReleaseAppJobMutex();
    if (view) PostMessageA(view, WM_JOB_DONE, 0, 1);
}
