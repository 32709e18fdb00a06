// The surface analysis steps of a Vivuzoz Oduri run: step 1 HCSM (low-outlier
// cut, the aesthetic walk, the HCSM walk), step 2 AA and step 9 Refine
// Surface, with the candidate selections they work on.
#pragma once
#include <windows.h>
#include <cstdint>

struct DataSet;
struct PointSelection;
struct SurfaceMagicSettings;

// A step that could not get the memory for its triangulation.
constexpr int kStepFailed = -2;

int StepHCSM(HWND view, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap, const char* text);
int StepAA(HWND view, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap, const char* text);
int StepRefineSurface(HWND view, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap,
                      const char* text);

// AA run over the candidates (reordered by Z): entries not in class 2 after
// it; 0 for null or fewer than 4.
int32_t GroundTinSortAndRun(PointSelection* candidates, SurfaceMagicSettings* settings);
int AnalyzeSurface(PointSelection* candidates, SurfaceMagicSettings* settings);
int ClassifySurface(PointSelection* candidates, SurfaceMagicSettings* settings);
int RefineCandidates(PointSelection* candidates, PointSelection* others, SurfaceMagicSettings* settings);
// box: left, top, right, bottom.
int RefineTile(PointSelection* tile, const double box[4], SurfaceMagicSettings* settings);

PointSelection* SelectCandidates(DataSet* set);
PointSelection* SelectGroundCandidates(PointSelection* selection);
PointSelection* SelectTilePointsByClass(DataSet* set, const double box[4], const int32_t classTable[256]);
PointSelection* SelectNonCandidatesInBox(PointSelection* selection, const double box[4]);

// Progress rows of a whole-data-set step.
int WholeStepRows(const DataSet* set, int size, int overlap);
