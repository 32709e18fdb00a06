// GeoTIFF keys: finding a file's linear units in its key directory, and
// building the three LASF_Projection records with keys added in order.
#include "data/lasfile/las_file.h"
#include "base/heap.h"
#include <cstring>

static const char PROJECTION_USER_ID[] = "LASF_Projection";
static const char PROJECTION_DESCRIPTION[] = "Projection Info";

static const uint16_t KEY_GEOGRAPHIC_LINEAR_UNITS = 2052;
static const uint16_t KEY_PROJECTED_LINEAR_UNITS  = 3076;
static const uint16_t KEY_VERTICAL_UNITS          = 4099;

// Entry i of a key directory (entry 0 is the directory's own header).
static GeoKeyEntry EntryAt(const LASVLR* vlr, int i)
{
    GeoKeyEntry e;
    memcpy(&e, vlr->data + 8 * i, sizeof e);
    return e;
}

// Number of key entries the directory both claims and actually holds.
static int KeyCount(const LASVLR* vlr)
{
    if (!vlr->data || vlr->recordLength < 8) return 0;
    int claimed = EntryAt(vlr, 0).valueOffset;
    int held = vlr->recordLength / 8 - 1;
    return claimed < held ? claimed : held;
}

int GetLASLinearUnitsKey(LASFile* las)
{
    int index = FindVLR(las, PROJECTION_USER_ID, GEOKEY_DIRECTORY_RECORD);
    if (index < 0) return 0;
    const LASVLR* vlr = las->vlrs[index];
    int keys = KeyCount(vlr);
    for (int i = 1; i <= keys; i++) {
        GeoKeyEntry e = EntryAt(vlr, i);
        if (e.keyId != KEY_VERTICAL_UNITS) continue;
        if (e.valueOffset != 0) return e.valueOffset;
        break;
    }
    for (int i = 1; i <= keys; i++) {
        GeoKeyEntry e = EntryAt(vlr, i);
        if (e.keyId == KEY_PROJECTED_LINEAR_UNITS || e.keyId == KEY_GEOGRAPHIC_LINEAR_UNITS) return e.valueOffset;
    }
    return 0;
}

static LASVLR* NewProjectionRecord(int version, uint16_t recordId, uint16_t length, const char* who)
{
    LASVLR* vlr = (LASVLR*)Calloc(1, sizeof(LASVLR), who);
    if (!vlr) return nullptr;
    vlr->data = (uint8_t*)Calloc(1, length, who);
    if (!vlr->data) {
        Free(vlr);
        return nullptr;
    }
    vlr->reserved = version == 10 ? LAS_VLR_RESERVED_10 : 0;
    memcpy(vlr->userId, PROJECTION_USER_ID, sizeof PROJECTION_USER_ID - 1);
    vlr->recordId = recordId;
    vlr->recordLength = length;
    memcpy(vlr->description, PROJECTION_DESCRIPTION, sizeof PROJECTION_DESCRIPTION - 1);
    return vlr;
}

LASVLR* CreateLASGeoTIFFRecord(int version)
{
    LASVLR* vlr = NewProjectionRecord(version, GEOKEY_DIRECTORY_RECORD, 8, "CreateLASGeoTIFFRecord");
    if (!vlr) return nullptr;
    GeoKeyEntry directory = { 1, 1, 0, 0 };
    memcpy(vlr->data, &directory, sizeof directory);
    return vlr;
}

LASVLR* CreateLASGeoDBLRecord(int version)
{
    return NewProjectionRecord(version, GEOKEY_DOUBLE_RECORD, 0, "CreateLASGeoDBLRecord");
}

LASVLR* CreateLASGeoASCRecord(int version)
{
    return NewProjectionRecord(version, GEOKEY_ASCII_RECORD, 0, "CreateLASGeoASCRecord");
}

// The handle's projection record `recordId`, made and added when missing.
static LASVLR* ProjectionRecord(LASFile* las, uint16_t recordId)
{
    int index = FindVLR(las, PROJECTION_USER_ID, recordId);
    if (index >= 0) return las->vlrs[index];
    LASVLR* vlr = recordId == GEOKEY_DIRECTORY_RECORD ? CreateLASGeoTIFFRecord(las->version)
                : recordId == GEOKEY_DOUBLE_RECORD    ? CreateLASGeoDBLRecord(las->version)
                                                      : CreateLASGeoASCRecord(las->version);
    if (!vlr) return nullptr;
    if (!AddVLR(vlr, las)) {
        FreeVLR(vlr);
        return nullptr;
    }
    return vlr;
}

// Grows a record's data by `bytes` (its length field stays for the caller).
static uint8_t* GrowRecord(LASVLR* vlr, uint16_t bytes, const char* who)
{
    if ((uint32_t)vlr->recordLength + bytes > 0xFFFF) return nullptr;
    uint8_t* data = (uint8_t*)ReMalloc(vlr->data, (uint64_t)vlr->recordLength + bytes, who);
    if (data) vlr->data = data;
    return data;
}

// Inserts a key, keeping the entries in ascending key id order; a new key
// goes before existing keys with the same id.
int AddGeoTIFFKey(LASFile* las, uint16_t keyId, uint16_t location, uint16_t count, uint16_t valueOffset)
{
    LASVLR* vlr = ProjectionRecord(las, GEOKEY_DIRECTORY_RECORD);
    if (!vlr || vlr->recordLength < 8 || !GrowRecord(vlr, 8, "AddGeoTIFFKey")) return 0;
    int keys = KeyCount(vlr);
    int at = keys + 1;
    for (int i = 1; i <= keys; i++)
        if (EntryAt(vlr, i).keyId >= keyId) { at = i; break; }
    memmove(vlr->data + 8 * (at + 1), vlr->data + 8 * at, vlr->recordLength - 8 * at);
    GeoKeyEntry entry = { keyId, location, count, valueOffset };
    memcpy(vlr->data + 8 * at, &entry, sizeof entry);
    GeoKeyEntry directory = EntryAt(vlr, 0);
    directory.valueOffset = (uint16_t)(keys + 1);
    memcpy(vlr->data, &directory, sizeof directory);
    vlr->recordLength += 8;
    return 1;
}

int AddLASGeoDBL(LASFile* las, uint16_t keyId, double value)
{
    LASVLR* vlr = ProjectionRecord(las, GEOKEY_DOUBLE_RECORD);
    if (!vlr || !GrowRecord(vlr, sizeof value, "AddLASGeoDBL")) return 0;
    uint16_t index = vlr->recordLength / sizeof value;
    memcpy(vlr->data + vlr->recordLength, &value, sizeof value);
    vlr->recordLength += sizeof value;
    return AddGeoTIFFKey(las, keyId, GEOKEY_DOUBLE_RECORD, 1, index);
}

int AddLASGeoASC(LASFile* las, uint16_t keyId, const char* text)
{
    size_t length = strlen(text) + 1;
    if (length > 0xFFFF) return 0;
    LASVLR* vlr = ProjectionRecord(las, GEOKEY_ASCII_RECORD);
    if (!vlr || !GrowRecord(vlr, (uint16_t)length, "AddLASGeoASC")) return 0;
    uint16_t offset = vlr->recordLength;
    memcpy(vlr->data + offset, text, length);
    vlr->recordLength += (uint16_t)length;
    return AddGeoTIFFKey(las, keyId, GEOKEY_ASCII_RECORD, (uint16_t)length, offset);
}
