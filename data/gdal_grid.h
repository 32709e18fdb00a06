// Elevation grids of raster files (GeoTIFF, Imagine): the grid test of the
// file-kind check, the grid loader with its optional radar magnitude image,
// and the process-wide no-data value of grid cells with its dialog. The
// files are read through base/raster_io.h, which converts their paths.
#pragma once
#include <windows.h>

struct DataSet;

// A grid cell holding this value has no height (initially -10000.0).
extern float VoidCellValue;

// No map coordinate of a grid or image lies farther from 0 than this, and
// no cell or pixel is smaller than the least size: beyond them the
// georeference is damaged.
constexpr double kMaxGridCoordinate = 1e10;
constexpr double kMinGridCellSize = 1e-9;
// True when `v` is a finite number within kMaxGridCoordinate of 0.
inline bool MapCoordinateUsable(double v) { return v >= -kMaxGridCoordinate && v <= kMaxGridCoordinate; }
// True when the geotransform's origin and pixel sizes are finite, the sizes
// at least kMinGridCellSize, and the grid of columns x rows stays within
// kMaxGridCoordinate.
bool IsUsableGeoreference(const double* geoTransform, int columns, int rows);

// What the grid test found.
enum GridFileCheck {
    GRID_NOT_GDAL = 0,   // GDAL cannot open it, or it is neither GeoTIFF nor Imagine: no message
    GRID_USABLE = 1,     // a single-band Float32 north-up grid with a georeference
    GRID_REFUSED = 2,    // a GeoTIFF or Imagine file that is not such a grid: reported once
};
GridFileCheck CheckGDALGridFile(const char* path);
// True when the check finds a usable grid.
bool IsGDALGridFile(const char* path);

// Messages of the grid test and the loader (each formatted with a path or title).
extern const char kGridMoreThanOneBand[];
extern const char kGridNot32Bit[];
extern const char kGridNoGeoreference[];
extern const char kGridNotNorthUp[];
extern const char kGridBadGeoreference[];
extern const char kGridVoidedLine[];   // the log line counting NaN or infinite cells made void
extern const char kGridUnableToOpen[];
extern const char kGridNoValidCell[];
extern const char kGridNoMemory[];
extern const char kMagUnableToOpen[];
extern const char kMagNot32Bit[];
extern const char kMagOtherDimensions[];
extern const char kMagOtherCoordinates[];
extern const char kVoidValueMissing[];

// A grid DataSet (kind 3) of the file, or null after telling the user.
// Imagine grids are offered a magnitude image of the same grid.
DataSet* Load32BitTIFF(const char* path, const char* title);

// The "Load Radar MAG File" open dialog; true when a file was chosen.
// Both buffers hold 256 characters.
bool ChooseMagnitudeFile(char* path, char* title);

// Dialog IDD_VOID_DEM "Change Void DEM Cell Value".
INT_PTR CALLBACK VoidDEMValueDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
