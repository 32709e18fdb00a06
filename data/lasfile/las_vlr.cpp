// Variable length records: reading them from behind the header, the table the
// handle keeps them in, and the record this system adds to every file it writes.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

static const char NBL_USER_ID[] = "VelkaDunmarro";
static const char NBL_DESCRIPTION[] = "QXRTInfo";
static const uint16_t NBL_RECORD_LENGTH = 128;

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

// Walks the records from Header Size bytes into the file; each must lie
// before the point data. A record whose stated length runs past it is cut
// there and is the last one kept: its bytes are the file's own, the points
// stay readable, and a reader that needs that record whole finds it named in
// `cutVLR`. A record whose header would begin in the point data is not one.
static int WalkVLRs(const LASByteSource& source, LASParsedHeader* p, uint32_t most, char* error, size_t size)
{
    const LASHeader& h = p->header;
    uint64_t at = h.headerSize;
    for (uint32_t i = 0; i < most && at + LAS_VLR_HEADER_SIZE <= h.offsetToPointData; i++) {
        LASVLRHeader vh;
        if (!source.readAt(source.context, at, &vh, sizeof vh)) {
            snprintf(error, size, "Unable to read variable length record %u", (unsigned)i);
            return 0;
        }
        bool cut = at + LAS_VLR_HEADER_SIZE + vh.recordLength > h.offsetToPointData;
        if (cut) {
            char name[64];
            NameOfVLR(vh, name, sizeof name);
            snprintf(p->cutVLRText, sizeof p->cutVLRText,
                     "Variable length record %u (%s, %u bytes) runs past the point data at %u", (unsigned)i, name,
                     (unsigned)vh.recordLength, (unsigned)h.offsetToPointData);
            p->cutVLR = (int)i;
            vh.recordLength = (uint16_t)(h.offsetToPointData - at - LAS_VLR_HEADER_SIZE);
        }
        LASVLR* vlr = nullptr;
        int read = ReadVLR(source, at + LAS_VLR_HEADER_SIZE, vh, &vlr);
        if (read == 0) {
            snprintf(error, size, "Unable to read variable length record %u", (unsigned)i);
            return 0;
        }
        if (read < 0) {
            snprintf(error, size, "Memory problems, unable to read the variable length records");
            return 0;
        }
        p->vlrs[p->header.numberOfVLRs++] = vlr;
        at += LAS_VLR_HEADER_SIZE + vh.recordLength;
        if (cut) break;
    }
    p->vlrEnd = at;
    return 1;
}

int ReadVariableLengthRecords(const LASByteSource& source, LASParsedHeader* p, char* error, size_t size)
{
    LASHeader& h = p->header;
    // No more records than the space before the points can hold headers for.
    uint64_t most = std::min<uint64_t>(h.numberOfVLRs, (h.offsetToPointData - h.headerSize) / LAS_VLR_HEADER_SIZE);
    h.numberOfVLRs = 0;
    p->vlrEnd = h.headerSize;
    if (most == 0) return 1;
    p->vlrs = (LASVLR**)Calloc(most, sizeof(LASVLR*), "ReadVariableLengthRecords");
    if (!p->vlrs) {
        snprintf(error, size, "Memory problems, unable to read the variable length records");
        return 0;
    }
    if (WalkVLRs(source, p, (uint32_t)most, error, size)) return 1;
    FreeVLRs(p->vlrs, h.numberOfVLRs);
    p->vlrs = nullptr;
    h.numberOfVLRs = 0;
    p->cutVLR = -1;
    p->cutVLRText[0] = 0;
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
