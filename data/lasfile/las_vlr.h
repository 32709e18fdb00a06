// Variable length records: the records between a LAS header and its points,
// kept in the LASFile in file order, and the system's own identifying record.
#pragma once
#include <cstdint>
#include <cstddef>

struct LASFile;
struct LASByteSource;
struct LASParsedHeader;

const uint16_t LAS_VLR_RESERVED_10 = 0xAABB;   // LAS 1.0 record signature
const uint32_t LAS_VLR_HEADER_SIZE = 54;

#pragma pack(push, 1)
struct LASVLRHeader {
    uint16_t reserved;          // 0xAABB for LAS 1.0, else 0
    char     userId[16];        // zero-filled
    uint16_t recordId;
    uint16_t recordLength;      // bytes of data after the 54-byte header
    char     description[32];   // zero-filled
};
// One record: its header exactly as stored, then its data block (owned).
struct LASVLR {
    uint16_t reserved;
    char     userId[16];
    uint16_t recordId;
    uint16_t recordLength;
    char     description[32];
    uint8_t* data;
};
#pragma pack(pop)
static_assert(sizeof(LASVLRHeader) == 54, "VLR header is 54 bytes");
static_assert(offsetof(LASVLR, data) == 54, "VLR data pointer follows the stored header");
static_assert(offsetof(LASVLR, recordLength) == 20, "record length field");

struct LASParseRules;

// The records between the parsed header and its point data, into `parsed`,
// and where the points begin (part of ParseLASHeader). 1 on success; 0 with
// the reason in `error`.
int      ReadVariableLengthRecords(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* parsed,
                                   char* error, size_t errorSize);

// An offset to point data inside a record's header, the points proved
// nowhere: the refusal (the offset, the record's number, its name and length,
// the byte it begins at); and the note of points proved behind the records
// instead (the same, then the byte they were read from and what proves them
// there). A header that counts more records than lie before its points: the
// count, the records there, the offset.
extern const char kLASOffsetInsideRecordFormat[];
extern const char kLASPointsBehindRecordFormat[];
// What proves the points there: uncompressed records, compressed points.
extern const char kLASRecordsFitThereText[];
extern const char kLASChunkTableFromThereText[];
extern const char kLASMoreRecordsCountedFormat[];
// A record for those texts: its user ID and record ID, then its length.
void     DescribeVLR(const LASVLRHeader& vh, char* text, size_t size);
// A record cut at the point data: the record's number, its name and length,
// the offset; and that text in the log.
extern const char kLASRecordCutFormat[];
extern const char kLASRecordCutNoteFormat[];
// A new record in *vlr with `header` and the header's Record Length After
// Header bytes of data read at `dataAt`. 1 on success; 0 when the data cannot
// be read in full and -1 when the record cannot be allocated, *vlr null both times.
int      ReadVLR(const LASByteSource& source, uint64_t dataAt, const LASVLRHeader& header, LASVLR** vlr);
int64_t  WriteVLRs(LASFile* las);
int64_t  TotalVLRSize(LASFile* las);
LASVLR*  CopyVLR(const LASVLR* vlr);
int      AddVLR(LASVLR* vlr, LASFile* las);
int      AddVLRCopy(const LASVLR* vlr, LASFile* las);
int      FindVLR(LASFile* las, const char* userId, int recordId);
// FindVLR over a table of `count` records.
int      FindVLRIn(LASVLR* const* vlrs, uint32_t count, const char* userId, int recordId);
int      RemoveVLR(LASFile* las, const char* userId, int recordId);
int      SetVLRReserved(LASFile* las);
int      EnsureNBLMainRecord(LASFile* las);
LASVLR*  CreateLASNBLMainRecord(int version);
int      ReadLeicaGeoRecord(LASFile* las, int index);

// Frees one record and its data; null is fine.
void     FreeVLR(LASVLR* vlr);
// Frees every record and the table, leaving the handle with none.
void     FreeVLRTable(LASFile* las);
// Frees a table of `count` records and the records; null is fine.
void     FreeVLRs(LASVLR** vlrs, uint32_t count);
