// The LAS public header: defaults, reading with every size and offset checked
// before it is trusted, writing at the size its version calls for, copying
// from one file to another, and the version, date and scale rules.
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_points.h"
#include "base/heap.h"
#include "base/text.h"
#include <cmath>
#include <cstdio>
#include <cstring>

static const char LAS_GENERATING_SOFTWARE[] = "Velka Geospatial LAS Lib v1.40";
const char kLASFileTooSmallFormat[] = "The file is too small: it holds %llu bytes, too few for a 227-byte LAS header";
const char kLASVersionNotSupportedFormat[] = "LAS version %u.%u is not supported (LAS 1.0 to 1.4 are)";
const char kLASHeaderTooSmallForCountFormat[] =
    "LAS header size %u is too small to hold the point count of LAS 1.4 point data format %d, "
    "and its legacy point count is 0";

uint16_t LASHeaderSizeForVersion(int version)
{
    if (version == 13) return LAS_HEADER_SIZE_13;
    if (version == 14) return LAS_HEADER_SIZE_14;
    return LAS_HEADER_SIZE_10;
}

// Bytes of the header this library holds for a file of `version` whose Header
// Size field says `headerSize`: every field of its version's layout that lies
// whole inside the header, never more. A LAS 1.4 header cut short keeps the
// fields it has (from 255 bytes on its 64-bit count, then whole entries of the
// counts by return); the bytes of a longer header are user data, kept as
// they are.
static uint16_t HeldHeaderBytes(int version, uint16_t headerSize)
{
    static const uint16_t ends14[] = {LAS_HEADER_SIZE_13, 243, 247, 255};   // waveform start .. 64-bit count
    if (version >= 14 && headerSize >= LAS_HEADER_SIZE_14) return LAS_HEADER_SIZE_14;
    if (version >= 14 && headerSize >= 255) return (uint16_t)(255 + (headerSize - 255) / 8 * 8);
    uint16_t held = LAS_HEADER_SIZE_10;
    if (version >= 14)
        for (uint16_t end : ends14)
            if (headerSize >= end) held = end;
    if (version == 13 && headerSize >= LAS_HEADER_SIZE_13) held = LAS_HEADER_SIZE_13;
    return held;
}

static void SetEmptyExtent(LASHeader& h)
{
    h.minX = h.minY = h.minZ = LAS_EMPTY_MIN;
    h.maxX = h.maxY = h.maxZ = LAS_EMPTY_MAX;
}

void InitLASHeader(LASFile* las)
{
    LASHeader& h = las->header;
    memset(&h, 0, sizeof h);
    memcpy(h.fileSignature, "LASF", 4);
    h.versionMajor = 1;
    h.versionMinor = 0;
    strcpy(h.systemIdentifier, "OTHER");
    strcpy(h.generatingSoftware, LAS_GENERATING_SOFTWARE);
    h.headerSize = LAS_HEADER_SIZE_10;
    h.offsetToPointData = 229;
    h.pointDataFormat = 0;
    h.pointDataRecordLength = 20;
    h.xScale = 0.01;
    h.yScale = 0.01;
    h.zScale = 0.001;
    SetEmptyExtent(h);
    las->version = 10;
}

// Every coordinate is an integer times a scale plus an offset: a scale or
// offset that is not a finite number, or a zero scale, gives no coordinates.
const char* LASScaleProblem(double xScale, double yScale, double zScale, double xOffset, double yOffset,
                            double zOffset)
{
    const double scales[3] = {xScale, yScale, zScale};
    const double offsets[3] = {xOffset, yOffset, zOffset};
    for (double s : scales)
        if (!std::isfinite(s)) return "A scale factor of the header is not a finite number";
    for (double s : scales)
        if (s == 0.0) return "A scale factor of the header is zero";
    for (double o : offsets)
        if (!std::isfinite(o)) return "An offset of the header is not a finite number";
    return nullptr;
}

