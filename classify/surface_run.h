// A Vivuzoz Oduri run over one loaded data set: Data Prep, the steps of the
// step list (whole-data-set or per tile), and the commit of the user's
// ground and feature classes.
#pragma once
#include <windows.h>
#include <cstdint>

struct DataSet;
struct PointSelection;
struct SurfaceMagicSettings;

// Tile sizes of a run, from the data set's point spacing.
struct SurfaceTileSizes {
    int32_t standard;        // A
    int32_t analysis;        // B
    int32_t refine;          // R
    int32_t half;            // A/2
    int32_t twoThirds;       // 2A/3
    int32_t bdbOverlap;      // A/2 of the standard tile, also when the spacing is 0
};
SurfaceTileSizes ComputeSurfaceTileSizes(float pointSpacing);

// A whole-data-set step, and the per-tile routine of a tiled step.
typedef int (*SurfaceStepRoutine)(HWND view, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap,
                                  const char* text);
typedef int (*TileStepRoutine)(PointSelection* tile, SurfaceMagicSettings* settings);

struct SurfaceStep {
    int32_t code;
    const char* text;         // progress text
    int tiled;                // 0 whole data set, 1 tiled, 2 tiled with its own loop (Refine)
    SurfaceStepRoutine whole; // whole-data-set steps and Refine
    TileStepRoutine tile;     // tiled steps (one without a routine is logged and skipped)
};
// The step of a code, or null for an empty slot.
const SurfaceStep* FindSurfaceStep(int32_t code);

// Texts of the run.
extern const char kNoSurfaceReturnsText[];
extern const char kStepUnavailableFormat[];

// 1 on success; 0 when the data set holds no single or last return; the
// negative result of the failing step (-1 on cancel). On every result but 1
// each point's class is what it was before the run.
int RunSurfaceMagic(HWND view, DataSet* set, int groundClass, int featureClass, int terrainBias, int aesthetics);
// The run settings RunSurfaceMagic uses for a data set and the two advanced values.
void MakeSurfaceRunSettings(const DataSet* set, int terrainBias, int aesthetics, SurfaceMagicSettings* settings);

int RunTiledStep(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap,
                 const char* text, TileStepRoutine routine);
int CountSurfaceReturns(DataSet* set, SurfaceMagicSettings* settings, int featureClass);
int CommitSurfaceClasses(DataSet* set, int groundClass, int featureClass);
int ResetWorkingClass(DataSet* set, int value);
void FinishWorkerRun(HWND view);

// Observers of a run (the command-line program logs them): each step's result
// after it ran. Null by default.
typedef void (*SurfaceStepObserver)(const SurfaceStep* step, int result, const DataSet* set);
void SetSurfaceStepObserver(SurfaceStepObserver observer);
