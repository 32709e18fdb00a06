// Raster files read through GDAL and told as the program's own records.
#include "base/raster_io.h"
#include "base/file_system.h"
#include <gdal.h>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <algorithm>

struct OpenRaster {
    GDALDatasetH dataset = nullptr;
    bool strict = false;   // FailReadsOnAnyError is in force
};

RasterInput::~RasterInput() { CloseRasterInput(this); }

void RegisterRasterFormats() { GDALAllRegister(); }

bool RasterFormatAvailable(const char* format)
{
    GDALAllRegister();
    return GDALGetDriverByName(format) != nullptr;
}

bool OpenRasterToRead(RasterInput* in, const char* path)
{
    CloseRasterInput(in);
    // Nothing of a raster opened before stays in the record.
    in->format.clear();
    in->columns = in->rows = in->bands = 0;
    in->placed = false;
    const double none[6] = {0, 1, 0, 0, 0, 1};
    std::copy(none, none + 6, in->placement);
    std::string native = ToNativePath(path);
    if (native.empty()) return false;
    GDALAllRegister();
    // A file GDAL cannot read is simply none of the kind asked for: keep its complaints quiet.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    GDALDatasetH dataset = GDALOpen(native.c_str(), GA_ReadOnly);
    CPLPopErrorHandler();
    if (!dataset) return false;
    in->file = new OpenRaster();
    in->file->dataset = dataset;
    const char* name = GDALGetDriverShortName(GDALGetDatasetDriver(dataset));
    in->format = name ? name : "";
    in->columns = GDALGetRasterXSize(dataset);
    in->rows = GDALGetRasterYSize(dataset);
    in->bands = GDALGetRasterCount(dataset);
    in->placed = GDALGetGeoTransform(dataset, in->placement) == CE_None;
    return true;
}

// Errors reported while strict reads are in force.
static int readErrors;
static void CPL_STDCALL CountReadErrors(CPLErr level, CPLErrorNum, const char*)
{
    if (level >= CE_Failure) readErrors++;
}

void CloseRasterInput(RasterInput* in)
{
    if (!in->file) return;
    GDALClose(in->file->dataset);
    if (in->file->strict) {
        CPLSetThreadLocalConfigOption("GDAL_ERROR_ON_LIBJPEG_WARNING", nullptr);
        CPLPopErrorHandler();
    }
    delete in->file;
    in->file = nullptr;
}

void FailReadsOnAnyError(RasterInput* in)
{
    if (!in->file || in->file->strict) return;
    in->file->strict = true;
    readErrors = 0;
    CPLPushErrorHandler(CountReadErrors);
    // libjpeg only warns of a file cut short; as an error the read fails.
    CPLSetThreadLocalConfigOption("GDAL_ERROR_ON_LIBJPEG_WARNING", "TRUE");
}

static GDALRasterBandH BandOf(const RasterInput* in, int band)
{
    return in->file && band >= 1 && band <= in->bands ? GDALGetRasterBand(in->file->dataset, band) : nullptr;
}

static int ColourOf(GDALColorInterp colour)
{
    switch (colour) {
    case GCI_GrayIndex: return BAND_GREY;
    case GCI_RedBand: return BAND_RED;
    case GCI_GreenBand: return BAND_GREEN;
    case GCI_BlueBand: return BAND_BLUE;
    case GCI_AlphaBand: return BAND_ALPHA;
    default: return BAND_OTHER;
    }
}

bool RasterBandAt(const RasterInput* in, int band, RasterBand* out)
{
    GDALRasterBandH b = BandOf(in, band);
    if (!b) return false;
    out->columns = GDALGetRasterBandXSize(b);
    out->rows = GDALGetRasterBandYSize(b);
    GDALDataType type = GDALGetRasterDataType(b);
    out->valueType = type == GDT_Byte ? RASTER_BYTE : type == GDT_Float32 ? RASTER_FLOAT32 : RASTER_OTHER_VALUES;
    out->colour = ColourOf(GDALGetRasterColorInterpretation(b));
    int hasNoData = 0;
    out->noData = GDALGetRasterNoDataValue(b, &hasNoData);
    out->hasNoData = hasNoData != 0;
    return true;
}

bool ReadFloatRows(const RasterInput* in, int band, int first, int count, int columns, float* out)
{
    GDALRasterBandH b = BandOf(in, band);
    return b && GDALRasterIO(b, GF_Read, 0, first, columns, count, out, columns, count, GDT_Float32, 0, 0) == CE_None;
}

bool ReadByteRow(const RasterInput* in, int band, int row, int width, uint8_t* out, int step)
{
    GDALRasterBandH b = BandOf(in, band);
    if (!b) return false;
    CPLErr read = GDALRasterIO(b, GF_Read, 0, row, width, 1, out, width, 1, GDT_Byte, step, 0);
    return read == CE_None && !(in->file->strict && readErrors);
}