// Reads the fixed part and checks what it says before anything relies on it,
// then the longer layout of LAS 1.3 and 1.4 where the header holds it.
static int ParseFixedPart(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* p, char* error,
                          size_t size)
{
    LASHeader& h = p->header;
    if (source.size < LAS_HEADER_SIZE_10) {
        snprintf(error, size, kLASFileTooSmallFormat, (unsigned long long)source.size);
        return 0;
    }
    if (!source.readAt(source.context, 0, &h, LAS_HEADER_SIZE_10)) {
        snprintf(error, size, "Unable to read the 227-byte LAS header of a file of %llu bytes",
                 (unsigned long long)source.size);
        return 0;
    }
    if (memcmp(h.fileSignature, "LASF", 4) != 0) {
        snprintf(error, size, "The file does not begin with the LAS signature \"LASF\"");
        return 0;
    }
    // A later version may lay its header out otherwise; read as LAS 1.4 and
    // written back, it would lose its own version.
    if (h.versionMajor != 1 || h.versionMinor > 4) {
        snprintf(error, size, kLASVersionNotSupportedFormat, (unsigned)h.versionMajor, (unsigned)h.versionMinor);
        return 0;
    }
    p->version = 10 + h.versionMinor;
    if (h.headerSize < LAS_HEADER_SIZE_10) {
        snprintf(error, size, "Header size %u is smaller than the 227 bytes of a LAS header", (unsigned)h.headerSize);
        return 0;
    }
    if (h.offsetToPointData < h.headerSize) {
        snprintf(error, size, "Header size %u reaches past the offset to point data %u", (unsigned)h.headerSize,
                 (unsigned)h.offsetToPointData);
        return 0;
    }
    if (h.offsetToPointData > source.size) {
        snprintf(error, size, "Offset to point data %u lies beyond the end of the file (%llu bytes)",
                 (unsigned)h.offsetToPointData, (unsigned long long)source.size);
        return 0;
    }
    // Before the format: a LAZ file read as LAS is then refused for its real fault.
    const char* bad = LASScaleProblem(h.xScale, h.yScale, h.zScale, h.xOffset, h.yOffset, h.zOffset);
    if (bad) {
        snprintf(error, size, "%s", bad);
        return 0;
    }
    if ((h.pointDataFormat & 0xC0) && !rules.compressedFormats) {
        snprintf(error, size, "Point data format %u is compressed (LAZ); its points are not LAS records",
                 (unsigned)h.pointDataFormat);
        return 0;
    }
    int format = h.pointDataFormat & 0x3F;
    if (format > LAS_MAX_FORMAT) {
        snprintf(error, size, "Unknown point data format %d", format);
        p->refusedFormat = format;
        return 0;
    }
    int standard = LASStandardRecordLength(format);
    if (h.pointDataRecordLength < standard) {
        snprintf(error, size, "Point record length %u is shorter than the %d bytes of point data format %d",
                 (unsigned)h.pointDataRecordLength, standard, format);
        return 0;
    }
    // A header shorter than its version's layout keeps the fields that fit.
    // A LAS 1.4 one of fewer than 255 bytes lacks its 64-bit count and is
    // counted by its legacy count; when that is 0 (as formats 6 to 10 leave
    // it) the header no longer says how many points there are, and guessing
    // them from the file size would take extended VLRs or compressed bytes
    // for points.
    p->heldBytes = HeldHeaderBytes(p->version, h.headerSize);
    if (p->version == 14 && p->heldBytes < 255 && h.legacyPointCount == 0) {
        snprintf(error, size, kLASHeaderTooSmallForCountFormat, (unsigned)h.headerSize, format);
        return 0;
    }
    if (p->heldBytes > LAS_HEADER_SIZE_10 &&
        !source.readAt(source.context, LAS_HEADER_SIZE_10, (uint8_t*)&h + LAS_HEADER_SIZE_10,
                       p->heldBytes - LAS_HEADER_SIZE_10)) {
        snprintf(error, size, "Unable to read the LAS 1.3/1.4 header fields");
        return 0;
    }
    // Some writers of LAS 1.4 files of formats 0 to 5 set only the legacy
    // count. The 64-bit count is held for LAS 1.4 headers only (else 0).
    p->pointCount = h.pointCount64 ? h.pointCount64 : h.legacyPointCount;
    return 1;
}

int ParseLASHeader(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* out, char* error,
                   size_t errorSize)
{
    memset(out, 0, sizeof *out);
    out->refusedFormat = -1;
    out->cutVLR = -1;
    out->heldBytes = LAS_HEADER_SIZE_10;
    if (errorSize) error[0] = 0;
    if (!ParseFixedPart(source, rules, out, error, errorSize)) return 0;
    return ReadVariableLengthRecords(source, rules, out, error, errorSize);
}

