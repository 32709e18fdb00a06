// Point data for tests: single points, point sets made in memory, and the
// points of a sample file read without the program's loader.
#pragma once
#include "test_support.h"
#include "data/data_set.h"
#include <functional>
#include <string>
#include <vector>

// A single return (position 0) of class 1 unless given otherwise.
PointRecord MakePoint(double x, double y, float z, int classCode = 1, int position = 0, int intensity = 0,
                      int sourceId = 0);
// A LAS-kind set holding the points with its bounds set from them, as a
// loader hands it over before any statistics or tiles.
DataSet* MakePointSet(const std::vector<PointRecord>& points);
// Bounds (X, Y and Z) of the set from its points.
void SetPointSetBounds(DataSet* set);
// The same, ready to be viewed: ramp (lowest to highest Z), intensity range,
// source ID colours and spatial tiles.
DataSet* MakePointDataSet(const std::vector<PointRecord>& points);
// Reads the points of an uncompressed LAS file (formats 0-5) byte by byte,
// without the program's reader; null when the file cannot be read.
DataSet* ReadSampleLAS(const char* path);
// The points of a LAS or LAZ file through the LAZ library, ready to be viewed
// (null when it cannot be read).
DataSet* LoadSampleDataSet(const std::string& path);
// A GDAL-kind grid of rows x columns one-unit cells whose row 0 lies at
// Y = 100, column 0 at X = 0; heights from the function of (X, Y), with the
// statistics a loader gives it.
DataSet* MakeGridSet(int rows, int columns, std::function<float(double, double)> height);
