// Buffered point I/O: readers hand out one record at a time from a buffer of
// 9216 records refilled from the file, writers collect records and write them
// 9216 at a time, and update mode writes a block back where it was read.
// Records are copied whole at the file's own record length, so extra bytes
// behind the standard fields travel with them.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
#include <cstdlib>
#include <cstring>
#include <algorithm>

static const int STANDARD_LENGTHS[LAS_MAX_FORMAT + 1] = { 20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67 };

int LASStandardRecordLength(int format)
{
    return format >= 0 && format <= LAS_MAX_FORMAT ? STANDARD_LENGTHS[format] : 0;
}

uint64_t LASRecordCapacity(uint64_t end, uint64_t dataStart, uint32_t recordLength)
{
    if (recordLength == 0) return UINT64_MAX;
    return (end - std::min(end, dataStart)) / recordLength;
}

uint64_t LASPointRegionEnd(const LASHeader& h, uint64_t fileSize, uint64_t pointStart)
{
    uint64_t end = fileSize;
    if (h.versionMinor >= 4 && h.numberOfEVLRs > 0 && h.firstEVLRStart >= pointStart)
        end = std::min(end, h.firstEVLRStart);
    if (h.versionMinor >= 3 && (h.globalEncoding & 2) && h.waveformDataStart >= pointStart)
        end = std::min(end, h.waveformDataStart);
    return end;
}

uint64_t GetLASPointCapacity(LASFile* las) { return las->pointCapacity; }

uint64_t GetLASHeldPointCount(LASFile* las)
{
    return std::min<uint64_t>(las->pointCount, GetLASPointCapacity(las));
}

static int FormatOfLength(int length)
{
    for (int f = 0; f <= LAS_MAX_FORMAT; f++)
        if (STANDARD_LENGTHS[f] == length) return f;
    return -1;
}

static void StoreRecordLength(LASFile* las, uint16_t length)
{
    las->header.pointDataRecordLength = length;
    las->recordLength = length;
}

// Write mode: sets the record length and, for a standard length, the format it
// implies. A header copied from a source file keeps its format for any length
// that can hold it (records with extra bytes). Lengths too short for the format
// are refused: such records could not be read back.
int SetLASPointRecordLength(LASFile* las, uint16_t length)
{
    static const char* F = "SetLASPointRecordLength";
    if (las->mode != LAS_MODE_WRITE) return 0;
    if (las->pointCount > 0 || las->available > 0) {
        SetLASError(las, "The record length cannot change once points have been written", F);
        return 0;
    }
    int standard = LASStandardRecordLength(las->format);
    if (las->formatFromSource && length >= standard) {
        if (!EnsureLASBuffer(las, length, F)) return 0;
        StoreRecordLength(las, length);
        return length == standard;
    }
    int format = FormatOfLength(length);
    if (format < 0 && length < standard) {
        SetLASErrorF(las, F, "A record of %u bytes cannot hold a point of format %d (%d bytes)",
                     (unsigned)length, las->format, standard);
        return 0;
    }
    if (!EnsureLASBuffer(las, length, F)) return 0;
    StoreRecordLength(las, length);
    if (format < 0) return 0;
    las->format = format;
    las->header.pointDataFormat = (uint8_t)format;
    return 1;
}

int GetLASPointRecordLength(LASFile* las)
{
    return las->recordLength;
}