int ReadLASHeader(LASFile* las)
{
    static const char* F = "ReadLASHeader";
    static const LASParseRules rules = {false};
    FreeVLRTable(las);
    Free(las->rawHeader);
    las->rawHeader = nullptr;
    las->available = las->loaded = las->cursor = las->lastIndex = las->endOfFile = 0;
    las->recordsRead = 0;

    LASByteSource source = LASFileByteSource(las->file);
    LASParsedHeader parsed;
    char why[LAS_ERROR_TEXT_SIZE];
    int ok = ParseLASHeader(source, rules, &parsed, why, sizeof why);
    if (parsed.version) las->version = parsed.version;
    if (!ok) {
        if (parsed.refusedFormat >= 0) NoteLASRefusedFormat(parsed.refusedFormat);
        SetLASError(las, why, F);
        return 0;
    }
    las->header = parsed.header;
    las->vlrs = parsed.vlrs;
    snprintf(las->loadNote, sizeof las->loadNote, "%s", parsed.note);
    LASHeader& h = las->header;
    las->recordLength = h.pointDataRecordLength;
    las->format = h.pointDataFormat;
    las->pointCount = parsed.pointCount;
    ReadLeicaGeoRecord(las, FindVLR(las, "LeicaGeo", 1003));

    // Where the records begin: the offset to point data, unless that lies
    // inside a record and the file proves the points behind it.
    las->dataStart = parsed.pointStart;
    if (las->format >= 4) {
        // Kept for callers that want the header and VLR bytes exactly as stored.
        las->rawHeader = (uint8_t*)Malloc(las->dataStart, F);
        if (las->rawHeader && !source.readAt(source.context, 0, las->rawHeader, las->dataStart)) {
            Free(las->rawHeader);
            las->rawHeader = nullptr;
        }
    }
    // Measured once: the point data never moves while the file is open.
    las->pointCapacity = LASRecordCapacity(LASPointRegionEnd(h, source.size, las->dataStart), las->dataStart,
                                           (uint32_t)las->recordLength);
    // A damaged count is judged by the records the file holds: only a file
    // that really holds more than a set can is refused, never cut to its
    // low bits.
    uint64_t held = GetLASHeldPointCount(las);
    if (held > LAS_MAX_POINTS) {
        SetLASErrorF(las, F, "Point count %llu is more than this library can read (%llu)", (unsigned long long)held,
                     (unsigned long long)LAS_MAX_POINTS);
        return 0;
    }
    if (!EnsureLASBuffer(las, las->recordLength, F)) return 0;
    las->dataBehindPoints = held > 0 && source.size > las->dataStart + held * (uint64_t)las->recordLength;
    if (!LASSeek(las->file, (int64_t)las->dataStart, FILE_BEGIN)) {
        SetLASError(las, "Unable to seek to the point data", F);
        return 0;
    }
    return 1;
}

// Update mode: the header goes back over its own bytes and the VLRs over their
// own space. The point data never moves, so VLRs that no longer fit before it
// are refused rather than written over the first points.
static int WriteHeaderInPlace(LASFile* las)
{
    static const char* F = "WriteLASHeader";
    LASHeader& h = las->header;
    int64_t total = TotalVLRSize(las);
    if ((uint64_t)h.headerSize + (uint64_t)total > las->dataStart) {
        SetLASWriteFailure(las, F, "The variable length records (%lld bytes) no longer fit before the point data; "
                           "the header was not written", (long long)total);
        return 0;
    }
    uint16_t held = HeldHeaderBytes(las->version, h.headerSize);
    if (!LASSeek(las->file, 0, FILE_BEGIN) || LASWriteItems(las->file, &h, held, 1) != 1 ||
        !LASSeek(las->file, h.headerSize, FILE_BEGIN) || WriteVLRs(las) != total) {
        SetLASWriteFailure(las, F, "Unable to write the header (error %u)", (unsigned)GetLastError());
        return 0;
    }
    return 1;
}

int WriteLASHeader(LASFile* las)
{
    static const char* F = "WriteLASHeader";
    LASHeader& h = las->header;
    if (las->mode == LAS_MODE_UPDATE) return WriteHeaderInPlace(las);
    if (las->mode != LAS_MODE_WRITE) {
        SetLASError(las, "The file is not open for writing", F);
        return 0;
    }
    // Every new file carries the system's own record; once points are in the
    // file it can no longer be added without moving them.
    if (las->pointCount == 0) EnsureNBLMainRecord(las);
    uint16_t headerSize = LASHeaderSizeForVersion(las->version);
    int64_t total = TotalVLRSize(las);
    uint64_t offset = headerSize + (uint64_t)total + (las->version == 10 ? 2 : 0);
    if (offset > 0xFFFFFFFFull) {
        SetLASErrorF(las, F, "The variable length records (%lld bytes) are too large for a LAS file", (long long)total);
        return 0;
    }
    // Points already handed to the writer sit at the old offset; a header that
    // moved them would describe data that is not there.
    if (las->pointCount > 0 && offset != las->dataStart) {
        SetLASWriteFailure(las, F, "The variable length records changed after points were written "
                           "(point data at %llu, header would say %llu); the header was not written",
                           (unsigned long long)las->dataStart, (unsigned long long)offset);
        return 0;
    }
    h.headerSize = headerSize;
    h.offsetToPointData = (uint32_t)offset;

    static const uint8_t signature10[2] = { 0xDD, 0xCC };
    int ok = LASSeek(las->file, 0, FILE_BEGIN) && LASWriteItems(las->file, &h, headerSize, 1) == 1 &&
             WriteVLRs(las) == total &&
             (las->version != 10 || LASWriteItems(las->file, signature10, 2, 1) == 1);
    // A fresh file holds nothing behind the header yet: cut away whatever a
    // longer earlier header or an earlier file left there.
    if (ok && las->pointCount == 0)
        ok = LASSeek(las->file, (int64_t)offset, FILE_BEGIN) && SetEndOfFile(las->file);
    if (!ok) {
        SetLASWriteFailure(las, F, "Unable to write the header (error %u)", (unsigned)GetLastError());
        return 0;
    }
    las->dataStart = offset;
    return 1;
}

