// Reference images: GTiff, ECW, JPEG 2000 (ECW driver) and JPEG files whose
// bands are bytes, placed by their geotransform; read through base/raster_io.h.
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "app/layer_sets.h"
#include "data/gdal_grid.h"
#include "base/heap.h"
#include "base/paths.h"
#include "base/progress.h"
#include "base/raster_io.h"
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
    if (!lstrcmpiA(parts.ext, ".ecw")) return RasterFormatAvailable("ECW") ? "" : "ECW";
    if (!lstrcmpiA(parts.ext, ".jp2"))
        return RasterFormatAvailable("JP2ECW") || RasterFormatAvailable("JP2OpenJPEG") ? "" : "JPEG 2000";
    if (!lstrcmpiA(parts.ext, ".jpg") || !lstrcmpiA(parts.ext, ".jpeg"))
        return RasterFormatAvailable("JPEG") ? "" : "JPEG";
    if (!lstrcmpiA(parts.ext, ".tif") || !lstrcmpiA(parts.ext, ".tiff")) return "";
    return nullptr;
}

// Pixels are placed by origin and pixel sizes, rows running south and columns
// east: rotation terms, a zero size or a flipped axis would misplace the image.
static bool IsNorthUpImage(const double* g)
{
    return g[2] == 0 && g[4] == 0 && g[1] > 0 && g[5] < 0;
}

static bool AcceptedDriver(const RasterInput* image)
{
    for (const char* accepted : {"GTiff", "JP2ECW", "ECW", "JPEG"})
        if (image->format == accepted) return true;
    return false;
}

// The bands (numbers) of red, green, blue: the last band of each colour, or
// bands 1, 2 and 3 when one of the three is missing.
static void ColourBands(const RasterInput* image, int bands[3])
{
    bands[0] = bands[1] = bands[2] = 0;
    RasterBand band;
    for (int b = 1; b <= image->bands; b++) {
        if (!RasterBandAt(image, b, &band)) continue;
        if (band.colour == BAND_RED) bands[0] = b;
        else if (band.colour == BAND_GREEN) bands[1] = b;
        else if (band.colour == BAND_BLUE) bands[2] = b;
    }
    if (!bands[0] || !bands[1] || !bands[2])
        for (int k = 0; k < 3; k++) bands[k] = k + 1;
}

int CheckReferenceImage(const char* path)
{
    RasterInput image;
    if (!OpenRasterToRead(&image, path)) {
        const char* driver = NeededDriver(path);
        if (driver && driver[0]) ReportImageError(kImageDriverMissing, driver, path);
        else if (driver) ReportLayerError(kImageOpenFailed, path);
        return 0;
    }
    int accepted = 0;
    const double* transform = image.placement;
    if (!AcceptedDriver(&image)) {
        // A picture that GDAL places on the map (a PNG with a world file, say)
        // is meant as a reference image: say why it is not taken. Other
        // rasters (an Imagine grid) are simply no image.
        const std::string& driver = image.format;
        bool picture = driver == "PNG" || driver == "GIF" || driver == "BMP";
        if (picture && image.placed) ReportImageError(kImageFormatNotSupported, driver.c_str(), path);
    } else {
        int count = image.bands;
        accepted = 1;
        RasterBand band;
        if (count == 1) {
            if (!RasterBandAt(&image, 1, &band) || band.valueType != RASTER_BYTE || band.colour != BAND_GREY) {
                ReportLayerError(kImageNotGrey, path);
                accepted = 0;
            }
        } else if (count >= 3) {
            int bands[3];
            ColourBands(&image, bands);
            for (int k = 0; k < 3 && accepted; k++)
                if (!RasterBandAt(&image, bands[k], &band) || band.valueType != RASTER_BYTE) {
                    ReportLayerError(kImageNot8Bit, path);
                    accepted = 0;
                }
        } else if (count < 1) {
            accepted = 0;
        }
        if (accepted && !image.placed) {
            ReportLayerError(kImageNoGeoref, path);
            accepted = 0;
        } else if (accepted && !IsUsableGeoreference(transform, image.columns, image.rows)) {
            ReportLayerError(kGridBadGeoreference, path);
            accepted = 0;
        } else if (accepted && !IsNorthUpImage(transform)) {
            ReportLayerError(kImageNotNorthUp, path);
            accepted = 0;
        }
    }
    return accepted;
}

