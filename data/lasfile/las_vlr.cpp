// Variable length records: reading them from behind the header, the table the
// handle keeps them in, and the record this system adds to every file it writes.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
#include <cstdio>
#include <cstring>

static const char NBL_USER_ID[] = "VelkaDunmarro";
static const char NBL_DESCRIPTION[] = "QXRTInfo";
static const uint16_t NBL_RECORD_LENGTH = 128;
// Records read from the one an offset to point data lies in, looking for the
// points behind them: far more than files put between a header and its points.
static const uint32_t MOST_RECORDS_SEARCHED = 1024;

void FreeVLR(LASVLR* vlr)
{
    if (!vlr) return;
    Free(vlr->data);
    Free(vlr);
}

void FreeVLRs(LASVLR** vlrs, uint32_t count)
{
    if (!vlrs) return;
    for (uint32_t i = 0; i < count; i++) FreeVLR(vlrs[i]);
    Free(vlrs);
}

void FreeVLRTable(LASFile* las)
{
    FreeVLRs(las->vlrs, las->header.numberOfVLRs);
    las->vlrs = nullptr;
    las->header.numberOfVLRs = 0;
}

int ReadVLR(const LASByteSource& source, uint64_t dataAt, const LASVLRHeader& header, LASVLR** out)
{
    *out = nullptr;
    LASVLR* vlr = (LASVLR*)Calloc(1, sizeof(LASVLR), "ReadVLR");
    if (!vlr) return -1;
    memcpy(vlr, &header, LAS_VLR_HEADER_SIZE);
    vlr->data = (uint8_t*)Calloc(1, vlr->recordLength, "ReadVLR");
    if (!vlr->data) {
        Free(vlr);
        return -1;
    }
    // The data lies before the point data, inside the file: a read that falls
    // short failed, and zeros in its place would pass for the record's values.
    if (vlr->recordLength && !source.readAt(source.context, dataAt, vlr->data, vlr->recordLength)) {
        FreeVLR(vlr);
        return 0;
    }
    *out = vlr;
    return 1;
}

// A record's user ID and record ID for a message. The ID is quoted only when
// it is text: bytes of a damaged record are no name.
static void NameOfVLR(const LASVLRHeader& vh, char* name, size_t size)
{
    size_t n = strnlen(vh.userId, sizeof vh.userId);
    bool text = n > 0;
    for (size_t k = 0; k < n; k++)
        if ((unsigned char)vh.userId[k] < 32 || (unsigned char)vh.userId[k] > 126) text = false;
    if (text) snprintf(name, size, "\"%.*s\" %u", (int)n, vh.userId, (unsigned)vh.recordId);
    else snprintf(name, size, "a user ID that is not text, record ID %u", (unsigned)vh.recordId);
}

const char kLASOffsetInsideRecordFormat[] =
    "Offset to point data %u lies inside variable length record %u (%s), which begins at byte %llu; "
    "the file does not show where its points begin";
const char kLASPointsBehindRecordFormat[] =
    "Offset to point data %u lies inside variable length record %u (%s), which begins at byte %llu; "
    "the points were read from byte %llu: %s";
const char kLASMoreRecordsCountedFormat[] =
    "The header counts %u variable length records; the file holds %u before the point data at %u";
const char kLASRecordCutFormat[] = "Variable length record %u (%s) runs past the point data at %u";
const char kLASRecordCutNoteFormat[] = "%s, read up to there";

const char kLASRecordsFitThereText[] = "the point records fill the file exactly from there";
const char kLASChunkTableFromThereText[] = "the chunk table is reached from there";

// Appends a record to the parse's table, which grows as needed; 0 when it
// cannot grow (the record is then freed).
static int TakeVLR(LASParsedHeader* p, uint32_t* room, LASVLR* vlr)
{
    uint32_t& n = p->header.numberOfVLRs;
    if (n == *room) {
        uint32_t more = *room ? *room * 2 : 8;
        uint64_t bytes = (uint64_t)more * sizeof(LASVLR*);
        LASVLR** grown = (LASVLR**)(p->vlrs ? ReMalloc(p->vlrs, bytes, "ReadVariableLengthRecords")
                                            : Malloc(bytes, "ReadVariableLengthRecords"));
        if (!grown) {
            FreeVLR(vlr);
            return 0;
        }
        p->vlrs = grown;
        *room = more;
    }
    p->vlrs[n++] = vlr;
    return 1;
}

