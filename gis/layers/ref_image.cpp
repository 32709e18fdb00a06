// Reference images: GTiff, ECW, JPEG 2000 (ECW driver) and JPEG files whose
// bands are bytes, placed by their geotransform.
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "gis/layers/layer_sets.h"
#include "data/gdal_grid.h"
#include "base/heap.h"
#include "base/progress.h"
#include <gdal.h>
#include <cmath>
#include <cstring>
#include <windows.h>

const char kImageNotGrey[] =
    "This file has one band, but it does not appear to be 8-bit grayscale:\n    %s\n\nPalette mapped files are not yet supported.";
const char kImageNot8Bit[] = "This file does not appear to be an 8-bit image:\n    %s\n\n";
const char kImageNoGeoref[] = "There does not appear to be any\ngeo-reference information for:\n    %s";
const char kImageOpenFailed[] = "Unable to open image file for reading:\n    %s\n";
const char kImageReadFailed[] = "Unable to read the image file:\n    %s\n";

static bool AcceptedDriver(GDALDatasetH image)
{
    const char* name = GDALDriverNameOf(image);
    for (const char* accepted : {"GTiff", "JP2ECW", "ECW", "JPEG"})
        if (strcmp(name, accepted) == 0) return true;
    return false;
}

// Bands 1..3 as red, green, blue: the last band of each interpretation, or
// bands 1, 2 and 3 when one of the three is missing.
static void ColourBands(GDALDatasetH image, GDALRasterBandH bands[3])
{
    bands[0] = bands[1] = bands[2] = nullptr;
    int count = GDALGetRasterCount(image);
    for (int b = 1; b <= count; b++) {
        GDALRasterBandH band = GDALGetRasterBand(image, b);
        switch (GDALGetRasterColorInterpretation(band)) {
        case GCI_RedBand: bands[0] = band; break;
        case GCI_GreenBand: bands[1] = band; break;
        case GCI_BlueBand: bands[2] = band; break;
        default: break;
        }
    }
    if (!bands[0] || !bands[1] || !bands[2])
        for (int k = 0; k < 3; k++) bands[k] = GDALGetRasterBand(image, k + 1);
}

int CheckReferenceImage(const char* path)
{
    GDALDatasetH image = OpenGDALFileQuietly(path);
    if (!image) return 0;
    int accepted = 0;
    if (AcceptedDriver(image)) {
        int count = GDALGetRasterCount(image);
        accepted = 1;
        if (count == 1) {
            GDALRasterBandH band = GDALGetRasterBand(image, 1);
            if (GDALGetRasterDataType(band) != GDT_Byte || GDALGetRasterColorInterpretation(band) != GCI_GrayIndex) {
                ReportLayerError(kImageNotGrey, path);
                accepted = 0;
            }
        } else if (count >= 3) {
            GDALRasterBandH bands[3];
            ColourBands(image, bands);
            for (int k = 0; k < 3 && accepted; k++)
                if (!bands[k] || GDALGetRasterDataType(bands[k]) != GDT_Byte) {
                    ReportLayerError(kImageNot8Bit, path);
                    accepted = 0;
                }
        } else if (count < 1) {
            accepted = 0;
        }
        double transform[6];
        if (accepted && GDALGetGeoTransform(image, transform) != CE_None) {
            ReportLayerError(kImageNoGeoref, path);
            accepted = 0;
        }
    }
    GDALClose(image);
    return accepted;
}

// Reads every row of a band into byte `offset` of each pixel; false when GDAL
// cannot read a row.
static bool ReadBand(GDALRasterBandH band, ReferenceImage* image, int offset)
{
    int width = GDALGetRasterBandXSize(band), height = GDALGetRasterBandYSize(band);
    if (width > image->columns) width = image->columns;
    if (height > image->rows) height = image->rows;
    int step = image->bytesPerPixel;
    for (int row = 0; row < height; row++) {
        if (row % 256 == 0) StepProgress();
        CPLErr read = GDALRasterIO(band, GF_Read, 0, row, width, 1, image->pixels[row] + offset, width, 1, GDT_Byte, step, 0);
        if (read != CE_None) return false;
    }
    return true;
}

ReferenceFile* LoadReferenceImage(const char* path, const char* title)
{
    GDALDatasetH dataset = OpenGDALFileQuietly(path);
    if (!dataset) {
        ReportLayerError(kImageOpenFailed, title);
        return nullptr;
    }
    ReferenceFile* reference = NewReferenceFile(path, title, REFERENCE_IMAGE);
    ReferenceImage* image = reference ? (ReferenceImage*)NBLCalloc(1, sizeof(ReferenceImage)) : nullptr;
    int bands = GDALGetRasterCount(dataset);
    if (image) {
        reference->image = image;
        GDALGetGeoTransform(dataset, image->geoTransform);
        for (int b = 1; b <= bands; b++) {
            GDALRasterBandH band = GDALGetRasterBand(dataset, b);
            if (GDALGetRasterBandXSize(band) > image->columns) image->columns = GDALGetRasterBandXSize(band);
            if (GDALGetRasterBandYSize(band) > image->rows) image->rows = GDALGetRasterBandYSize(band);
        }
        const double* g = image->geoTransform;
        image->pixelWidth = std::fabs(g[1]);
        image->pixelHeight = std::fabs(g[5]);
        image->minX = g[0];
        image->maxX = g[0] + (image->columns - 1) * image->pixelWidth;
        image->maxY = g[3];
        image->minY = g[3] - (image->rows - 1) * image->pixelHeight;
        reference->minX = image->minX;
        reference->maxX = image->maxX;
        reference->minY = image->minY;
        reference->maxY = image->maxY;
        image->bytesPerPixel = bands < 3 ? 1 : 3;
        if (bands > 0 && image->rows > 0 && image->columns > 0)
            image->pixels = (uint8_t**)NBLCalloc2D((uint64_t)image->rows, (uint64_t)image->columns, image->bytesPerPixel);
    }
    if (!image || !image->pixels) {
        GDALClose(dataset);
        FreeReferenceFile(reference);
        ReportLayerError(kReferenceNoMemory, title);
        return nullptr;
    }
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    bool read = true;
    if (bands < 3) {
        StartProgress((unsigned)(image->rows / 256 + 1), "Loading Image File");
        read = ReadBand(GDALGetRasterBand(dataset, bands), image, 0);
    } else {
        StartProgress((unsigned)(3 * (image->rows / 256) + 3), "Loading Image File");
        GDALRasterBandH colour[3];
        ColourBands(dataset, colour);
        // Blue, green, red: the byte order of a device-independent bitmap.
        read = ReadBand(colour[2], image, 0) && ReadBand(colour[1], image, 1) && ReadBand(colour[0], image, 2);
    }
    GDALClose(dataset);
    EndProgress();
    if (!read) {
        FreeReferenceFile(reference);
        ReportLayerError(kImageReadFailed, title);
        return nullptr;
    }
    return reference;
}
