// Tiled Vivuzoz Oduri filters that look at the shape of the candidates'
// surface around a point: LMP (neighbours off the point's local plane, with
// clusters spared), Final Cleanup (the contour through each point on the
// height-negated surface, curvature, then BNeighbor) and SaddleSpike (peaks
// beside a saddle). Each takes the candidates of one tile and returns the
// number of points it reclassified, or kStepFailed when the memory ran out.
#pragma once
#include <cstdint>

struct PointRecord;
struct PointSelection;
struct SurfaceMagicSettings;

int StepLMP(PointSelection* tile, SurfaceMagicSettings* settings);
int StepFinalCleanup(PointSelection* tile, SurfaceMagicSettings* settings);
int StepSaddleSpike(PointSelection* tile, SurfaceMagicSettings* settings);

// 1 when (x, y) lies inside the triangle or on its boundary; 0 outside or for
// a triangle without area.
int PointInFanTriangle(const PointRecord* const corners[3], double x, double y);
// Height at (x, y) of the plane of the first fan triangle (u, ring[k],
// ring[k+1]), closing with (u, last, first), that holds the position; 0 when
// none does.
int FanPlaneZ(const PointRecord* u, const PointRecord* const* ring, int32_t count, double x, double y, float* z);