// Reads the record whose header is `vh` at `at` and takes it. 1, or 0 with
// the reason in `error`.
static int TakeVLRAt(const LASByteSource& source, LASParsedHeader* p, uint32_t* room, uint32_t i, uint64_t at,
                     const LASVLRHeader& vh, char* error, size_t size)
{
    LASVLR* vlr = nullptr;
    int read = ReadVLR(source, at + LAS_VLR_HEADER_SIZE, vh, &vlr);
    if (read == 0) snprintf(error, size, "Unable to read variable length record %u", (unsigned)i);
    if (read > 0 && TakeVLR(p, room, vlr)) return 1;
    if (read != 0) snprintf(error, size, "Memory problems, unable to read the variable length records");
    return 0;
}

void DescribeVLR(const LASVLRHeader& vh, char* text, size_t size)
{
    char id[64];
    NameOfVLR(vh, id, sizeof id);
    snprintf(text, size, "%s, %u bytes", id, (unsigned)vh.recordLength);
}

// Whether bytes may be a record's header: the reserved field of LAS 1.0 or a
// later version, and a user ID of text. Point data rarely passes for one, nor
// do zero-filled or 0xFF-filled bytes, so a header across the offset to
// point data and a search for the points' start behind it stop at the first
// that does not, and one before the offset needs what follows to prove it.
static bool LooksLikeVLRHeader(const LASVLRHeader& vh)
{
    if (vh.reserved != 0 && vh.reserved != LAS_VLR_RESERVED_10) return false;
    if (!vh.userId[0]) return false;
    for (size_t k = 0; k < sizeof vh.userId && vh.userId[k]; k++)
        if ((unsigned char)vh.userId[k] < 32 || (unsigned char)vh.userId[k] > 126) return false;
    return true;
}

// Whether a header's 54 bytes are all zero: no record says nothing at all,
// and a damaged count over a run of zeros would take every 54 of them for one.
static bool IsZeroVLRHeader(const LASVLRHeader& vh)
{
    const uint8_t* b = (const uint8_t*)&vh;
    for (size_t k = 0; k < sizeof vh; k++)
        if (b[k]) return false;
    return true;
}

// Whether the file's points, as its header counts them, can begin at
// `start`: uncompressed records then end exactly at the file's end, or where
// its extended VLRs or internal waveform packets begin. Compressed points are
// the reader's to judge.
static bool PointsBeginAt(const LASByteSource& source, const LASParseRules& rules, const LASParsedHeader* p,
                          uint64_t start)
{
    const LASHeader& h = p->header;
    if (h.pointDataFormat & 0xC0) return rules.compressedPointsAt && rules.compressedPointsAt(source, start);
    uint64_t bytes;
    if (!CheckedBytes(p->pointCount, h.pointDataRecordLength, &bytes) || bytes > UINT64_MAX - start) return false;
    uint64_t end = start + bytes;
    if (end == source.size) return true;
    if (p->heldBytes >= 247 && h.numberOfEVLRs > 0 && end == h.firstEVLRStart) return true;
    return p->heldBytes >= LAS_HEADER_SIZE_13 && (h.globalEncoding & 2) && end == h.waveformDataStart;
}