// Zeroes every point count and empties the extent so that written points
// rebuild them. Both the legacy and the 64-bit counts are kept by the writers,
// so both start again from zero. `pointCount` is left alone.
LASFile* ResetLASHeaderCounts(LASFile* las)
{
    LASHeader& h = las->header;
    h.legacyPointCount = 0;
    memset(h.legacyPointsByReturn, 0, sizeof h.legacyPointsByReturn);
    h.pointCount64 = 0;
    memset(h.pointsByReturn, 0, sizeof h.pointsByReturn);
    SetEmptyExtent(h);
    return las;
}

// Takes the source's header fields and VLRs into a destination that has no
// points yet; the destination keeps none of the source's pointers into data
// it does not carry (extended VLRs, waveform packets).
int CopyLASHeader(LASFile* destination, LASFile* source)
{
    static const char* F = "CopyLASHeader";
    if (destination->pointCount > 0 || destination->available > 0) {
        SetLASError(destination, "The destination already holds points", F);
        return 0;
    }
    FreeVLRTable(destination);
    destination->header = source->header;
    LASHeader& h = destination->header;
    h.offsetToPointData = 0;
    h.numberOfVLRs = 0;
    h.waveformDataStart = 0;
    h.firstEVLRStart = 0;
    h.numberOfEVLRs = 0;
    for (uint32_t i = 0; i < source->header.numberOfVLRs; i++) {
        if (source->vlrs[i] && !AddVLRCopy(source->vlrs[i], destination)) {
            SetLASError(destination, "Memory problems, unable to copy the variable length records", F);
            return 0;
        }
    }
    if (!EnsureLASBuffer(destination, source->recordLength, F)) return 0;
    destination->format = source->format;
    destination->recordLength = source->recordLength;
    destination->formatFromSource = 1;
    SetLASVersion(destination, source->version);
    return 1;
}

int SetLASScaleAndOffset(LASFile* las, double x1, double x2, double y1, double y2)
{
    LASHeader& h = las->header;
    double x = fabs(x1) > fabs(x2) ? x1 : x2;
    double y = fabs(y1) > fabs(y2) ? y1 : y2;
    if (fabs(x) >= 1000.0 || fabs(y) >= 1000.0) {
        h.xScale = h.yScale = h.zScale = 0.001;
        // Whole millions, truncated toward zero.
        h.xOffset = trunc(x * 1e-6) * 1000000.0;
        h.yOffset = trunc(y * 1e-6) * 1000000.0;
        h.zOffset = 0.0;
    } else {
        h.xScale = h.yScale = 1e-7;
        h.zScale = 0.001;
        h.xOffset = h.yOffset = h.zOffset = 0.0;
        if (x * 10000000.0 > 2147483647.0) h.xScale = 1e-6;
        if (y * 10000000.0 > 2147483647.0) h.yScale = 1e-6;
    }
    return 1;
}

static int IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int SetLASVersion(LASFile* las, int version)
{
    LASHeader& h = las->header;
    h.versionMajor = 1;
    if (version == 10) {
        h.versionMinor = 0;
        las->version = 10;
    } else {
        if (version < 11 || version > 13) version = 14;
        h.versionMinor = (uint8_t)(version - 10);
        las->version = version;
        RemoveVLR(las, "LASF_Spec", 1);
        SetLASSystemIdentifier(las, "OTHER");
        SYSTEMTIME now;
        GetSystemTime(&now);
        static const int daysBefore[12] = { 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };
        int day = daysBefore[now.wMonth - 1] + now.wDay + (now.wMonth > 2 && IsLeapYear(now.wYear) ? 1 : 0);
        SetLASCreationDate(las, (uint16_t)day, now.wYear);
    }
    SetVLRReserved(las);
    memcpy(h.generatingSoftware, LAS_GENERATING_SOFTWARE, sizeof LAS_GENERATING_SOFTWARE);
    return 1;
}

int SetLASSystemIdentifier(LASFile* las, const char* text)
{
    memset(las->header.systemIdentifier, 0, sizeof las->header.systemIdentifier);
    CopyBounded(las->header.systemIdentifier, sizeof las->header.systemIdentifier, text);
    return 1;
}

int SetLASCreationDate(LASFile* las, uint16_t dayOfYear, uint16_t year)
{
    las->header.creationDay = dayOfYear;
    las->header.creationYear = year;
    return 1;
}