// Reads the next block of records, never more than the header's point count
// nor past the end of the point region: whatever follows the points
// (extended VLRs, waveform packets) is not a point, whatever a damaged count
// says. Records the count claims beyond that are a short read.
int FillLASReadBuffer(LASFile* las)
{
    static const char* F = "FillLASReadBuffer";
    // Rewritten records of the current block go back before the block is replaced.
    if (las->mode == LAS_MODE_UPDATE && las->blockDirty) FlushLASWriteBuffer(las);
    if (las->mode == LAS_MODE_UPDATE && las->endOfFile) return 0;
    las->cursor = 0;
    las->available = las->loaded = 0;
    uint64_t left = las->pointCount > las->recordsRead ? las->pointCount - las->recordsRead : 0;
    uint64_t want = std::min<uint64_t>(left, LAS_BUFFER_RECORDS);
    las->bufferPosition = (int64_t)(las->dataStart + las->recordsRead * (uint64_t)las->recordLength);
    if (want == 0) {
        las->endOfFile = 1;
        return 0;
    }
    if (!LASSeek(las->file, las->bufferPosition, FILE_BEGIN)) {
        SetLASError(las, "Unable to seek to the point data", F);
        las->endOfFile = 1;
        return 0;
    }
    const uint64_t capacity = GetLASPointCapacity(las);
    const uint64_t take = std::min<uint64_t>(want, capacity > las->recordsRead ? capacity - las->recordsRead : 0);
    uint64_t got = take ? LASReadItems(las->file, las->buffer, las->recordLength, take) : 0;
    las->available = las->loaded = (int32_t)got;
    las->recordsRead += got;
    if (got < want)
        SetLASErrorF(las, F, "Point data ends after %llu of %llu records",
                     (unsigned long long)las->recordsRead, (unsigned long long)las->pointCount);
    if (got < LAS_BUFFER_RECORDS) las->endOfFile = 1;
    return got > 0;
}

// The slot of the next record for a reader, or null at the end of the data.
static const uint8_t* NextRecord(LASFile* las)
{
    if (las->mode == LAS_MODE_WRITE) return nullptr;
    if (las->available == 0 && !FillLASReadBuffer(las)) return nullptr;
    las->available--;
    const uint8_t* record = las->buffer + (uint64_t)las->cursor * las->recordLength;
    las->lastIndex = las->cursor;
    las->cursor++;
    return record;
}

int ReadLASPointRaw(LASFile* las, void* record)
{
    const uint8_t* next = NextRecord(las);
    if (!next) return 0;
    memcpy(record, next, las->recordLength);
    return 1;
}

const uint8_t* ReadLASPointRun(LASFile* las, uint32_t most, uint32_t* count)
{
    *count = 0;
    if (las->mode == LAS_MODE_WRITE || most == 0) return nullptr;
    if (las->available == 0 && !FillLASReadBuffer(las)) return nullptr;
    uint32_t n = (uint32_t)las->available < most ? (uint32_t)las->available : most;
    const uint8_t* first = las->buffer + (uint64_t)las->cursor * las->recordLength;
    las->available -= (int32_t)n;
    las->cursor += (int32_t)n;
    las->lastIndex = las->cursor - 1;
    *count = n;
    return first;
}

// Copies the standard fields of the file's format (no more than the structure
// holds) and hands the record's extra bytes over in a fresh block.
static int ReadTyped(LASFile* las, void* point, size_t fieldBytes, uint8_t** extra)
{
    const uint8_t* next = NextRecord(las);
    if (!next) return 0;
    int standard = LASStandardRecordLength(las->format);
    size_t copy = std::min<size_t>(std::min<size_t>(standard, fieldBytes), las->recordLength);
    memcpy(point, next, copy);
    memset((uint8_t*)point + copy, 0, fieldBytes - copy);
    *extra = nullptr;
    int extraBytes = las->recordLength - standard;
    if (extraBytes > 0) {
        *extra = (uint8_t*)malloc(extraBytes);
        if (*extra) memcpy(*extra, next + standard, extraBytes);
    }
    return 1;
}

