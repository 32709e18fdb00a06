// Raster files (elevation grids and images) behind the program's own records:
// a file opened read-only with the library's complaints kept quiet (a file it
// cannot read is simply none of its kind), its size, bands, placement and
// format told as plain numbers and names, and rows of a band read as floats
// or bytes; also the registration of the formats at start-up. The raster
// library is used in raster_io.cpp alone. Paths are Win32 paths; they are
// converted here, where the library opens them.
#pragma once
#include <cstdint>
#include <string>

// How a band stores its values.
enum RasterValueType { RASTER_OTHER_VALUES = 0, RASTER_BYTE = 1, RASTER_FLOAT32 = 2 };
// What a band's values show.
enum RasterBandColour { BAND_OTHER = 0, BAND_GREY, BAND_RED, BAND_GREEN, BAND_BLUE, BAND_ALPHA };

// One band of a raster (bands are numbered from 1, as the file numbers them).
struct RasterBand {
    int columns = 0, rows = 0;
    int valueType = RASTER_OTHER_VALUES;
    int colour = BAND_OTHER;
    bool hasNoData = false;   // the file names a value that marks cells without data
    double noData = 0;
};

struct OpenRaster;   // the library's handle, in raster_io.cpp

// A raster open for reading; closed by CloseRasterInput or when it goes.
struct RasterInput {
    OpenRaster* file = nullptr;
    // The short name of the format's reader: "GTiff", "HFA" (Imagine), "JPEG",
    // "ECW", "JP2ECW", "PNG", "GIF", "BMP", ...
    std::string format;
    int columns = 0, rows = 0, bands = 0;
    // The placement on the map, when the file holds one: the map x of the
    // outer corner of the first pixel, the x step per column and per row, its
    // map y, the y step per column and per row.
    bool placed = false;
    double placement[6] = {0, 1, 0, 0, 0, 1};
    RasterInput() = default;
    RasterInput(const RasterInput&) = delete;
    RasterInput& operator=(const RasterInput&) = delete;
    ~RasterInput();
};

// Registers every format the library reads; once at start-up (opening does it too).
void RegisterRasterFormats();
// True when this build reads the format of that short name.
bool RasterFormatAvailable(const char* format);

// Opens the raster at `path` read-only; false when the library cannot.
bool OpenRasterToRead(RasterInput* in, const char* path);
void CloseRasterInput(RasterInput* in);
// Band `band` (from 1); false when there is none.
bool RasterBandAt(const RasterInput* in, int band, RasterBand* out);

// Reads rows [first, first + count) of `band`, `columns` wide, as floats into
// consecutive rows starting at `out`.
bool ReadFloatRows(const RasterInput* in, int band, int first, int count, int columns, float* out);
// Reads the first `width` bytes of row `row` of `band` into every `step`th
// byte from `out`.
bool ReadByteRow(const RasterInput* in, int band, int row, int width, uint8_t* out, int step);
// From now until the raster closes, any error the library reports fails the
// reads, also damage it only reports and fills with zeros (a JPEG cut
// short, a missing strip). One raster at a time, on one thread.
void FailReadsOnAnyError(RasterInput* in);
