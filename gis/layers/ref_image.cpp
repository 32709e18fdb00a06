// Reference images: GTiff, ECW, JPEG 2000 (ECW driver) and JPEG files whose
// bands are bytes, placed by their geotransform.
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "app/layer_sets.h"
#include "data/gdal_grid.h"
#include "base/heap.h"
#include "base/paths.h"
#include "base/progress.h"
#include <gdal.h>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cmath>
#include <cstring>
#include <windows.h>

const char kImageNotGrey[] =
    "This file has one band, but it does not appear to be 8-bit grayscale:\n    %s\n\nPalette mapped files are not yet supported.";
const char kImageNot8Bit[] = "This file does not appear to be an 8-bit image:\n    %s\n\n";
const char kImageNoGeoref[] = "There does not appear to be any\ngeo-reference information for:\n    %s";
const char kImageOpenFailed[] = "Unable to open image file for reading:\n    %s\n";
const char kImageReadFailed[] = "Unable to read the image file:\n    %s\n";
const char kImageNotNorthUp[] =
    "The image is rotated, runs south-up or west-running, or its pixel size is zero:\n    %s\n\n";
const char kImageDriverMissing[] = "This image needs the %s driver, which this build of the program lacks:\n    %s\n";
const char kImageFormatNotSupported[] =
    "Images of this format (%s) cannot be used as reference files; GeoTIFF, ECW, JPEG 2000 and JPEG can:\n    %s\n";

static void ReportImageError(const char* format, const char* what, const char* path)
{
    char text[600];
    snprintf(text, sizeof text, format, what, path);
    ReportLayerError("%s", text);
}

// A file named as one of the accepted image formats that GDAL cannot open:
// the driver its format needs when this build lacks it, else "" (the file
// itself is unreadable); null for any other name, which is simply no image.
static const char* NeededDriver(const char* path)
{
    PathParts parts;
    if (!SplitPath(path, &parts)) return nullptr;
    if (!lstrcmpiA(parts.ext, ".ecw")) return GDALGetDriverByName("ECW") ? "" : "ECW";
    if (!lstrcmpiA(parts.ext, ".jp2"))
        return GDALGetDriverByName("JP2ECW") || GDALGetDriverByName("JP2OpenJPEG") ? "" : "JPEG 2000";
    if (!lstrcmpiA(parts.ext, ".jpg") || !lstrcmpiA(parts.ext, ".jpeg"))
        return GDALGetDriverByName("JPEG") ? "" : "JPEG";
    if (!lstrcmpiA(parts.ext, ".tif") || !lstrcmpiA(parts.ext, ".tiff")) return "";
    return nullptr;
}

// Pixels are placed by origin and pixel sizes, rows running south and columns
// east: rotation terms, a zero size or a flipped axis would misplace the image.
static bool IsNorthUpImage(const double* g)
{
    return g[2] == 0 && g[4] == 0 && g[1] > 0 && g[5] < 0;
}

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
    if (!image) {
        GDALAllRegister();
        const char* driver = NeededDriver(path);
        if (driver && driver[0]) ReportImageError(kImageDriverMissing, driver, path);
        else if (driver) ReportLayerError(kImageOpenFailed, path);
        return 0;
    }
    int accepted = 0;
    double transform[6];
    if (!AcceptedDriver(image)) {
        // A picture that GDAL places on the map (a PNG with a world file, say)
        // is meant as a reference image: say why it is not taken. Other
        // rasters (an Imagine grid) are simply no image.
        const char* driver = GDALDriverNameOf(image);
        bool picture = !strcmp(driver, "PNG") || !strcmp(driver, "GIF") || !strcmp(driver, "BMP");
        if (picture && GDALGetGeoTransform(image, transform) == CE_None)
            ReportImageError(kImageFormatNotSupported, driver, path);
    } else {
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
        if (accepted && GDALGetGeoTransform(image, transform) != CE_None) {
            ReportLayerError(kImageNoGeoref, path);
            accepted = 0;
        } else if (accepted && !IsUsableGeoreference(transform, GDALGetRasterXSize(image), GDALGetRasterYSize(image))) {
            ReportLayerError(kGridBadGeoreference, path);
            accepted = 0;
        } else if (accepted && !IsNorthUpImage(transform)) {
            ReportLayerError(kImageNotNorthUp, path);
            accepted = 0;
        }
    }
    GDALClose(image);
    return accepted;
}

// GDAL reports some damage (a JPEG cut short, a missing strip) only to its
// error handler, filling the rest with zeros: any error while reading counts.
static int readErrors;
static void CPL_STDCALL CountReadErrors(CPLErr level, CPLErrorNum, const char*)
{
    if (level >= CE_Failure) readErrors++;
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
        if (read != CE_None || readErrors) return false;
    }
    return true;
}

// The band of a one- or two-band image: the last one, passing over an alpha band.
static GDALRasterBandH GreyBand(GDALDatasetH dataset, int bands)
{
    GDALRasterBandH band = GDALGetRasterBand(dataset, bands);
    if (bands == 2 && GDALGetRasterColorInterpretation(band) == GCI_AlphaBand) band = GDALGetRasterBand(dataset, 1);
    return band;
}

ReferenceFile* LoadReferenceImage(const char* path, const char* title)
{
    GDALDatasetH dataset = OpenGDALFileQuietly(path);
    if (!dataset) {
        ReportLayerError(kImageOpenFailed, title);
        return nullptr;
    }
    // The image may have changed since the check: its placement is tested again.
    double placement[6];
    const char* misplaced = GDALGetGeoTransform(dataset, placement) != CE_None ? kImageNoGeoref
                          : !IsUsableGeoreference(placement, GDALGetRasterXSize(dataset), GDALGetRasterYSize(dataset))
                              ? kGridBadGeoreference
                          : !IsNorthUpImage(placement) ? kImageNotNorthUp
                                                       : nullptr;
    if (misplaced) {
        GDALClose(dataset);
        ReportLayerError(misplaced, title);
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
    readErrors = 0;
    CPLPushErrorHandler(CountReadErrors);
    // libjpeg only warns of a file cut short; as an error the read fails.
    CPLSetThreadLocalConfigOption("GDAL_ERROR_ON_LIBJPEG_WARNING", "TRUE");
    if (bands < 3) {
        StartProgress((unsigned)(image->rows / 256 + 1), "Loading Image File");
        read = ReadBand(GreyBand(dataset, bands), image, 0);
    } else {
        StartProgress((unsigned)(3 * (image->rows / 256) + 3), "Loading Image File");
        GDALRasterBandH colour[3];
        ColourBands(dataset, colour);
        // Blue, green, red: the byte order of a device-independent bitmap.
        read = ReadBand(colour[2], image, 0) && ReadBand(colour[1], image, 1) && ReadBand(colour[0], image, 2);
    }
    GDALClose(dataset);
    CPLSetThreadLocalConfigOption("GDAL_ERROR_ON_LIBJPEG_WARNING", nullptr);
    CPLPopErrorHandler();
    EndProgress();
    if (!read) {
        FreeReferenceFile(reference);
        ReportLayerError(kImageReadFailed, title);
        return nullptr;
    }
    return reference;
}
