// Screening insertions: each puts a candidate into the ground triangulation
// exactly as GroundTinInsertVertex does (recording its flips so that
// GroundTinUndoVertex can take it out again), goes once around its new star
// while the Delaunay property is restored, and returns a verdict.
#pragma once
#include "classify/groundtin.h"

// Thresholds of the walks, in the data's units; set by the step that starts a walk.
extern float   StepHeight;
extern float   HighStepHeight;
extern float   SpikeHeight;
extern float   SpacingLimit;
extern int32_t SlopeRatioLimit;
extern int32_t AestheticLimit;
// One figure a walked point (same index as GroundPointTable), set up by the step.
extern float*  PointSlopeTable;
// The walked points' working classes (same index), or null: the insertions
// read and write the records. The step that sets it writes them back.
extern uint8_t* GroundClassTable;

// Working classes written by the insertions.
enum : uint8_t {
    WORK_TOO_STEEP = 0,       // HCSM: slope ratio and spike
    WORK_STEP = 1,            // AA: step above the neighbours; HCSM: high step
    WORK_GROUND = 2,          // ground candidate
    WORK_LOW_OUTLIER = 4,     // below the low-outlier cut (HCSM step)
    WORK_DUPLICATE = 20,      // duplicate X, Y (aesthetic, HCSM); HCSM: close and above
    WORK_AESTHETIC = 21,      // aesthetic reject
};

// Verdicts.
enum { SCREEN_KEEP = 0, SCREEN_DUPLICATE = 1, SCREEN_TOO_STEEP = 2, SCREEN_REJECT = 3, SCREEN_STEP = 4 };

int GroundTinInsertAA(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out);
int GroundTinInsertGround(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out);
int GroundTinInsertAesthetic(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out);
int GroundTinInsertHCSM(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out);

// Height at (x, y) of the plane through three points.
float TrianglePlaneZ(const PointRecord* p0, const PointRecord* p1, const PointRecord* p2, double x, double y);
// The point of a vertex of the running walk.
PointRecord* GroundVertexPoint(const GroundMesh* m, Vertex v);
// The working class of a vertex's point: its GroundClassTable entry when
// there is one, else its record's.
uint8_t& GroundVertexClass(const GroundMesh* m, Vertex v);
