// Elevation grids of raster files (GeoTIFF, Imagine), read through the raster
// adapter of base/raster_io.h.
#include "data/gdal_grid.h"
#include "resource.h"
#include "data/data_set.h"
#include "data/magnitude.h"
#include "base/shell_hooks.h"
#include "base/dialogs.h"
#include "base/file_dialog.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "base/raster_io.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

float VoidCellValue = -10000.0f;

const char kGridMoreThanOneBand[] = "This file has more than one band:\n    %s\n\n";
const char kGridNot32Bit[] = "This file has one band, but it does not appear to be 32-bit:\n    %s\n\n";
const char kGridNoGeoreference[] = "There does not appear to be any\ngeo-reference information for:\n    %s";
const char kGridNotNorthUp[] =
    "The grid of this file is rotated, runs south-up or has cells that are not square:\n    %s\n\n";
const char kGridBadGeoreference[] =
    "The georeference of this file is not usable: its origin or cell size is not a finite number or is out of "
    "range:\n    %s\n\n";
const char kGridVoidedLine[] = "Grid Cells Not A Number, Made Void:  %lld";
const char kGridUnableToOpen[] = "Unable to open data file for reading:\n    %s\n";
const char kGridNoValidCell[] = "This grid has no valid cell: every cell is void or holds no data:\n    %s\n";
const char kGridNoMemory[] = "Not enough memory to load:\n    %s\n";
const char kMagUnableToOpen[] = "Unable to open MAG file for reading:\n    %s\n";
const char kMagNot32Bit[] = "This file does not appear to be 32-bit:\n    %s\n\n";
const char kMagOtherDimensions[] = "This file does not have the same dimensions:\n    %s\n\n";
const char kMagOtherCoordinates[] = "This file does not have the same coordinate space:\n    %s\n\n";
const char kVoidValueMissing[] = "Please enter a void value";

constexpr int kRowsPerRead = 256;

static void GridError(const char* format, const char* path)
{
    char text[800];
    snprintf(text, sizeof text, format, path);
    ShowMessageBox(MessageOwner(), text, "ERROR", MB_OK | MB_ICONERROR);
}

// Cells are placed by origin and one cell size, rows running south: a
// transform with rotation terms, unequal cell sides or rows running north
// would put every cell in the wrong place.
static bool IsNorthUpSquare(const double* g)
{
    return g[2] == 0 && g[4] == 0 && g[1] > 0 && g[5] < 0 && g[1] == -g[5];
}

bool IsUsableGeoreference(const double* g, int columns, int rows)
{
    auto inRange = [](double v) { return std::isfinite(v) && fabs(v) <= kMaxGridCoordinate; };
    if (!inRange(g[0]) || !inRange(g[3]) || !inRange(g[1]) || !inRange(g[5])) return false;
    // A cell far smaller than any survey resolves is a damaged size, not a grid.
    if (fabs(g[1]) < kMinGridCellSize || fabs(g[5]) < kMinGridCellSize) return false;
    // The far corner as well: a finite cell size times the columns can still
    // put the grid beyond any map.
    return inRange(g[0] + g[1] * (columns > 1 ? columns - 1 : 0)) && inRange(g[3] + g[5] * (rows > 1 ? rows - 1 : 0));
}

GridFileCheck CheckGDALGridFile(const char* path)
{
    RasterInput grid;
    if (!OpenRasterToRead(&grid, path)) return GRID_NOT_GDAL;
    GridFileCheck check = GRID_NOT_GDAL;
    if (grid.format == "GTiff" || grid.format == "HFA") {
        RasterBand band;
        check = GRID_REFUSED;
        if (grid.bands > 1) {
            GridError(kGridMoreThanOneBand, path);
        } else if (!RasterBandAt(&grid, 1, &band) || band.valueType != RASTER_FLOAT32) {
            GridError(kGridNot32Bit, path);
        } else if (!grid.placed) {
            GridError(kGridNoGeoreference, path);
        } else if (!IsUsableGeoreference(grid.placement, grid.columns, grid.rows)) {
            GridError(kGridBadGeoreference, path);
        } else if (!IsNorthUpSquare(grid.placement)) {
            GridError(kGridNotNorthUp, path);
        } else {
            check = GRID_USABLE;
        }
    }
    return check;
}

bool IsGDALGridFile(const char* path) { return CheckGDALGridFile(path) == GRID_USABLE; }

static void ShowWaitOverFrame()
{
    RepaintFrame();
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
}

