// Elevation grids read through GDAL: the grid test of the file-kind check and
// the process-wide no-data value of grid cells.
#pragma once

// A grid cell holding this value has no height (initially -10000.0).
extern float VoidCellValue;

// True when GDAL opens the file as a single-band 32-bit float GeoTIFF or
// Imagine grid with a georeference; reports why a GeoTIFF or Imagine file
// does not qualify.
bool IsGDALGridFile(const char* path);
