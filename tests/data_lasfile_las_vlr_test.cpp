// Rewriting LAS files in place, and the variable length records with their
// GeoTIFF keys.
#include "las_test_files.h"

namespace {

// Rewrites the first `count` records with class (i % 5) + 1 in update mode.
int RewriteClasses(const std::string& path, uint64_t count)
{
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_UPDATE);
    if (!las) return -1;
    Bytes record(las->recordLength);
    for (uint64_t i = 0; i < count; i++) {
        if (!ReadLASPointRaw(las, record.data())) break;
        record[15] = (uint8_t)((record[15] & 0xE0) | ((i % 5) + 1));
        if (!UpdateLASPoint(las, record.data())) break;
    }
    return CloseLASFile(las);
}

} // namespace

TEST(LasUpdate, RewrittenClassesLandInPlaceAndNothingElseMoves)
{
    std::string path = TempPath("update.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 28, 20000));
    Bytes before = ReadBytes(path);
    ASSERT_EQ(RewriteClasses(path, 20000), 1) << GetLASErrorText(nullptr);
    Bytes after = ReadBytes(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(memcmp(before.data(), after.data(), 409), 0);   // header and VLR unchanged
    for (size_t i = 0; i < 20000; i++) {
        size_t at = 409 + i * 28;
        EXPECT_EQ(after[at + 15], (uint8_t)((before[at + 15] & 0xE0) | ((i % 5) + 1))) << i;
        before[at + 15] = after[at + 15];
    }
    EXPECT_TRUE(before == after);
}

TEST(LasUpdate, AFileWithoutTheSystemRecordDoesNotGainItOverItsPoints)
{
    REQUIRE_SAMPLES();
    std::string path = TempPath("simple.las");
    Bytes original = ReadBytes(SamplePath("simple.las"));   // points right behind a 227-byte header
    ASSERT_TRUE(WriteBytes(path, original));
    ASSERT_EQ(RewriteClasses(path, 1065), 1) << GetLASErrorText(nullptr);
    Bytes after = ReadBytes(path);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_EQ(memcmp(after.data(), original.data(), 227), 0);
    EXPECT_EQ(FieldAt<int32_t>(after, 227), FieldAt<int32_t>(original, 227));   // first point's X

    // A VLR added in update mode has no room before the points: refused, points intact.
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_UPDATE);
    ASSERT_NE(las, nullptr);
    AddVLR(CreateLASGeoTIFFRecord(las->version), las);
    EXPECT_EQ(CloseLASFile(las), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(nullptr), "no longer fit before the point data")) << GetLASErrorText(nullptr);
    EXPECT_TRUE(ReadBytes(path) == after);
}

TEST(LasUpdate, StoppingEarlyKeepsTheCountsOfTheWholeFile)
{
    std::string path = TempPath("partial.las");
    ASSERT_TRUE(MakeLASFile(path, 14, 30, 12000));
    Bytes before = ReadBytes(path);
    ASSERT_EQ(RewriteClasses(path, 100), 1);
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->pointCount, 12000u);
    EXPECT_EQ(memcmp(&las->header.legacyPointCount, before.data() + 107, 227 - 107), 0);
    EXPECT_EQ(memcmp(&las->header.pointCount64, before.data() + 247, 128), 0);
    CloseLASFile(las);
    // The 100 records were written back although their block was not finished.
    Bytes after = ReadBytes(path);
    size_t at = FieldAt<uint32_t>(after, 96);
    EXPECT_EQ(after[at + 99 * 30 + 15] & 0x1F, (99 % 5) + 1);
    EXPECT_EQ(after[at + 100 * 30 + 15], before[at + 100 * 30 + 15]);
}