// Reads every row of band `b` into byte `offset` of each pixel; false when a
// row cannot be read.
static bool ReadBand(const RasterInput* in, int b, ReferenceImage* image, int offset)
{
    RasterBand band;
    if (!RasterBandAt(in, b, &band)) return false;
    int width = band.columns, height = band.rows;
    if (width > image->columns) width = image->columns;
    if (height > image->rows) height = image->rows;
    int step = image->bytesPerPixel;
    for (int row = 0; row < height; row++) {
        if (row % 256 == 0) StepProgress();
        if (!ReadByteRow(in, b, row, width, image->pixels[row] + offset, step)) return false;
    }
    return true;
}

// The band of a one- or two-band image: the last one, passing over an alpha band.
static int GreyBand(const RasterInput* dataset)
{
    RasterBand band;
    int bands = dataset->bands;
    if (bands == 2 && RasterBandAt(dataset, bands, &band) && band.colour == BAND_ALPHA) return 1;
    return bands;
}

ReferenceFile* LoadReferenceImage(const char* path, const char* title)
{
    RasterInput dataset;
    if (!OpenRasterToRead(&dataset, path)) {
        ReportLayerError(kImageOpenFailed, title);
        return nullptr;
    }
    // The image may have changed since the check: its placement is tested again.
    const double* placement = dataset.placement;
    const char* misplaced = !dataset.placed                                                   ? kImageNoGeoref
                          : !IsUsableGeoreference(placement, dataset.columns, dataset.rows) ? kGridBadGeoreference
                          : !IsNorthUpImage(placement)                                      ? kImageNotNorthUp
                                                                                            : nullptr;
    if (misplaced) {
        CloseRasterInput(&dataset);
        ReportLayerError(misplaced, title);
        return nullptr;
    }
    ReferenceFile* reference = NewReferenceFile(path, title, REFERENCE_IMAGE);
    ReferenceImage* image = reference ? (ReferenceImage*)NBLCalloc(1, sizeof(ReferenceImage)) : nullptr;
    int bands = dataset.bands;
    if (image) {
        reference->image = image;
        memcpy(image->geoTransform, placement, sizeof image->geoTransform);
        RasterBand band;
        for (int b = 1; b <= bands; b++) {
            if (!RasterBandAt(&dataset, b, &band)) continue;
            if (band.columns > image->columns) image->columns = band.columns;
            if (band.rows > image->rows) image->rows = band.rows;
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
        CloseRasterInput(&dataset);
        FreeReferenceFile(reference);
        ReportLayerError(kReferenceNoMemory, title);
        return nullptr;
    }
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    bool read = true;
    // Some damage is only reported, the rest filled with zeros: any error fails the read.
    FailReadsOnAnyError(&dataset);
    if (bands < 3) {
        StartProgress((unsigned)(image->rows / 256 + 1), "Loading Image File");
        read = ReadBand(&dataset, GreyBand(&dataset), image, 0);
    } else {
        StartProgress((unsigned)(3 * (image->rows / 256) + 3), "Loading Image File");
        int colour[3];
        ColourBands(&dataset, colour);
        // Blue, green, red: the byte order of a device-independent bitmap.
        read = ReadBand(&dataset, colour[2], image, 0) && ReadBand(&dataset, colour[1], image, 1) &&
               ReadBand(&dataset, colour[0], image, 2);
    }
    CloseRasterInput(&dataset);
    EndProgress();
    if (!read) {
        FreeReferenceFile(reference);
        ReportLayerError(kImageReadFailed, title);
        return nullptr;
    }
    return reference;
}