int ReadLASLegacyPoint(LASFile* las, LASLegacyPoint* p)
{
    return ReadTyped(las, p, offsetof(LASLegacyPoint, extra), &p->extra);
}
int ReadLASExtendedPoint(LASFile* las, LASExtendedPoint* p)
{
    return ReadTyped(las, p, offsetof(LASExtendedPoint, extra), &p->extra);
}
int ReadLASPointWithExtra(LASFile* las, LASPoint4* p)
{
    return ReadTyped(las, p, offsetof(LASPoint4, extra), &p->extra);
}
int ReadLASPointWithExtra(LASFile* las, LASPoint5* p)
{
    return ReadTyped(las, p, offsetof(LASPoint5, extra), &p->extra);
}
int ReadLASPointWithExtra(LASFile* las, LASPoint9* p)
{
    return ReadTyped(las, p, offsetof(LASPoint9, extra), &p->extra);
}
int ReadLASPointWithExtra(LASFile* las, LASPoint10* p)
{
    return ReadTyped(las, p, offsetof(LASPoint10, extra), &p->extra);
}

// Widens the extent and counts the record by its return number, in the
// legacy counts and in the 64-bit counts of LAS 1.4 alike, so that a header
// of any version describes the points written.
static void CountPoint(LASFile* las, const uint8_t* record, int fourBitReturns)
{
    LASHeader& h = las->header;
    int32_t xyz[3];
    memcpy(xyz, record, sizeof xyz);
    double x = xyz[0] * h.xScale + h.xOffset;
    double y = xyz[1] * h.yScale + h.yOffset;
    double z = xyz[2] * h.zScale + h.zOffset;
    if (x < h.minX) h.minX = x;
    if (y < h.minY) h.minY = y;
    if (z < h.minZ) h.minZ = z;
    if (x > h.maxX) h.maxX = x;
    if (y > h.maxY) h.maxY = y;
    if (z > h.maxZ) h.maxZ = z;
    int ret = record[14] & (fourBitReturns ? 0x0F : 0x07);
    h.legacyPointCount++;
    if (ret >= 1 && ret <= 5) h.legacyPointsByReturn[ret - 1]++;
    h.pointCount64++;
    if (ret >= 1 && ret <= 15) h.pointsByReturn[ret - 1]++;
}

// The slot the next written record goes into, or null when the handle takes
// no more records.
static uint8_t* WriteSlot(LASFile* las, const char* function)
{
    if (las->mode != LAS_MODE_WRITE) return nullptr;
    if (las->pointCount >= LAS_MAX_POINTS) {
        SetLASErrorF(las, function, "The file already holds %llu points, the most this library writes",
                     (unsigned long long)LAS_MAX_POINTS);
        return nullptr;
    }
    // Appended points would overwrite whatever follows the file's points.
    if (las->dataBehindPoints) {
        SetLASError(las, "The file holds data behind its points (extended VLRs or waveforms); "
                    "points cannot be appended", function);
        return nullptr;
    }
    return las->buffer + (uint64_t)las->available * las->recordLength;
}

static int CommitSlot(LASFile* las, int fourBitReturns)
{
    CountPoint(las, las->buffer + (uint64_t)las->available * las->recordLength, fourBitReturns);
    las->available++;
    las->pointCount++;
    if (las->available < LAS_BUFFER_RECORDS) return 1;
    int written = FlushLASWriteBuffer(las);
    return written == LAS_BUFFER_RECORDS ? written : 0;
}

static int WriteRaw(LASFile* las, const void* record, int fourBitReturns, const char* function)
{
    uint8_t* slot = WriteSlot(las, function);
    if (!slot) return 0;
    memcpy(slot, record, las->recordLength);
    return CommitSlot(las, fourBitReturns);
}

// A typed structure holds the standard fields; the record's extra bytes come
// from its `extra` block, or are zero when it has none.
static int WriteTyped(LASFile* las, const void* point, size_t fieldBytes, const uint8_t* extra,
                      int fourBitReturns, const char* function)
{
    uint8_t* slot = WriteSlot(las, function);
    if (!slot) return 0;
    int standard = LASStandardRecordLength(las->format);
    size_t copy = std::min<size_t>(std::min<size_t>(standard, fieldBytes), las->recordLength);
    memcpy(slot, point, copy);
    memset(slot + copy, 0, las->recordLength - copy);
    if (extra && las->recordLength > standard) memcpy(slot + standard, extra, las->recordLength - standard);
    return CommitSlot(las, fourBitReturns);
}