TEST(LasUpdate, AnUpdateWithoutARecordReadIsRefused)
{
    std::string path = TempPath("noread.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 20, 5));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_UPDATE);
    ASSERT_NE(las, nullptr);
    uint8_t record[20] = {};
    EXPECT_EQ(UpdateLASPoint(las, record), 0);
    EXPECT_EQ(WriteLASPoint(las, record), 0);
    for (int i = 0; i < 5; i++) {
        ASSERT_EQ(ReadLASPointRaw(las, record), 1);
        EXPECT_NE(UpdateLASPoint(las, record), 0);
    }
    EXPECT_EQ(UpdateLASPoint(las, record), 0);   // the block is done
    EXPECT_EQ(CloseLASFile(las), 1);
}

TEST(LasVlr, RemovingTheOnlyRecordLeavesAnEmptyTableThatTakesNewOnes)
{
    LASFile* las = CreateLASStruct();
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(AddVLR(CreateLASGeoTIFFRecord(12), las), 1);
    EXPECT_EQ(TotalVLRSize(las), 62);
    EXPECT_EQ(RemoveVLR(las, "LASF_Projection", 34735), 1);
    EXPECT_EQ(las->vlrs, nullptr);
    EXPECT_EQ(las->header.numberOfVLRs, 0u);
    EXPECT_EQ(TotalVLRSize(las), 0);
    EXPECT_EQ(RemoveVLR(las, "LASF_Projection", 34735), 1);
    EXPECT_EQ(AddVLR(CreateLASGeoDBLRecord(12), las), 1);
    EXPECT_EQ(AddVLR(CreateLASGeoASCRecord(12), las), 2);
    EXPECT_EQ(FindVLR(las, "LASF_Projection", 34737), 1);
    EXPECT_EQ(FindVLR(las, "LASF_Projection", 34735), -1);
    EXPECT_EQ(FindVLR(las, "LASF_Projectio", 34737), -1);
    FreeLASStruct(las);
}

TEST(LasVlr, LinearUnitsFollowTheKeyPrecedence)
{
    struct Key { uint16_t id, value; };
    struct { std::vector<Key> keys; int units; } cases[] = {
        { { { 3072, 26910 }, { 4099, 0 }, { 3076, 9002 } }, 9002 },
        { { { 2052, 9001 }, { 3076, 9002 } }, 9001 },
        { { { 3076, 9001 }, { 4099, 9003 } }, 9003 },
        { { { 1024, 1 } }, 0 },
    };
    for (auto& c : cases) {
        LASFile* las = CreateLASStruct();
        for (const Key& k : c.keys) ASSERT_EQ(AddGeoTIFFKey(las, k.id, 0, 1, k.value), 1);
        EXPECT_EQ(GetLASLinearUnitsKey(las), c.units);
        FreeLASStruct(las);
    }
}

TEST(LasVlr, GeoKeysAreKeptInOrderWithTheirParametersThroughAFile)
{
    std::string path = TempPath("geo.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    ASSERT_EQ(AddGeoTIFFKey(las, 3076, 0, 1, 9001), 1);
    ASSERT_EQ(AddLASGeoDBL(las, 3078, 35.5), 1);
    ASSERT_EQ(AddLASGeoASC(las, 1026, "UTM 10N"), 1);
    ASSERT_EQ(AddLASGeoDBL(las, 2057, 6378137.0), 1);
    ASSERT_EQ(AddLASGeoASC(las, 2049, "WGS 84"), 1);
    ASSERT_EQ(AddGeoTIFFKey(las, 3076, 0, 1, 9002), 1);   // before the equal id
    ASSERT_EQ(CloseLASFile(las), 1);

    las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
    int dir = FindVLR(las, "LASF_Projection", 34735);
    int dbl = FindVLR(las, "LASF_Projection", 34736);
    int asc = FindVLR(las, "LASF_Projection", 34737);
    ASSERT_GE(dir, 0);
    ASSERT_GE(dbl, 0);
    ASSERT_GE(asc, 0);
    EXPECT_STREQ(las->vlrs[dir]->description, "Projection Info");
    ASSERT_EQ(las->vlrs[dir]->recordLength, 8 + 6 * 8);
    GeoKeyEntry e[7];
    memcpy(e, las->vlrs[dir]->data, sizeof e);
    EXPECT_EQ(e[0].valueOffset, 6);
    GeoKeyEntry expect[6] = { { 1026, 34737, 8, 0 }, { 2049, 34737, 7, 8 }, { 2057, 34736, 1, 1 },
                              { 3076, 0, 1, 9002 }, { 3076, 0, 1, 9001 }, { 3078, 34736, 1, 0 } };
    EXPECT_EQ(memcmp(e + 1, expect, sizeof expect), 0);
    double d[2];
    ASSERT_EQ(las->vlrs[dbl]->recordLength, 16);
    memcpy(d, las->vlrs[dbl]->data, 16);
    EXPECT_EQ(d[0], 35.5);
    EXPECT_EQ(d[1], 6378137.0);
    ASSERT_EQ(las->vlrs[asc]->recordLength, 15);
    EXPECT_STREQ((const char*)las->vlrs[asc]->data + 8, "WGS 84");
    EXPECT_EQ(GetLASLinearUnitsKey(las), 9002);
    CloseLASFile(las);
}

TEST(LasVlr, ReservedFieldAndSpecRecordsFollowTheVersion)
{
    LASFile* las = CreateLASStruct();
    ASSERT_NE(las, nullptr);
    for (int id : { 0, 1 }) {
        LASVLR* v = CreateLASGeoDBLRecord(12);
        memset(v->userId, 0, 16);
        memcpy(v->userId, "LASF_Spec", 9);
        v->recordId = (uint16_t)id;
        AddVLR(v, las);
    }
    AddVLR(CreateLASGeoTIFFRecord(12), las);
    SetLASVersion(las, 10);
    for (uint32_t i = 0; i < las->header.numberOfVLRs; i++) EXPECT_EQ(las->vlrs[i]->reserved, 0xAABB);
    EXPECT_EQ(las->header.numberOfVLRs, 3u);
    SetLASVersion(las, 11);
    ASSERT_EQ(las->header.numberOfVLRs, 2u);
    EXPECT_EQ(FindVLR(las, "LASF_Spec", 0), 0);
    EXPECT_EQ(FindVLR(las, "LASF_Spec", 1), -1);
    for (uint32_t i = 0; i < las->header.numberOfVLRs; i++) EXPECT_EQ(las->vlrs[i]->reserved, 0);
    FreeLASStruct(las);
}
