// Tiled Vivuzoz Oduri filters that judge each ground candidate of a tile by
// its direct neighbours in the TIN of the tile's candidates: AGG (steep
// aggregate slope), FDB (above all neighbours), BDB (bump, pit), Nose, Cubic
// and BNeighbor. Each takes the candidates of one tile and returns the number
// of points it reclassified, or kStepFailed when the memory ran out.
#pragma once
#include <cstdint>

struct PointSelection;
struct SurfaceMagicSettings;

int StepAGG(PointSelection* tile, SurfaceMagicSettings* settings);
int StepFDB(PointSelection* tile, SurfaceMagicSettings* settings);
int StepBDB(PointSelection* tile, SurfaceMagicSettings* settings);
int StepNose(PointSelection* tile, SurfaceMagicSettings* settings);
int StepCubic(PointSelection* tile, SurfaceMagicSettings* settings);
int StepBNeighbor(PointSelection* tile, SurfaceMagicSettings* settings);

// The least number of points that must have a point as their steepest
// neighbour for BNeighbor to reject it, for a point of `edges` edges; never
// below 1 (a point that is nobody's steepest neighbour is no reject).
int32_t BNeighborHitsNeeded(int32_t edges, float percent);