// The offset to point data lies inside record `i`, whose header `vh` begins
// at `at`: inside that header (`inHeader`), or inside its data. Where the
// file proves the points behind the records counted from `i` on (and not at
// the offset), they are read there. Otherwise an offset inside a record's
// data is trusted: the record's stated length runs into the points, and it is
// cut there. An offset inside a record's header is trusted only where the
// file proves the points at the offset (the header counts records that are
// not there); with no proof it is refused, since points read from a wrong
// place would be misaligned records (and a class save would write into the
// wrong bytes).
static int PlacePoints(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* p, uint32_t* room,
                       uint32_t claimed, uint32_t i, uint64_t at, const LASVLRHeader& vh, bool inHeader, char* error,
                       size_t size)
{
    const uint32_t offset = p->header.offsetToPointData;
    char name[96];
    DescribeVLR(vh, name, sizeof name);
    // The records as counted from `i` on, read past the offset while they
    // look like records and lie inside the file, and no more than
    // MOST_RECORDS_SEARCHED of them: a damaged header may count 4 billion,
    // and each step may cost the LAZ reader several reads.
    uint64_t end = at;
    uint32_t last = 0;
    bool behind = false;
    const uint32_t most = claimed - i < MOST_RECORDS_SEARCHED ? claimed : i + MOST_RECORDS_SEARCHED;
    // Record `i` itself is the walk's to judge.
    for (uint32_t k = i; k < most && !behind; k++) {
        LASVLRHeader next;
        if (end + LAS_VLR_HEADER_SIZE > source.size || !source.readAt(source.context, end, &next, sizeof next) ||
            (k > i && !LooksLikeVLRHeader(next)))
            break;
        end += LAS_VLR_HEADER_SIZE + next.recordLength;
        if (end > source.size || end > UINT32_MAX) break;   // points lie where a 32-bit offset reaches
        behind = PointsBeginAt(source, rules, p, end);
        last = k;
    }
    const bool atOffset = PointsBeginAt(source, rules, p, offset);
    if (behind && !atOffset) {
        uint64_t from = at;
        for (uint32_t k = i; k <= last; k++) {
            LASVLRHeader next;
            if (!source.readAt(source.context, from, &next, sizeof next) ||
                !TakeVLRAt(source, p, room, k, from, next, error, size))
                return 0;
            from += LAS_VLR_HEADER_SIZE + next.recordLength;
        }
        p->vlrEnd = p->pointStart = end;
        const char* shown = (p->header.pointDataFormat & 0xC0) ? kLASChunkTableFromThereText : kLASRecordsFitThereText;
        snprintf(p->note, sizeof p->note, kLASPointsBehindRecordFormat, (unsigned)offset, (unsigned)i, name,
                 (unsigned long long)at, (unsigned long long)end, shown);
        return 1;
    }
    if (inHeader && atOffset && !behind) {
        p->vlrEnd = at;
        snprintf(p->note, sizeof p->note, kLASMoreRecordsCountedFormat, (unsigned)claimed, (unsigned)i,
                 (unsigned)offset);
        return 1;
    }
    if (inHeader) {
        snprintf(error, size, kLASOffsetInsideRecordFormat, (unsigned)offset, (unsigned)i, name,
                 (unsigned long long)at);
        return 0;
    }
    // Cut where the points begin, the record keeps only bytes of its own.
    snprintf(p->cutVLRText, sizeof p->cutVLRText, kLASRecordCutFormat, (unsigned)i, name, (unsigned)offset);
    snprintf(p->note, sizeof p->note, kLASRecordCutNoteFormat, p->cutVLRText);
    p->cutVLR = (int)i;
    LASVLRHeader cut = vh;
    cut.recordLength = (uint16_t)(offset - at - LAS_VLR_HEADER_SIZE);
    if (!TakeVLRAt(source, p, room, i, at, cut, error, size)) return 0;
    p->vlrEnd = offset;
    return 1;
}

// Whether record `i`, whose header `vh` at `at` does not look like one and
// which ends at or before the offset to point data, is a record all the same:
// what follows it, as its length and those of the headers behind it say,
// reaches a header that looks like a record, the offset exactly or the last
// record counted, within MOST_RECORDS_SEARCHED headers and before the offset.
// Filler bytes (all 0xFF, as erased flash storage holds) prove nothing, so a
// damaged count over them builds no records of 65,535 bytes. *provedEnd is
// where the proved headers end.
static bool OddRecordProved(const LASByteSource& source, uint32_t offset, uint32_t claimed, uint32_t i,
                            uint64_t at, const LASVLRHeader& vh, uint64_t* provedEnd)
{
    uint64_t end = at + LAS_VLR_HEADER_SIZE + vh.recordLength;
    for (uint32_t k = i + 1; k - i <= MOST_RECORDS_SEARCHED; k++) {
        if (end == offset || k == claimed) {
            *provedEnd = end;
            return true;
        }
        LASVLRHeader next;
        if (end + LAS_VLR_HEADER_SIZE > source.size || !source.readAt(source.context, end, &next, sizeof next))
            return false;
        if (LooksLikeVLRHeader(next)) {
            *provedEnd = end;
            return true;
        }
        if (end + LAS_VLR_HEADER_SIZE > offset || IsZeroVLRHeader(next)) return false;
        end += LAS_VLR_HEADER_SIZE + next.recordLength;
        if (end > offset) return false;
    }
    return false;
}

