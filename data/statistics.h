// Completing a loaded data set: which loader reads a file, the statistics and
// display ranges of a set, and its nominal point spacing.
#pragma once
#include <cstdint>

struct DataSet;
struct PointSelection;
struct TINModel;

// 1 LAS or LAZ, 2 ASCII (anything else), 3 GDAL grid, 4 radar height grid;
// 0 for a GeoTIFF or Imagine file that is no usable grid (reported once).
int     GetDataFileKind(const char* path);

// Both return 1 (0 for no set).
int  ComputeDataSetStatistics(DataSet* set);
void ComputePointStatistics(DataSet* set);
void ComputeGridStatistics(DataSet* set);

// Measures pointSpacing and the edge statistics from a triangulation of the
// densest tile; grids and sets without tiles keep a spacing of 0.
int  DensityCheck(DataSet* set);
// TIN with edges ("eQz") of the selection; null for null or 2 points or fewer.
TINModel* BuildEdgeTIN(PointSelection* points);
