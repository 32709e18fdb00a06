// The LAS file library's handle: one open LAS 1.0-1.4 file with its header,
// variable length records and a buffer of 9216 point records. The library
// never shows a message; it returns 0 or null and leaves an error text.
#pragma once
#include <cstdint>
#include <windows.h>
#include "data/lasfile/las_header.h"
#include "data/lasfile/las_vlr.h"
#include "data/lasfile/las_points.h"
#include "data/lasfile/las_geokeys.h"

const int LAS_MODE_WRITE  = 1;
const int LAS_MODE_READ   = 2;
const int LAS_MODE_UPDATE = 3;

const int LAS_ERROR_TEXT_SIZE = 256;

#pragma pack(push, 1)
struct LASFile {
    char      name[256];            // as passed to OpenLASFile; empty after CreateLASFile
    int32_t   mode;                 // LAS_MODE_WRITE, LAS_MODE_READ, LAS_MODE_UPDATE
    int32_t   version;              // 10 to 14 for LAS 1.0 to 1.4
    HANDLE    file;
    LASHeader header;
    uint8_t*  rawHeader;            // formats 4-10: the file's bytes up to the point data, as read
    LASVLR**  vlrs;                 // header.numberOfVLRs records in file order
    char      loadNote[LAS_LOAD_NOTE_SIZE];  // what the header said that the points were read past; else empty
    uint64_t  pointCount;           // points in the file (read) or taken so far (write)
    int32_t   recordLength;
    int32_t   format;
    double    leicaValues[4];       // from a "LeicaGeo" 1003 record, else 0
    int32_t   cursor;               // slot of the next record a reader hands out
    int32_t   available;            // read: records left in the buffer; write: records waiting
    int64_t   bufferPosition;       // file position of the buffer's first record at the last refill
    int32_t   loaded;               // records read into the buffer by the last refill
    int32_t   lastIndex;            // slot handed out last; update mode: the slot the next update writes
    int32_t   endOfFile;            // a refill came back short
    char      errorText[LAS_ERROR_TEXT_SIZE];
    uint8_t*  buffer;               // LAS_BUFFER_RECORDS slots of recordLength bytes

    // Book-keeping that keeps damaged or unusual files from corrupting data.
    uint64_t  bufferBytes;          // size of `buffer`; grown for records longer than 69 bytes
    uint64_t  dataStart;            // where this file's point records begin
    uint64_t  recordsRead;          // records brought into the buffer since the header was read
    uint64_t  recordsUpdated;       // update mode: records rewritten so far
    int32_t   writeFailed;          // a write, seek or flush failed; closing reports it
    int32_t   formatFromSource;     // the format came with a copied header: extra bytes keep it
    int32_t   blockDirty;           // update mode: the buffer holds rewritten records not yet written
    int32_t   dataBehindPoints;     // the file holds bytes behind its points (extended VLRs, waveforms)
    uint64_t  pointCapacity;        // read, update: the records the point region holds, measured at open
    LASHeader openedHeader;         // update mode: counts and extent as the file had them
};
#pragma pack(pop)

const char* GetLASLibVersion();
int         IsLASFile(const char* name);
int         CreateLASFile(const char* name, int version);
LASFile*    OpenLASFile(const char* name, int mode);
int         CloseLASFile(LASFile* las);
int         RewindLASFile(LASFile* las);
LASFile*    CreateLASStruct();
void        FreeLASStruct(LASFile* las);
void        SetLASError(LASFile* las, const char* message, const char* function);
const char* GetLASErrorText(LASFile* las);
char*       GetLastLASSystemError();
// The unknown point data format that made the last OpenLASFile refuse its
// file, or -1: a reader tells an unsupported format from a damaged header.
int         GetLASRefusedFormat();
void        NoteLASRefusedFormat(int format);

// printf-style form of SetLASError for the library's own messages.
void        SetLASErrorF(LASFile* las, const char* function, const char* format, ...)
            __attribute__((format(printf, 3, 4)));

// Marks the handle failed; the first failure's text is the one kept, since
// later steps often fail only because of it.
void        SetLASWriteFailure(LASFile* las, const char* function, const char* format, ...)
            __attribute__((format(printf, 3, 4)));

// Whole-item file transfer and positioning on the handle's file. Reads and
// writes return the number of whole items moved; a short write marks the
// handle failed.
uint64_t    LASReadItems(HANDLE file, void* buffer, uint64_t size, uint64_t count);
uint64_t    LASWriteItems(HANDLE file, const void* buffer, uint64_t size, uint64_t count);
int         LASSeek(HANDLE file, int64_t distance, DWORD origin);
int64_t     LASFileSize(HANDLE file);
// The header parse's byte source over an open file, sized now; reading moves
// the file position.
LASByteSource LASFileByteSource(HANDLE file);
// Grows the point buffer so that 9216 records of `recordLength` fit; 0 on failure.
int         EnsureLASBuffer(LASFile* las, int recordLength, const char* function);