int WriteLASPoint(LASFile* las, const void* record)
{
    return WriteRaw(las, record, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASLegacyPoint* p)
{
    return WriteTyped(las, p, offsetof(LASLegacyPoint, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASPoint4* p)
{
    return WriteTyped(las, p, offsetof(LASPoint4, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASPoint5* p)
{
    return WriteTyped(las, p, offsetof(LASPoint5, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASExtendedPoint* p)
{
    return WriteTyped(las, p, offsetof(LASExtendedPoint, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASPoint9* p)
{
    return WriteTyped(las, p, offsetof(LASPoint9, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPoint(LASFile* las, const LASPoint10* p)
{
    return WriteTyped(las, p, offsetof(LASPoint10, extra), p->extra, las->format >= 6, "WriteLASPoint");
}
int WriteLASPointExtended(LASFile* las, const void* record)
{
    return WriteRaw(las, record, 1, "WriteLASPointExtended");
}
int WriteLASPointExtended(LASFile* las, const LASExtendedPoint* p)
{
    return WriteTyped(las, p, offsetof(LASExtendedPoint, extra), p->extra, 1, "WriteLASPointExtended");
}
int WriteLASPointExtended(LASFile* las, const LASPoint9* p)
{
    return WriteTyped(las, p, offsetof(LASPoint9, extra), p->extra, 1, "WriteLASPointExtended");
}
int WriteLASPointExtended(LASFile* las, const LASPoint10* p)
{
    return WriteTyped(las, p, offsetof(LASPoint10, extra), p->extra, 1, "WriteLASPointExtended");
}

// Replaces the record read last; callers alternate one read and one update.
// When the block's last record has been replaced the block goes back to the
// file. An update with no record read to replace is refused.
int UpdateLASPoint(LASFile* las, const void* record)
{
    static const char* F = "UpdateLASPoint";
    if (las->mode != LAS_MODE_UPDATE) return 0;
    if (las->lastIndex < 0 || las->lastIndex >= las->loaded) {
        SetLASError(las, "No record has been read for this update", F);
        return 0;
    }
    uint8_t* slot = las->buffer + (uint64_t)las->lastIndex * las->recordLength;
    memcpy(slot, record, las->recordLength);
    CountPoint(las, slot, las->format >= 6);
    las->recordsUpdated++;
    las->blockDirty = 1;
    las->lastIndex++;
    if (las->lastIndex < las->loaded) return 1;
    int written = FlushLASWriteBuffer(las);
    return written == las->loaded ? written : 0;
}

// Write mode: the waiting records go right behind the records already in the
// file, at the offset the header gives. Update mode: the block goes back to
// where it was read. Returns the number of records written.
int FlushLASWriteBuffer(LASFile* las)
{
    static const char* F = "FlushLASWriteBuffer";
    int expected = 0;
    int64_t at = 0;
    if (las->mode == LAS_MODE_WRITE && las->available > 0) {
        expected = las->available;
        uint64_t inFile = las->pointCount - (uint64_t)las->available;
        at = (int64_t)(las->dataStart + inFile * (uint64_t)las->recordLength);
    } else if (las->mode == LAS_MODE_UPDATE && las->loaded > 0) {
        expected = las->loaded;
        at = las->bufferPosition;
        las->blockDirty = 0;
    }
    las->available = 0;
    if (expected == 0) return 0;
    uint64_t written = 0;
    if (LASSeek(las->file, at, FILE_BEGIN))
        written = LASWriteItems(las->file, las->buffer, las->recordLength, expected);
    if (written < (uint64_t)expected) {
        SetLASWriteFailure(las, F, "Only %llu of %d point records could be written (error %u)",
                           (unsigned long long)written, expected, (unsigned)GetLastError());
    }
    return (int)written;
}
