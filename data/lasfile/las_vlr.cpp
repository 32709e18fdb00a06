// Variable length records: reading them from behind the header, the table the
// handle keeps them in, and the record this system adds to every file it writes.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
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

void FreeVLRTable(LASFile* las)
{
    if (las->vlrs) {
        for (uint32_t i = 0; i < las->header.numberOfVLRs; i++) FreeVLR(las->vlrs[i]);
        Free(las->vlrs);
    }
    las->vlrs = nullptr;
    las->header.numberOfVLRs = 0;
}

LASVLR* ReadVLR(HANDLE file)
{
    LASVLR* vlr = (LASVLR*)Calloc(1, sizeof(LASVLR), "ReadVLR");
    if (!vlr) return nullptr;
    if (LASReadItems(file, vlr, LAS_VLR_HEADER_SIZE, 1) != 1) {
        memset(vlr, 0, sizeof *vlr);
        return vlr;
    }
    vlr->data = (uint8_t*)Calloc(1, vlr->recordLength, "ReadVLR");
    if (vlr->data) LASReadItems(file, vlr->data, 1, vlr->recordLength);
    return vlr;
}

// Reads the records the header counts, from Header Size bytes into the file.
// 0 when a record or its data could not be allocated; the table then holds
// what was read so far and is freed with the handle.
int ReadVariableLengthRecords(LASFile* las)
{
    uint32_t count = las->header.numberOfVLRs;
    if (count == 0) return 1;
    las->vlrs = (LASVLR**)Calloc(count, sizeof(LASVLR*), "ReadVariableLengthRecords");
    if (!las->vlrs) {
        las->header.numberOfVLRs = 0;
        return 0;
    }
    if (!LASSeek(las->file, las->header.headerSize, FILE_BEGIN)) return 0;
    for (uint32_t i = 0; i < count; i++) {
        LASVLR* vlr = ReadVLR(las->file);
        las->vlrs[i] = vlr;
        if (!vlr || !vlr->data) return 0;
    }
    return 1;
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

int FindVLR(LASFile* las, const char* userId, int recordId)
{
    for (uint32_t i = 0; las->vlrs && i < las->header.numberOfVLRs; i++) {
        char id[17];
        memcpy(id, las->vlrs[i]->userId, 16);
        id[16] = 0;
        if (strcmp(id, userId) == 0 && las->vlrs[i]->recordId == recordId) return (int)i;
    }
    return -1;
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
