// GeoTIFF keys in LAS files: the key directory (LASF_Projection 34735) with its
// double (34736) and text (34737) parameter records.
#pragma once
#include <cstdint>
#include <cstddef>

struct LASFile;
struct LASVLR;

const uint16_t GEOKEY_DIRECTORY_RECORD = 34735;
const uint16_t GEOKEY_DOUBLE_RECORD    = 34736;
const uint16_t GEOKEY_ASCII_RECORD     = 34737;

#pragma pack(push, 1)
// One key entry; the directory's own header has the same shape (key directory
// version, key revision, minor revision, number of keys).
struct GeoKeyEntry {
    uint16_t keyId;
    uint16_t location;   // 0: value held in valueOffset; else the record holding it
    uint16_t count;
    uint16_t valueOffset;
};
#pragma pack(pop)
static_assert(sizeof(GeoKeyEntry) == 8, "GeoTIFF key entry is four u16");

int      GetLASLinearUnitsKey(LASFile* las);
int      AddGeoTIFFKey(LASFile* las, uint16_t keyId, uint16_t location, uint16_t count, uint16_t valueOffset);
int      AddLASGeoDBL(LASFile* las, uint16_t keyId, double value);
int      AddLASGeoASC(LASFile* las, uint16_t keyId, const char* text);
LASVLR*  CreateLASGeoTIFFRecord(int version);
LASVLR*  CreateLASGeoDBLRecord(int version);
LASVLR*  CreateLASGeoASCRecord(int version);