bool ChooseMagnitudeFile(char* path, char* title)
{
    path[0] = title[0] = 0;
    return ChooseOneFile(MessageOwner(), "Radar MAG File (*.img) |*.img|", "Load Radar MAG File", 0, OFN_FILEMUSTEXIST, path,
                         title) != 0;
}

// The magnitude image of an Imagine grid: same size and georeference, one
// Float32 band. Every failure is reported once and leaves the heights alone.
static void LoadMagnitudeImage(DataSet* set, const double* gridTransform)
{
    char path[256], title[256];
    if (!ChooseMagnitudeFile(path, title)) return;
    ShowWaitOverFrame();
    RasterInput image;
    RasterBand band;
    if (!OpenRasterToRead(&image, path) || image.format != "HFA" || image.bands != 1 || !RasterBandAt(&image, 1, &band)) {
        CloseRasterInput(&image);
        GridError(kMagUnableToOpen, title);
        return;
    }
    const double* g = image.placement;
    const char* refusal = nullptr;
    if (band.valueType != RASTER_FLOAT32) refusal = kMagNot32Bit;
    else if (band.columns != set->columns || band.rows != set->rows)
        refusal = kMagOtherDimensions;
    else if (!image.placed || fabs(g[1]) != set->cellSize || g[0] != gridTransform[0] || g[3] != gridTransform[3])
        refusal = kMagOtherCoordinates;
    if (refusal) {
        CloseRasterInput(&image);
        GridError(refusal, title);
        return;
    }
    const int rows = set->rows, columns = set->columns;
    uint16_t** magnitudes = (uint16_t**)Calloc2D(rows, columns, sizeof(uint16_t), "LoadRadarBinFile");
    float* buffer = (float*)Malloc((uint64_t)columns * kRowsPerRead * sizeof(float), "LoadRadarBinFile");
    if (!magnitudes || !buffer) {
        Free2D(magnitudes);
        Free(buffer);
        CloseRasterInput(&image);
        GridError(kGridNoMemory, title);
        return;
    }
    StartProgress((unsigned)(2 * rows / 256 + 1), "Loading File");
    double low = 3.37e38, high = -3.37e38;
    bool ok = true;
    for (int r = 0; r < rows && ok; r += kRowsPerRead) {
        int n = rows - r < kRowsPerRead ? rows - r : kRowsPerRead;
        StepProgress();
        ok = ReadFloatRows(&image, 1, r, n, columns, buffer);
        if (ok) WidenMagnitudeLogRange(buffer, n * columns, &low, &high);
    }
    double k = MagnitudeStretchFactor(low, high);
    for (int r = 0; r < rows && ok; r += kRowsPerRead) {
        int n = rows - r < kRowsPerRead ? rows - r : kRowsPerRead;
        StepProgress();
        ok = ReadFloatRows(&image, 1, r, n, columns, buffer);
        if (ok) ScaleRadarMagnitude(buffer, magnitudes[r], n * columns, low, k);
    }
    EndProgress();
    Free(buffer);
    CloseRasterInput(&image);
    if (!ok) {
        Free2D(magnitudes);
        GridError(kMagUnableToOpen, title);
        return;
    }
    set->magnitudes = magnitudes;
    set->magnitudeRangeLow = set->magnitudeRangeHigh = 4.0;
    set->magnitudeFitLow = set->magnitudeFitHigh = 0;
    FitMagnitudeHistogram(set);
}

