// The LAS public header block as this library keeps it: one LAS 1.4 layout for
// every version. LAS 1.0 to 1.2 use the first 227 bytes, LAS 1.3 the first 235.
#pragma once
#include <cstdint>
#include <cstddef>

struct LASFile;

// Header sizes of the three layouts the library reads and writes.
const uint16_t LAS_HEADER_SIZE_10 = 227;   // LAS 1.0 to 1.2
const uint16_t LAS_HEADER_SIZE_13 = 235;   // LAS 1.3: waveform start added
const uint16_t LAS_HEADER_SIZE_14 = 375;   // LAS 1.4: extended VLRs and 64-bit counts

// Empty extent: every real coordinate lowers the minimum and raises the maximum.
const double LAS_EMPTY_MIN = 3.37e38;
const double LAS_EMPTY_MAX = -3.37e38;

// Largest point count the library carries; larger files are refused, never truncated.
const uint64_t LAS_MAX_POINTS = 2147483647ull;

// Why a header was refused: the file's size (%llu), a version other than
// LAS 1.0 to 1.4 (major %u, minor %u), and a LAS 1.4 header too short for its
// 64-bit count whose legacy count is 0 (header size %u, point format %d).
extern const char kLASFileTooSmallFormat[];
extern const char kLASVersionNotSupportedFormat[];
extern const char kLASHeaderTooSmallForCountFormat[];

#pragma pack(push, 1)
struct LASHeader {
    char     fileSignature[4];          // "LASF"
    uint16_t fileSourceId;
    uint16_t globalEncoding;
    uint32_t guidData1;
    uint16_t guidData2;
    uint16_t guidData3;
    uint8_t  guidData4[8];
    uint8_t  versionMajor;
    uint8_t  versionMinor;
    char     systemIdentifier[32];
    char     generatingSoftware[32];
    uint16_t creationDay;               // day of year, 1 = first of January
    uint16_t creationYear;
    uint16_t headerSize;
    uint32_t offsetToPointData;
    uint32_t numberOfVLRs;
    uint8_t  pointDataFormat;           // bits 7 and 6 mark a compressed (LAZ) file
    uint16_t pointDataRecordLength;
    uint32_t legacyPointCount;
    uint32_t legacyPointsByReturn[5];
    double   xScale, yScale, zScale;
    double   xOffset, yOffset, zOffset;
    double   maxX, minX, maxY, minY, maxZ, minZ;
    // LAS 1.3
    uint64_t waveformDataStart;
    // LAS 1.4
    uint64_t firstEVLRStart;
    uint32_t numberOfEVLRs;
    uint64_t pointCount64;
    uint64_t pointsByReturn[15];
};
#pragma pack(pop)
static_assert(sizeof(LASHeader) == 375, "LAS 1.4 public header is 375 bytes");
static_assert(offsetof(LASHeader, headerSize) == 94, "header size field");
static_assert(offsetof(LASHeader, pointDataFormat) == 104, "point format field");
static_assert(offsetof(LASHeader, xScale) == 131, "scale factors");
static_assert(offsetof(LASHeader, minZ) == 219, "extent");
static_assert(offsetof(LASHeader, waveformDataStart) == 227, "LAS 1.3 part");
static_assert(offsetof(LASHeader, pointCount64) == 247, "LAS 1.4 count");

struct LASVLR;

// Where a header parse reads from: `readAt` reads exactly `size` bytes at
// `offset` into `buffer` and returns 1, or 0 when they are not all there.
// The LAS library reads its Win32 file through one, the LAZ reader its stream.
struct LASByteSource {
    void*    context;
    int    (*readAt)(void* context, uint64_t offset, void* buffer, uint64_t size);
    uint64_t size;                      // bytes the source holds
};

// What the LAS library and the LAZ reader take differently. Everything else
// (short headers, records running into the points, where the points begin)
// both decide alike here.
struct LASParseRules {
    bool compressedFormats;   // point formats with the LAZ bits 6-7 are taken (their points are not LAS records)
    // Whether the file's compressed points can begin at `start`; only asked
    // when the offset to point data lies inside a record. Null: never.
    bool (*compressedPointsAt)(const LASByteSource& source, uint64_t start);
};

// Longest text naming a record cut at the point data, with its terminator.
const size_t LAS_CUT_VLR_TEXT_SIZE = 200;
// Longest text of what a load read past, with its terminator.
const size_t LAS_LOAD_NOTE_SIZE = 400;

// One parsed header with its variable length records.
struct LASParsedHeader {
    LASHeader header;         // numberOfVLRs counts the records in `vlrs`
    LASVLR**  vlrs;           // the caller's after a successful parse (FreeVLRs)
    uint32_t  countedVLRs;    // the records the header counts, there or not
    int       version;        // 10 to 14 from Version Minor; 0 until a LAS 1.0-1.4 version was read
    uint16_t  heldBytes;      // header bytes of the version's layout that were read, whole fields only (227 to 375)
    uint64_t  vlrEnd;         // source position behind the last record
    int       refusedFormat;  // the unknown point format the parse refused, else -1
    uint64_t  pointCount;     // the file's points: the LAS 1.4 count where it is set, else the legacy count
    int       cutVLR;         // the record whose stated length ran past the point data, cut there; else -1
    char      cutVLRText[LAS_CUT_VLR_TEXT_SIZE];  // why that record is cut, for a reader that needs it whole
    uint64_t  pointStart;     // where the point records begin: the offset to point data, or behind the
                              // record that offset lies in when the file proves the points there
    char      note[LAS_LOAD_NOTE_SIZE];  // a fault of the header the points were read past, for the log; else empty
};

// Reads and checks the public header and the VLRs: every size and offset is
// checked before it is trusted. A header shorter than its version's layout
// keeps the fields that fit, unless that leaves the points uncounted. The
// records end at a header of zero bytes, at one across the offset to point
// data that is no record header, or at one before it that is no record header
// and that nothing behind it proves a record, whatever the header counts. An
// offset to point data that lies inside a record is wrong where the file
// proves the points behind the record (they are read there); else one inside
// a record's data cuts the record there, and one inside a record's header is
// trusted only where the file proves the points at the offset (the header
// counts records that are not there) and is refused otherwise. 1 on success;
// 0 with the reason in `error`, and nothing left to free.
int       ParseLASHeader(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* out,
                         char* error, size_t errorSize);

void      InitLASHeader(LASFile* las);
int       ReadLASHeader(LASFile* las);
// The reason a header's scales and offsets give no coordinates, or null.
const char* LASScaleProblem(double xScale, double yScale, double zScale, double xOffset, double yOffset,
                            double zOffset);
int       WriteLASHeader(LASFile* las);
LASFile*  ResetLASHeaderCounts(LASFile* las);
int       CopyLASHeader(LASFile* destination, LASFile* source);
int       SetLASScaleAndOffset(LASFile* las, double x1, double x2, double y1, double y2);
int       SetLASVersion(LASFile* las, int version);
int       SetLASSystemIdentifier(LASFile* las, const char* text);
int       SetLASCreationDate(LASFile* las, uint16_t dayOfYear, uint16_t year);

// Header size written for a version code (227, 235 or 375).
uint16_t  LASHeaderSizeForVersion(int version);