// Walks the records from Header Size bytes into the file, each wholly before
// the point data. A header of zero bytes ends the walk: a damaged count would
// otherwise take a run of zeros for records. A header wholly before the
// offset that does not look like one (writers put odd bytes in the reserved
// field and the user ID) is a record where what follows proves it
// (OddRecordProved), or where its length runs into the points; otherwise it
// ends the walk. A header across the offset is taken only where it looks like
// one: the bytes there are the points or what lies before them (LAS 1.0's
// signature). Bytes that are no record end the walk, wherever the count says
// more records follow. A record the offset to point data falls into ends the
// walk and settles where the points begin (PlacePoints); a walk that ends
// with records still counted notes that they are not there. No record's data
// is read before its header is judged.
static int WalkVLRs(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* p, uint32_t claimed,
                    char* error, size_t size)
{
    const uint32_t offset = p->header.offsetToPointData;
    uint32_t room = 0;
    uint64_t at = p->header.headerSize;
    uint64_t provedEnd = at;   // odd headers before here are proved records
    uint32_t i = 0;
    for (; i < claimed && at < offset; i++) {
        // A header across the offset is read from the bytes there; bytes cut
        // off by the end of the file are no record header.
        const bool inHeader = at + LAS_VLR_HEADER_SIZE > offset;
        if (inHeader && at + LAS_VLR_HEADER_SIZE > source.size) break;
        LASVLRHeader vh;
        if (!source.readAt(source.context, at, &vh, sizeof vh)) {
            snprintf(error, size, "Unable to read variable length record %u", (unsigned)i);
            return 0;
        }
        const bool runsIn = at + LAS_VLR_HEADER_SIZE + vh.recordLength > offset;
        const bool odd = !LooksLikeVLRHeader(vh);
        if (IsZeroVLRHeader(vh) || (odd && inHeader)) break;
        if (odd && !runsIn && at >= provedEnd && !OddRecordProved(source, offset, claimed, i, at, vh, &provedEnd))
            break;
        if (inHeader || runsIn)
            return PlacePoints(source, rules, p, &room, claimed, i, at, vh, inHeader, error, size);
        if (!TakeVLRAt(source, p, &room, i, at, vh, error, size)) return 0;
        at += LAS_VLR_HEADER_SIZE + vh.recordLength;
    }
    p->vlrEnd = at;
    if (i < claimed)
        snprintf(p->note, sizeof p->note, kLASMoreRecordsCountedFormat, (unsigned)claimed, (unsigned)i,
                 (unsigned)offset);
    return 1;
}

int ReadVariableLengthRecords(const LASByteSource& source, const LASParseRules& rules, LASParsedHeader* p,
                              char* error, size_t size)
{
    LASHeader& h = p->header;
    const uint32_t claimed = h.numberOfVLRs;
    p->countedVLRs = claimed;
    h.numberOfVLRs = 0;
    p->vlrEnd = h.headerSize;
    p->pointStart = h.offsetToPointData;
    if (claimed == 0) return 1;
    if (WalkVLRs(source, rules, p, claimed, error, size)) return 1;
    FreeVLRs(p->vlrs, h.numberOfVLRs);
    p->vlrs = nullptr;
    h.numberOfVLRs = 0;
    p->cutVLR = -1;
    p->cutVLRText[0] = 0;
    p->note[0] = 0;
    p->pointStart = h.offsetToPointData;
    return 0;
}

int64_t WriteVLRs(LASFile* las)
{
    int64_t total = 0;
    for (uint32_t i = 0; las->vlrs && i < las->header.numberOfVLRs; i++) {
        const LASVLR* vlr = las->vlrs[i];
        if (LASWriteItems(las->file, vlr, LAS_VLR_HEADER_SIZE, 1) != 1) break;
        total += LAS_VLR_HEADER_SIZE;
        if (vlr->recordLength == 0) continue;
        if (!vlr->data || LASWriteItems(las->file, vlr->data, vlr->recordLength, 1) != 1) break;
        total += vlr->recordLength;
    }
    return total;
}

int64_t TotalVLRSize(LASFile* las)
{
    int64_t total = 0;
    for (uint32_t i = 0; las->vlrs && i < las->header.numberOfVLRs; i++)
        total += LAS_VLR_HEADER_SIZE + las->vlrs[i]->recordLength;
    return total;
}

LASVLR* CopyVLR(const LASVLR* vlr)
{
    LASVLR* copy = (LASVLR*)Calloc(1, sizeof(LASVLR), "CopyVLR");
    if (!copy) return nullptr;
    memcpy(copy, vlr, LAS_VLR_HEADER_SIZE);
    copy->data = (uint8_t*)Malloc(vlr->recordLength, "CopyVLR");
    if (!copy->data) {
        Free(copy);
        return nullptr;
    }
    if (vlr->recordLength) memcpy(copy->data, vlr->data, vlr->recordLength);
    return copy;
}

// Appends a record the handle then owns. 0 when the table could not grow; the
// record then stays the caller's.
int AddVLR(LASVLR* vlr, LASFile* las)
{
    if (!vlr) return 0;
    uint32_t count = las->header.numberOfVLRs;
    LASVLR** table;
    if (count == 0 || !las->vlrs) {
        FreeVLRTable(las);
        count = 0;
        table = (LASVLR**)Calloc(1, sizeof(LASVLR*), "AddVLR");
    } else {
        table = (LASVLR**)ReMalloc(las->vlrs, (uint64_t)(count + 1) * sizeof(LASVLR*), "AddVLR");
    }
    if (!table) return 0;
    table[count] = vlr;
    las->vlrs = table;
    las->header.numberOfVLRs = count + 1;
    return (int)las->header.numberOfVLRs;
}