DataSet* Load32BitTIFF(const char* path, const char* title)
{
    ShowWaitOverFrame();
    RasterInput grid;
    if (!OpenRasterToRead(&grid, path)) {
        GridError(kGridUnableToOpen, title);
        return nullptr;
    }
    bool imagine = grid.format == "HFA";
    DataSet* set = AllocDataSet();
    if (!set) {
        CloseRasterInput(&grid);
        GridError(kGridNoMemory, title);
        return nullptr;
    }
    set->source = SOURCE_GDAL;
    set->kind = DATA_GDAL;
    set->plainSource = 1;
    set->saved = 1;
    snprintf(set->path, sizeof set->path, "%s", path);
    snprintf(set->title, sizeof set->title, "%s", title);

    const double* g = grid.placement;
    RasterBand band;
    const bool hasBand = RasterBandAt(&grid, 1, &band);
    // The loader may be reached without the grid test (a file that changed
    // since): a georeference that would misplace every cell is refused here too.
    const char* refusal = !grid.placed                                         ? kGridNoGeoreference
                        : !IsUsableGeoreference(g, grid.columns, grid.rows) ? kGridBadGeoreference
                        : !IsNorthUpSquare(g)                               ? kGridNotNorthUp
                                                                            : nullptr;
    if (refusal) {
        CloseRasterInput(&grid);
        FreeDataSet(set);
        GridError(refusal, title);
        return nullptr;
    }
    set->columns = hasBand ? band.columns : 0;
    set->rows = hasBand ? band.rows : 0;
    set->cellSize = fabs(g[1]);
    // GDAL's transform gives the outer corner of the area the first cell
    // covers, also for files whose values are points (their transform is
    // moved by half a cell as GDAL reads it): the value belongs to the centre.
    const double toPost = set->cellSize / 2;
    set->originX = set->minX = g[0] + toPost;
    set->maxX = set->originX + set->cellSize * (set->columns - 1);
    set->originY = set->maxY = g[3] - toPost;
    set->minY = set->originY - fabs(g[5]) * (set->rows - 1);
    set->minZ = 3.37e38f;
    set->maxZ = -3.37e38f;
    SetGridExtent(set);
    const int rows = set->rows, columns = set->columns;
    set->heights = (float**)Calloc2D(rows, columns, sizeof(float), "Load32BitTIFF");
    set->mask = (uint8_t**)Calloc2D(rows, 2 * (uint64_t)columns, 1, "Load32BitTIFF");
    if (!hasBand || rows < 1 || columns < 1 || !set->extent || !set->heights || !set->mask) {
        CloseRasterInput(&grid);
        FreeDataSet(set);
        GridError(hasBand ? kGridNoMemory : kGridUnableToOpen, title);
        return nullptr;
    }

    // Rows are read in blocks straight into the height grid, whose rows lie
    // one after the other in one allocation.
    StartProgress((unsigned)(rows / 256 + 1), "Loading File");
    const float voidValue = VoidCellValue;
    // The file's own no-data value marks void cells as well: they take the
    // program's void value, or they would be drawn as terrain at that height.
    const bool mapNoData = band.hasNoData && (float)band.noData != voidValue;
    const float noDataValue = (float)band.noData;
    float low = 3.37e38f, high = -3.37e38f;
    int64_t valid = 0, voided = 0;
    bool ok = true;
    for (int r = 0; r < rows && ok; r += kRowsPerRead) {
        int n = rows - r < kRowsPerRead ? rows - r : kRowsPerRead;
        StepProgress();
        ok = ReadFloatRows(&grid, 1, r, n, columns, set->heights[r]);
        float* h = set->heights[r];
        for (int64_t i = 0, end = (int64_t)n * columns; ok && i < end; i++) {
            float z = h[i];
            if (mapNoData && (z == noDataValue || (std::isnan(noDataValue) && std::isnan(z)))) {
                h[i] = voidValue;
                continue;
            }
            if (!std::isfinite(z)) {
                h[i] = voidValue;
                voided++;
                continue;
            }
            if (z == voidValue) continue;
            valid++;
            if (z < low) low = z;
            if (z > high) high = z;
        }
    }
    EndProgress();
    CloseRasterInput(&grid);
    if (!ok || valid == 0) {
        // A grid of void cells only has no heights to show, nor a height range.
        FreeDataSet(set);
        GridError(ok ? kGridNoValidCell : kGridUnableToOpen, title);
        return nullptr;
    }
    set->minZ = low;
    set->maxZ = high;
    set->pointCount = set->filePointCount = (int32_t)(valid < INT32_MAX ? valid : INT32_MAX);
    if (voided > 0) {
        char line[120];
        snprintf(line, sizeof line, kGridVoidedLine, (long long)voided);
        LogMessage(line);
    }
    if (imagine) LoadMagnitudeImage(set, g);
    return set;
}

INT_PTR CALLBACK VoidDEMValueDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        char text[64];
        snprintf(text, sizeof text, "%.1f", VoidCellValue);
        SetDlgItemTextA(dialog, IDC_VOID_DEM_VALUE, text);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char text[254];
            GetDlgItemTextA(dialog, IDC_VOID_DEM_VALUE, text, sizeof text);
            if (!text[0]) {
                ShowMessageBox(dialog, kVoidValueMissing, "Error", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            VoidCellValue = (float)atof(text);
            return EndDialogWith(dialog, 1);
        }
        case IDCANCEL:
            return EndDialogWith(dialog, 0);
        }
        break;
    }
    return FALSE;
}
