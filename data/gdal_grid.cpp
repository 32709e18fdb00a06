// The GDAL adapter of the grid loaders. Paths stay Win32 paths everywhere
// else; they are converted once here, where GDAL opens them.
#include "data/gdal_grid.h"
#include "base/file_system.h"
#include "base/shell_hooks.h"
#include "base/messages.h"
#include "base/paths.h"
#include <gdal.h>
#include <cpl_error.h>
#include <cstdio>
#include <cstring>

float VoidCellValue = -10000.0f;

static void GridError(const char* format, const char* path)
{
    char text[800];
    snprintf(text, sizeof text, format, path);
    ShowMessageBox(MessageOwner(), text, "ERROR", MB_OK | MB_ICONERROR);
}

static GDALDatasetH OpenGrid(const char* path)
{
    std::string native = ToNativePath(path);
    if (native.empty()) return nullptr;
    GDALAllRegister();
    // A file GDAL cannot read is simply no grid: keep its complaints quiet.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    GDALDatasetH grid = GDALOpen(native.c_str(), GA_ReadOnly);
    CPLPopErrorHandler();
    return grid;
}

bool IsGDALGridFile(const char* path)
{
    GDALDatasetH grid = OpenGrid(path);
    if (!grid) return false;
    bool ok = false;
    const char* driver = GDALGetDriverShortName(GDALGetDatasetDriver(grid));
    if (driver && (!strcmp(driver, "GTiff") || !strcmp(driver, "HFA"))) {
        double transform[6];
        if (GDALGetRasterCount(grid) > 1) {
            GridError("This file has more than one band:\n    %s\n\n", path);
        } else if (GDALGetRasterCount(grid) < 1 ||
                   GDALGetRasterDataType(GDALGetRasterBand(grid, 1)) != GDT_Float32) {
            GridError("This file has one band, but it does not appear to be 32-bit:\n    %s\n\n", path);
        } else if (GDALGetGeoTransform(grid, transform) == CE_Failure) {
            GridError("There does not appear to be any\ngeo-reference information for:\n    %s", path);
        } else {
            ok = true;
        }
    }
    GDALClose(grid);
    return ok;
}