int AddVLRCopy(const LASVLR* vlr, LASFile* las)
{
    LASVLR* copy = CopyVLR(vlr);
    if (!copy) return 0;
    int count = AddVLR(copy, las);
    if (!count) FreeVLR(copy);
    return count;
}

int FindVLRIn(LASVLR* const* vlrs, uint32_t count, const char* userId, int recordId)
{
    for (uint32_t i = 0; vlrs && i < count; i++) {
        char id[17];
        memcpy(id, vlrs[i]->userId, 16);
        id[16] = 0;
        if (strcmp(id, userId) == 0 && vlrs[i]->recordId == recordId) return (int)i;
    }
    return -1;
}

int FindVLR(LASFile* las, const char* userId, int recordId)
{
    return FindVLRIn(las->vlrs, las->header.numberOfVLRs, userId, recordId);
}

// Removes the first matching record; the rest close up in order. Removing the
// only record leaves the handle with no table.
int RemoveVLR(LASFile* las, const char* userId, int recordId)
{
    int index = FindVLR(las, userId, recordId);
    if (index < 0) return 1;
    uint32_t count = las->header.numberOfVLRs;
    FreeVLR(las->vlrs[index]);
    if (count == 1) {
        Free(las->vlrs);
        las->vlrs = nullptr;
        las->header.numberOfVLRs = 0;
        return 1;
    }
    memmove(las->vlrs + index, las->vlrs + index + 1, (count - 1 - index) * sizeof(LASVLR*));
    las->header.numberOfVLRs = count - 1;
    return 1;
}

int SetVLRReserved(LASFile* las)
{
    uint16_t reserved = las->version == 10 ? LAS_VLR_RESERVED_10 : 0;
    for (uint32_t i = 0; las->vlrs && i < las->header.numberOfVLRs; i++) las->vlrs[i]->reserved = reserved;
    return 1;
}

LASVLR* CreateLASNBLMainRecord(int version)
{
    LASVLR* vlr = (LASVLR*)Calloc(1, sizeof(LASVLR), "CreateLASNBLMainRecord");
    if (!vlr) return nullptr;
    vlr->data = (uint8_t*)Calloc(1, NBL_RECORD_LENGTH, "CreateLASNBLMainRecord");
    if (!vlr->data) {
        Free(vlr);
        return nullptr;
    }
    vlr->reserved = version == 10 ? LAS_VLR_RESERVED_10 : 0;
    memcpy(vlr->userId, NBL_USER_ID, sizeof NBL_USER_ID - 1);
    vlr->recordId = 0;
    vlr->recordLength = NBL_RECORD_LENGTH;
    memcpy(vlr->description, NBL_DESCRIPTION, sizeof NBL_DESCRIPTION - 1);
    snprintf((char*)vlr->data, NBL_RECORD_LENGTH, "Tarnwick Software, LLC %s", GetLASLibVersion());
    return vlr;
}

int EnsureNBLMainRecord(LASFile* las)
{
    if (FindVLR(las, NBL_USER_ID, 0) >= 0) return 1;
    LASVLR* vlr = CreateLASNBLMainRecord(las->version);
    if (vlr && AddVLR(vlr, las)) return 1;
    FreeVLR(vlr);
    return 0;
}

static int32_t Int32At(const uint8_t* data, int offset)
{
    int32_t v;
    memcpy(&v, data + offset, sizeof v);
    return v;
}

// A "LeicaGeo" 1003 record: three scaled integers and one plain one. Records
// too short to hold them are not read.
int ReadLeicaGeoRecord(LASFile* las, int index)
{
    for (int i = 0; i < 4; i++) las->leicaValues[i] = 0.0;
    if (index < 0 || !las->vlrs || (uint32_t)index >= las->header.numberOfVLRs) return 0;
    const LASVLR* vlr = las->vlrs[index];
    if (!vlr->data || vlr->recordLength < 34) return 0;
    las->leicaValues[0] = Int32At(vlr->data, 0) * 1e-9;
    las->leicaValues[1] = Int32At(vlr->data, 4) * 1e-9;
    las->leicaValues[2] = Int32At(vlr->data, 8) * 1e-9;
    las->leicaValues[3] = Int32At(vlr->data, 30);
    return 1;
}
