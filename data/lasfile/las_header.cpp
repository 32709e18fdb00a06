// The LAS public header: defaults, reading with every size and offset checked
// before it is trusted, writing at the size its version calls for, copying
// from one file to another, and the version, date and scale rules.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
#include <cmath>
#include <cstring>

static const char LAS_GENERATING_SOFTWARE[] = "Velka Geospatial LAS Lib v1.40";

uint16_t LASHeaderSizeForVersion(int version)
{
    if (version == 13) return LAS_HEADER_SIZE_13;
    if (version == 14) return LAS_HEADER_SIZE_14;
    return LAS_HEADER_SIZE_10;
}

// Bytes of the header this library holds for a file of `version` whose Header
// Size field says `headerSize`: the parts of its version's layout that fit,
// never more. The bytes of a longer header are user data, kept as they are.
static uint16_t HeldHeaderBytes(int version, uint16_t headerSize)
{
    if (version >= 14 && headerSize >= LAS_HEADER_SIZE_14) return LAS_HEADER_SIZE_14;
    if (version >= 13 && headerSize >= LAS_HEADER_SIZE_13) return LAS_HEADER_SIZE_13;
    return LAS_HEADER_SIZE_10;
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

// Walks the VLR headers between the public header and the point data: every
// record, header and data, must lie inside that space before any is read.
static int CheckVLRArea(LASFile* las)
{
    static const char* F = "ReadLASHeader";
    const LASHeader& h = las->header;
    uint64_t space = h.offsetToPointData - h.headerSize;
    if ((uint64_t)h.numberOfVLRs * LAS_VLR_HEADER_SIZE > space) {
        SetLASErrorF(las, F, "%u variable length records cannot fit in the %llu bytes before the point data",
                     (unsigned)h.numberOfVLRs, (unsigned long long)space);
        return 0;
    }
    uint64_t at = h.headerSize;
    for (uint32_t i = 0; i < h.numberOfVLRs; i++) {
        LASVLRHeader vh;
        if (!LASSeek(las->file, (int64_t)at, FILE_BEGIN) || LASReadItems(las->file, &vh, sizeof vh, 1) != 1) {
            SetLASErrorF(las, F, "Unable to read variable length record %u", (unsigned)i);
            return 0;
        }
        at += LAS_VLR_HEADER_SIZE + vh.recordLength;
        if (at > h.offsetToPointData) {
            char id[17];
            memcpy(id, vh.userId, 16);
            id[16] = 0;
            for (char& c : id)
                if (c && (c < 32 || c > 126)) c = '?';
            SetLASErrorF(las, F, "Variable length record %u (%s %u, %u bytes) runs past the point data at %u",
                         (unsigned)i, id, (unsigned)vh.recordId, (unsigned)vh.recordLength,
                         (unsigned)h.offsetToPointData);
            return 0;
        }
    }
    return 1;
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

// Checks what the fixed part of a header says before anything relies on it.
static int CheckHeader(LASFile* las, int64_t fileSize)
{
    static const char* F = "ReadLASHeader";
    const LASHeader& h = las->header;
    if (h.headerSize < LAS_HEADER_SIZE_10) {
        SetLASErrorF(las, F, "Header size %u is smaller than the 227 bytes of a LAS header", (unsigned)h.headerSize);
        return 0;
    }
    if (h.offsetToPointData < h.headerSize) {
        SetLASErrorF(las, F, "Header size %u reaches past the offset to point data %u",
                     (unsigned)h.headerSize, (unsigned)h.offsetToPointData);
        return 0;
    }
    if ((int64_t)h.offsetToPointData > fileSize) {
        SetLASErrorF(las, F, "Offset to point data %u lies beyond the end of the file (%lld bytes)",
                     (unsigned)h.offsetToPointData, (long long)fileSize);
        return 0;
    }
    // Before the format: a LAZ file read as LAS is then refused for its real fault.
    const char* bad = LASScaleProblem(h.xScale, h.yScale, h.zScale, h.xOffset, h.yOffset, h.zOffset);
    if (bad) {
        SetLASErrorF(las, F, "%s", bad);
        return 0;
    }
    if (h.pointDataFormat & 0xC0) {
        SetLASErrorF(las, F, "Point data format %u is compressed (LAZ); its points are not LAS records",
                     (unsigned)h.pointDataFormat);
        return 0;
    }
    if (h.pointDataFormat > LAS_MAX_FORMAT) {
        SetLASErrorF(las, F, "Unknown point data format %u", (unsigned)h.pointDataFormat);
        NoteLASRefusedFormat(h.pointDataFormat);
        return 0;
    }
    int standard = LASStandardRecordLength(h.pointDataFormat);
    if (h.pointDataRecordLength < standard) {
        SetLASErrorF(las, F, "Point record length %u is shorter than the %d bytes of point data format %u",
                     (unsigned)h.pointDataRecordLength, standard, (unsigned)h.pointDataFormat);
        return 0;
    }
    return 1;
}

int ReadLASHeader(LASFile* las)
{
    static const char* F = "ReadLASHeader";
    LASHeader& h = las->header;
    FreeVLRTable(las);
    Free(las->rawHeader);
    las->rawHeader = nullptr;
    las->available = las->loaded = las->cursor = las->lastIndex = las->endOfFile = 0;
    las->recordsRead = 0;

    int64_t fileSize = LASFileSize(las->file);
    memset((uint8_t*)&h + LAS_HEADER_SIZE_10, 0, sizeof h - LAS_HEADER_SIZE_10);
    if (!LASSeek(las->file, 0, FILE_BEGIN) || LASReadItems(las->file, &h, LAS_HEADER_SIZE_10, 1) != 1) {
        SetLASErrorF(las, F, "The file holds %lld bytes, too few for a 227-byte LAS header", (long long)fileSize);
        return 0;
    }
    if (h.versionMinor <= 4) las->version = 10 + h.versionMinor;
    if (!CheckHeader(las, fileSize)) return 0;

    las->recordLength = h.pointDataRecordLength;
    las->format = h.pointDataFormat;
    las->pointCount = h.legacyPointCount;
    uint16_t held = HeldHeaderBytes(h.versionMinor >= 4 ? 14 : 10 + h.versionMinor, h.headerSize);
    if (held > LAS_HEADER_SIZE_10) {
        uint64_t more = held - LAS_HEADER_SIZE_10;
        if (LASReadItems(las->file, (uint8_t*)&h + LAS_HEADER_SIZE_10, more, 1) != 1) {
            SetLASError(las, "Unable to read the LAS 1.3/1.4 header fields", F);
            return 0;
        }
        if (held == LAS_HEADER_SIZE_14) las->pointCount = h.pointCount64;
    }
    if (las->pointCount > LAS_MAX_POINTS) {
        SetLASErrorF(las, F, "Point count %llu is more than this library can read (%llu)",
                     (unsigned long long)las->pointCount, (unsigned long long)LAS_MAX_POINTS);
        return 0;
    }
    if (!CheckVLRArea(las)) return 0;
    if (!ReadVariableLengthRecords(las)) {
        if (!las->errorText[0]) SetLASError(las, "Memory problems, unable to read the variable length records", F);
        return 0;
    }
    ReadLeicaGeoRecord(las, FindVLR(las, "LeicaGeo", 1003));

    if (las->format >= 4) {
        // Kept for callers that want the header and VLR bytes exactly as stored.
        las->rawHeader = (uint8_t*)Malloc(h.offsetToPointData, F);
        if (las->rawHeader && (!LASSeek(las->file, 0, FILE_BEGIN) ||
                               LASReadItems(las->file, las->rawHeader, h.offsetToPointData, 1) != 1)) {
            Free(las->rawHeader);
            las->rawHeader = nullptr;
        }
    }
    if (!EnsureLASBuffer(las, las->recordLength, F)) return 0;
    las->dataStart = h.offsetToPointData;
    las->dataBehindPoints = las->pointCount > 0 &&
        (uint64_t)fileSize > las->dataStart + las->pointCount * (uint64_t)las->recordLength;
    if (!LASSeek(las->file, h.offsetToPointData, FILE_BEGIN)) {
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
    if ((uint64_t)h.headerSize + (uint64_t)total > h.offsetToPointData) {
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
    lstrcpynA(las->header.systemIdentifier, text, sizeof las->header.systemIdentifier);
    return 1;
}

int SetLASCreationDate(LASFile* las, uint16_t dayOfYear, uint16_t year)
{
    las->header.creationDay = dayOfYear;
    las->header.creationYear = year;
    return 1;
}
