// LAS point records: the typed structures callers read into and write from,
// the standard record lengths of formats 0 to 10, and the buffered point I/O.
// Records are moved whole (the file's record length, extra bytes included);
// only X, Y, Z and the return number are ever interpreted.
#pragma once
#include <cstdint>
#include <cstddef>

struct LASFile;
struct LASHeader;

const int LAS_BUFFER_RECORDS = 9216;
const int LAS_MAX_FORMAT     = 10;

#pragma pack(push, 1)
struct LASWavePacket {
    uint8_t  descriptorIndex;
    uint64_t waveformOffset;
    uint32_t packetSize;
    float    returnPointLocation;
    float    xt, yt, zt;
};
static_assert(sizeof(LASWavePacket) == 29, "wave packet is 29 bytes");

// Formats 0 to 3 in the format 3 layout; formats 0 to 2 fill a prefix of it.
struct LASLegacyPoint {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte;       // return number 0-2, number of returns 3-5, scan direction 6, edge 7
    uint8_t  classification;   // class 0-4, synthetic 5, key-point 6, withheld 7
    int8_t   scanAngleRank;
    uint8_t  userData;
    uint16_t pointSourceId;
    double   gpsTime;
    uint16_t red, green, blue;
    uint8_t* extra;            // the record's bytes beyond the standard length, or null
};
struct LASPoint4 {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte, classification;
    int8_t   scanAngleRank;
    uint8_t  userData;
    uint16_t pointSourceId;
    double   gpsTime;
    LASWavePacket wave;
    uint8_t* extra;
};
struct LASPoint5 {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte, classification;
    int8_t   scanAngleRank;
    uint8_t  userData;
    uint16_t pointSourceId;
    double   gpsTime;
    uint16_t red, green, blue;
    LASWavePacket wave;
    uint8_t* extra;
};
// Formats 6 to 8 in the format 8 layout.
struct LASExtendedPoint {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte;       // return number 0-3, number of returns 4-7
    uint8_t  flags;            // synthetic, key-point, withheld, overlap 0-3, channel 4-5, scan dir 6, edge 7
    uint8_t  classification;
    uint8_t  userData;
    int16_t  scanAngle;
    uint16_t pointSourceId;
    double   gpsTime;
    uint16_t red, green, blue, nir;
    uint8_t* extra;
};
struct LASPoint9 {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte, flags, classification, userData;
    int16_t  scanAngle;
    uint16_t pointSourceId;
    double   gpsTime;
    LASWavePacket wave;
    uint8_t* extra;
};
struct LASPoint10 {
    int32_t  x, y, z;
    uint16_t intensity;
    uint8_t  returnByte, flags, classification, userData;
    int16_t  scanAngle;
    uint16_t pointSourceId;
    double   gpsTime;
    uint16_t red, green, blue, nir;
    LASWavePacket wave;
    uint8_t* extra;
};
#pragma pack(pop)
static_assert(offsetof(LASLegacyPoint, extra) == 34, "legacy point fields");
static_assert(offsetof(LASPoint4, extra) == 57, "format 4 fields");
static_assert(offsetof(LASPoint5, extra) == 63, "format 5 fields");
static_assert(offsetof(LASExtendedPoint, extra) == 38, "extended point fields");
static_assert(offsetof(LASExtendedPoint, gpsTime) == 22, "extended GPS time");
static_assert(offsetof(LASPoint9, extra) == 59, "format 9 fields");
static_assert(offsetof(LASPoint10, extra) == 67, "format 10 fields");

// Standard record length of a point format, 0 for a format outside 0 to 10.
int  LASStandardRecordLength(int format);

// Records of `recordLength` bytes that fit between `dataStart` and `end` (the
// end of the point region); UINT64_MAX for records of no length.
uint64_t LASRecordCapacity(uint64_t end, uint64_t dataStart, uint32_t recordLength);
// Where the point records of a file of `fileSize` bytes whose header is `h`
// must end: the file's end, or before it the first extended VLR (LAS 1.4) or
// the internal waveform packets (LAS 1.3 on) where those begin at or behind
// `pointStart`. A damaged count bounded by the file's end alone would take
// their bytes for points.
uint64_t LASPointRegionEnd(const LASHeader& h, uint64_t fileSize, uint64_t pointStart);
// The records the open file's bytes hold from where its points begin to the
// end of their region, measured when it was opened: a count above it is
// damaged.
uint64_t GetLASPointCapacity(LASFile* las);
// The header's point count, no more than GetLASPointCapacity: the records a
// reader finds in the file.
uint64_t GetLASHeldPointCount(LASFile* las);

int  SetLASPointRecordLength(LASFile* las, uint16_t length);
int  GetLASPointRecordLength(LASFile* las);
int  FillLASReadBuffer(LASFile* las);
int  FlushLASWriteBuffer(LASFile* las);

// Readers: 1 with the next record, 0 at the end of the point data or in write
// mode. Typed readers hang a malloc'ed block of the record's extra bytes on
// `extra` (null when there are none); the caller frees it with free().
int  ReadLASPointRaw(LASFile* las, void* record);
// The next run of up to `most` records straight from the read buffer: their
// count in `*count` and a pointer to the first (records of recordLength bytes
// one after the other, valid until the next read), or null at the end of the
// point data or in write mode.
const uint8_t* ReadLASPointRun(LASFile* las, uint32_t most, uint32_t* count);
int  ReadLASLegacyPoint(LASFile* las, LASLegacyPoint* point);
int  ReadLASExtendedPoint(LASFile* las, LASExtendedPoint* point);
int  ReadLASPointWithExtra(LASFile* las, LASPoint4* point);
int  ReadLASPointWithExtra(LASFile* las, LASPoint5* point);
int  ReadLASPointWithExtra(LASFile* las, LASPoint9* point);
int  ReadLASPointWithExtra(LASFile* las, LASPoint10* point);

// Writers (write mode): nonzero when the record was taken, 0 on refusal or a
// failed flush (the handle's error text says why). The raw form takes a whole
// record of the file's record length; the typed forms take the structure's
// standard fields plus `extra` (zeros when null) for the record's extra bytes.
int  WriteLASPoint(LASFile* las, const void* record);
int  WriteLASPoint(LASFile* las, const LASLegacyPoint* point);
int  WriteLASPoint(LASFile* las, const LASPoint4* point);
int  WriteLASPoint(LASFile* las, const LASPoint5* point);
int  WriteLASPoint(LASFile* las, const LASExtendedPoint* point);
int  WriteLASPoint(LASFile* las, const LASPoint9* point);
int  WriteLASPoint(LASFile* las, const LASPoint10* point);
int  WriteLASPointExtended(LASFile* las, const void* record);
int  WriteLASPointExtended(LASFile* las, const LASExtendedPoint* point);
int  WriteLASPointExtended(LASFile* las, const LASPoint9* point);
int  WriteLASPointExtended(LASFile* las, const LASPoint10* point);
// Update mode: replaces the record read last with this one.
int  UpdateLASPoint(LASFile* las, const void* record);
