// The analysis walks over the ground triangulation: each inserts the walk's
// vertices in input order with one screening insertion and acts on the
// verdict. Drivers and run routines follow the shape of every triangulation
// of the engine (see GroundTinDrive).
#pragma once
#include "classify/groundtin.h"

// Leading vertices the HCSM and aesthetic walks do not insert (the low outliers).
extern int32_t GroundSkipCount;
// Set by a walk that stopped on a cancel request.
extern int32_t GroundWalkCancelled;

// Sort order of the walks: ascending Z; ties by point order (address), so two
// runs over the same data set give the same classes.
int  GroundTinCompareZ(const PointRecord* a, const PointRecord* b);
void SortPointsByZ(PointRecord** items, int32_t count);

// Drivers: 1, or 0 when memory ran out.
int GroundTinTriangulateAA(const char* switches, TriangulateIO* in, TriangulateIO* out, void* unused,
                           PointSelection* selection);
int GroundTinTriangulateHCSM(const char* switches, TriangulateIO* in, TriangulateIO* out, void* unused,
                             PointSelection* selection);
int GroundTinTriangulateAesthetic(const char* switches, TriangulateIO* in, TriangulateIO* out, void* unused,
                                  PointSelection* selection);
int GroundTinTriangulateRefine(const char* switches, TriangulateIO* in, TriangulateIO* out, void* unused,
                               PointSelection* selection, int32_t n);

int32_t GroundTinRunAA(GroundMesh* m, GroundTinSwitches* b, int32_t unused);
int32_t GroundTinRunHCSM(GroundMesh* m, GroundTinSwitches* b, int32_t unused);
int32_t GroundTinRunAesthetic(GroundMesh* m, GroundTinSwitches* b, int32_t unused);
int32_t GroundTinRunRefine(GroundMesh* m, GroundTinSwitches* b, int32_t n);

int32_t GroundTinAnalyzeAA(GroundMesh* m, GroundTinSwitches* b);
int32_t GroundTinAnalyzeHCSM(GroundMesh* m, GroundTinSwitches* b);
int32_t GroundTinAnalyzeAesthetic(GroundMesh* m, GroundTinSwitches* b);
int32_t GroundTinAnalyzeRefine(GroundMesh* m, GroundTinSwitches* b, int32_t n);
