// Writing LAS files through the library: fresh files, the point buffer,
// headers of every size with true counts, and failures reported as failures.
#include "las_test_files.h"
#include <cmath>

TEST(LasWrite, CreatedFilesHoldHeaderSystemRecordAndNothingElse)
{
    struct { int version; size_t size; uint16_t headerSize; } cases[] = {
        { 10, 411, 227 }, { 12, 409, 227 }, { 13, 417, 235 }, { 14, 557, 375 },
    };
    for (auto& c : cases) {
        std::string path = TempPath("created.las");
        ASSERT_EQ(CreateLASFile(path.c_str(), c.version), 1);
        Bytes b = ReadBytes(path);
        ASSERT_EQ(b.size(), c.size) << c.version;
        EXPECT_EQ(FieldAt<uint16_t>(b, 94), c.headerSize);
        EXPECT_EQ(FieldAt<uint32_t>(b, 96), (uint32_t)c.size);
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
        EXPECT_EQ(las->version, c.version);
        EXPECT_EQ(las->format, 0);
        EXPECT_EQ(las->recordLength, 20);
        EXPECT_EQ(las->pointCount, 0u);
        EXPECT_STREQ(las->header.generatingSoftware, "Velka Geospatial LAS Lib v1.40");
        EXPECT_EQ(las->header.xScale, 0.01);
        EXPECT_EQ(las->header.zScale, 0.001);
        EXPECT_EQ(las->header.minX, LAS_EMPTY_MIN);
        ASSERT_EQ(las->header.numberOfVLRs, 1u);
        const LASVLR* v = las->vlrs[0];
        EXPECT_STREQ(v->userId, "VelkaDunmarro");
        EXPECT_EQ(v->recordLength, 128);
        EXPECT_STREQ(v->description, "QXRTInfo");
        EXPECT_STREQ((const char*)v->data, "Tarnwick Software, LLC 1.40  28-April-2015 rvdk");
        EXPECT_EQ(v->reserved, c.version == 10 ? 0xAABB : 0);
        if (c.version == 10) {
            EXPECT_EQ(b[409], 0xDD);
            EXPECT_EQ(b[410], 0xCC);
        } else {
            EXPECT_STREQ(las->header.systemIdentifier, "OTHER");
            EXPECT_GE(las->header.creationYear, 2024);
            EXPECT_GE(las->header.creationDay, 1);
        }
        CloseLASFile(las);
    }
}

TEST(LasWrite, TwentyThousandPointsGoThroughThreeBufferLoads)
{
    std::string path = TempPath("twenty.las");
    LASFile* las = CreateForWriting(path, 10);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(SetLASPointRecordLength(las, 28), 1);
    EXPECT_EQ(las->format, 1);
    SetLASScaleAndOffset(las, 512000.0, 513000.0, 4100000.0, 4101000.0);
    ASSERT_EQ(WriteLASHeader(las), 1);
    for (int i = 0; i < 20000; i++) {
        int r = WriteLASPoint(las, MakeRecord(i, 28, 1).data());
        ASSERT_EQ(r, (i + 1) % 9216 == 0 ? 9216 : 1) << i;
    }
    ASSERT_EQ(CloseLASFile(las), 1) << GetLASErrorText(nullptr);

    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 411u + 20000 * 28);
    las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->pointCount, 20000u);
    RawSummary sum = SummariseRecords(b, 411, 28, 20000, 1, las->header);
    for (int r = 0; r < 5; r++) EXPECT_EQ(las->header.legacyPointsByReturn[r], sum.byReturn[r]);
    EXPECT_EQ(las->header.legacyPointsByReturn[0], 6667u);
    EXPECT_EQ(las->header.minX, sum.minX);
    EXPECT_EQ(las->header.maxZ, sum.maxZ);
    std::vector<int> loads;
    uint8_t record[28];
    for (int i = 0; i < 20000; i++) {
        ASSERT_EQ(ReadLASPointRaw(las, record), 1);
        if (las->cursor == 1) loads.push_back(las->loaded);
        ASSERT_EQ(memcmp(record, MakeRecord(i, 28, 1).data(), 28), 0) << i;
    }
    EXPECT_EQ(ReadLASPointRaw(las, record), 0);
    EXPECT_EQ(loads, (std::vector<int>{ 9216, 9216, 1568 }));
    CloseLASFile(las);
}

TEST(LasWrite, LongRecordsWithExtraBytesAreKeptWhole)
{
    // Format 10 with 40 extra bytes: 107-byte records, more than the 69 a
    // fixed buffer would take, and more records than one buffer load.
    std::string path = TempPath("long.las");
    LASFile* las = CreateForWriting(path, 14);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(SetLASPointRecordLength(las, 67), 1);
    EXPECT_EQ(SetLASPointRecordLength(las, 107), 0);   // not a standard length
    EXPECT_EQ(las->format, 10);
    EXPECT_EQ(las->recordLength, 107);
    ASSERT_EQ(WriteLASHeader(las), 1);
    for (int i = 0; i < 10000; i++) ASSERT_NE(WriteLASPoint(las, MakeRecord(i, 107, 10).data()), 0);
    // A typed record: standard fields from the structure, extra bytes from its block.
    LASPoint10 typed;
    Bytes whole = MakeRecord(10000, 107, 10);
    memcpy(&typed, whole.data(), 67);
    Bytes extra(whole.begin() + 67, whole.end());
    typed.extra = extra.data();
    ASSERT_NE(WriteLASPoint(las, &typed), 0);
    ASSERT_EQ(CloseLASFile(las), 1) << GetLASErrorText(nullptr);

    las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
    EXPECT_EQ(las->pointCount, 10001u);
    EXPECT_EQ(las->header.pointCount64, 10001u);
    EXPECT_EQ(las->header.headerSize, 375);
    Bytes record(107);
    for (int i = 0; i < 9999; i++) {
        ASSERT_EQ(ReadLASPointRaw(las, record.data()), 1);
        ASSERT_TRUE(record == MakeRecord(i, 107, 10)) << i;
    }
    LASPoint10 p;
    for (int i = 9999; i <= 10000; i++) {
        ASSERT_EQ(ReadLASPointWithExtra(las, &p), 1);
        Bytes expect = MakeRecord(i, 107, 10);
        EXPECT_EQ(memcmp(&p, expect.data(), 67), 0);
        ASSERT_NE(p.extra, nullptr);
        EXPECT_EQ(memcmp(p.extra, expect.data() + 67, 40), 0) << i;
        free(p.extra);
    }
    CloseLASFile(las);
}

TEST(LasWrite, RecordLengthRulesKeepRecordsReadable)
{
    std::string path = TempPath("lengths.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(SetLASPointRecordLength(las, 48), 0);    // format 0 with extra bytes
    EXPECT_EQ(las->recordLength, 48);
    EXPECT_EQ(las->format, 0);
    EXPECT_EQ(SetLASPointRecordLength(las, 10), 0);    // too short for any point
    EXPECT_EQ(SetLASPointRecordLength(las, 0), 0);
    EXPECT_EQ(las->recordLength, 48);
    EXPECT_EQ(SetLASPointRecordLength(las, 34), 1);
    EXPECT_EQ(las->format, 3);
    ASSERT_NE(WriteLASPoint(las, MakeRecord(0, 34, 3).data()), 0);
    EXPECT_EQ(SetLASPointRecordLength(las, 28), 0);    // records already taken
    EXPECT_EQ(las->recordLength, 34);
    EXPECT_EQ(CloseLASFile(las), 1);

    // A copied format 1 header with 2 extra bytes stays format 1, not format 6.
    std::string source = TempPath("source.las");
    ASSERT_TRUE(MakeLASFile(source, 12, 28, 0));
    Bytes b = ReadBytes(source);
    SetFieldAt<uint16_t>(b, 105, 30);
    ASSERT_TRUE(WriteBytes(source, b));
    LASFile* src = OpenLASFile(source.c_str(), LAS_MODE_READ);
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(src->format, 1);
    ASSERT_EQ(CreateLASFile(path.c_str(), 12), 1);
    las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    ASSERT_EQ(CopyLASHeader(las, src), 1);
    EXPECT_EQ(SetLASPointRecordLength(las, 30), 0);
    EXPECT_EQ(las->format, 1);
    EXPECT_EQ(las->header.pointDataFormat, 1);
    CloseLASFile(las);
    CloseLASFile(src);

    LASFile* reader = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(SetLASPointRecordLength(reader, 28), 0);   // read mode
    uint8_t record[64];
    EXPECT_EQ(WriteLASPoint(reader, record), 0);
    CloseLASFile(reader);
}

TEST(LasWrite, MoreThanTwoBillionPointsAreRefusedNotWrapped)
{
    std::string path = TempPath("many.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    las->pointCount = LAS_MAX_POINTS;   // as if 2^31-1 points had gone before
    EXPECT_EQ(WriteLASPoint(las, MakeRecord(0, 20, 0).data()), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(las), "2147483647 points")) << GetLASErrorText(las);
    EXPECT_EQ(las->header.legacyPointCount, 0u);
    las->pointCount = 0;
    CloseLASFile(las);
}

TEST(LasWrite, FailedWritesAreReportedByTheWriterAndByClose)
{
    std::string path = TempPath("fail.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    // The file goes read-only under the handle: every write fails.
    CloseHandle(las->file);
    las->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(las->file, INVALID_HANDLE_VALUE);
    int last = -1;
    for (int i = 0; i < 9216; i++) last = WriteLASPoint(las, MakeRecord(i, 20, 0).data());
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(Contains(GetLASErrorText(las), "FlushLASWriteBuffer:  Only 0 of 9216")) << GetLASErrorText(las);
    EXPECT_EQ(CloseLASFile(las), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(nullptr), "FlushLASWriteBuffer:  Only 0 of 9216")) << GetLASErrorText(nullptr);

    // A header alone that cannot be written fails the close too.
    las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    ASSERT_NE(las, nullptr);
    CloseHandle(las->file);
    las->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(WriteLASHeader(las), 0);
    EXPECT_EQ(CloseLASFile(las), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(nullptr), "WriteLASHeader:  Unable to write the header"));
}

TEST(LasWrite, HeaderIsNotRewrittenOverPointsWhenVlrsChangeLate)
{
    std::string path = TempPath("late.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    ASSERT_EQ(WriteLASHeader(las), 1);
    for (int i = 0; i < 10; i++) WriteLASPoint(las, MakeRecord(i, 20, 0).data());
    ASSERT_EQ(AddVLR(CreateLASGeoTIFFRecord(12), las), 2);
    EXPECT_EQ(WriteLASHeader(las), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(las), "changed after points were written"));
    EXPECT_EQ(CloseLASFile(las), 0);
    // The points are where the file says they are.
    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 409u + 10 * 20);
    EXPECT_EQ(memcmp(b.data() + 409, MakeRecord(0, 20, 0).data(), 20), 0);
}

TEST(LasWrite, RewindStartsOverInReadModeOnly)
{
    std::string path = TempPath("rewind.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 20, 30));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    uint8_t first[20], record[20];
    ASSERT_EQ(ReadLASPointRaw(las, first), 1);
    for (int i = 0; i < 5; i++) ReadLASPointRaw(las, record);
    ASSERT_EQ(RewindLASFile(las), 1);
    ASSERT_EQ(ReadLASPointRaw(las, record), 1);
    EXPECT_EQ(memcmp(first, record, 20), 0);
    EXPECT_EQ(las->header.numberOfVLRs, 1u);
    CloseLASFile(las);

    las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(RewindLASFile(las), 0);
    EXPECT_STREQ(GetLASErrorText(las), "RewindLASFile:  No rewind write or update modes");
    EXPECT_EQ(CloseLASFile(las), 1);
}

TEST(LasWrite, OpeningFailuresLeaveTheRightTexts)
{
    std::string missing = TempPath("missing.las");
    EXPECT_EQ(OpenLASFile(missing.c_str(), LAS_MODE_READ), nullptr);
    char* system = GetLastLASSystemError();
    ASSERT_NE(system, nullptr);
    for (const char* c = system; *c; c++) EXPECT_GE((unsigned char)*c, 32);

    std::string text = TempPath("text.las");
    ASSERT_TRUE(WriteBytes(text, Bytes{ 'L', 'A', 'S', 'X', 0, 0, 0, 0 }));
    SetLASError(nullptr, "untouched", "Test");
    EXPECT_EQ(IsLASFile(text.c_str()), 0);
    EXPECT_EQ(OpenLASFile(text.c_str(), LAS_MODE_READ), nullptr);
    EXPECT_STREQ(GetLASErrorText(nullptr), "Test:  untouched");

    std::string path = TempPath("held.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 20, 3));
    EXPECT_EQ(OpenLASFile(path.c_str(), 4), nullptr);
    EXPECT_STREQ(GetLASErrorText(nullptr), "Test:  untouched");

    // Someone else holds the file: update mode, which takes it exclusively, fails.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenLASFile(path.c_str(), LAS_MODE_UPDATE), nullptr);
    std::string expect = "OpenLASFile:  [" + path + "] ";
    EXPECT_EQ(std::string(GetLASErrorText(nullptr)).substr(0, expect.size()), expect);
    CloseHandle(other);
}

TEST(LasWrite, VersionsAndScalesFollowTheirRules)
{
    LASFile* las = CreateLASStruct();
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->mode, LAS_MODE_READ);
    EXPECT_EQ(las->version, 10);
    SetLASVersion(las, 99);
    EXPECT_EQ(las->version, 14);
    EXPECT_EQ(las->header.versionMinor, 4);

    SetLASScaleAndOffset(las, 999.9, -12.0, 45.0, 44.0);
    EXPECT_EQ(las->header.xScale, 1e-6);
    EXPECT_EQ(las->header.yScale, 1e-7);
    EXPECT_EQ(las->header.xOffset, 0.0);
    SetLASScaleAndOffset(las, -2500000.0, -2400000.0, 10.0, 20.0);
    EXPECT_EQ(las->header.xScale, 0.001);
    EXPECT_EQ(las->header.xOffset, -2000000.0);
    EXPECT_EQ(las->header.yOffset, 0.0);
    SetLASScaleAndOffset(las, 512000.0, 4512345.6, 0.0, 0.0);
    EXPECT_EQ(las->header.xOffset, 4000000.0);
    SetLASScaleAndOffset(las, -81.2, -80.9, 27.1, 27.4);
    EXPECT_EQ(las->header.xScale, 1e-7);
    EXPECT_EQ(las->header.yScale, 1e-7);
    FreeLASStruct(las);

    // A version this library does not know is refused, never read (and
    // written back) as another.
    std::string path = TempPath("minor7.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 20, 2));
    Bytes b = ReadBytes(path);
    b[25] = 7;
    ASSERT_TRUE(WriteBytes(path, b));
    EXPECT_EQ(OpenLASFile(path.c_str(), LAS_MODE_READ), nullptr);
    char reason[128];
    snprintf(reason, sizeof reason, kLASVersionNotSupportedFormat, 1u, 7u);
    EXPECT_TRUE(Contains(GetLASErrorText(nullptr), reason)) << GetLASErrorText(nullptr);
}

TEST(LasWrite, AppendingToAFileKeepsItsPointsWhereTheyAre)
{
    REQUIRE_SAMPLES();
    std::string path = TempPath("append.las");
    Bytes original = ReadBytes(SamplePath("simple.las"));   // no VLRs: points right behind the header
    ASSERT_TRUE(WriteBytes(path, original));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    ASSERT_NE(las, nullptr);
    for (int i = 0; i < 5; i++) ASSERT_EQ(WriteLASPoint(las, MakeRecord(i, 34, 3).data()), 1);
    ASSERT_EQ(CloseLASFile(las), 1) << GetLASErrorText(nullptr);
    Bytes after = ReadBytes(path);
    ASSERT_EQ(after.size(), original.size() + 5 * 34);
    EXPECT_EQ(memcmp(after.data() + 227, original.data() + 227, original.size() - 227), 0);
    EXPECT_EQ(memcmp(after.data() + original.size(), MakeRecord(0, 34, 3).data(), 34), 0);
    EXPECT_EQ(FieldAt<uint32_t>(after, 107), 1070u);
    EXPECT_EQ(FieldAt<uint32_t>(after, 100), 0u);   // no VLR pushed in front of the points
}

TEST(LasWrite, PointsAreNotAppendedOverAnExtendedVlr)
{
    REQUIRE_SAMPLES();
    std::string path = TempPath("evlr.las");
    Bytes original = ReadBytes(SamplePath("1_4_w_evlr.las"));
    ASSERT_TRUE(WriteBytes(path, original));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(WriteLASPoint(las, MakeRecord(0, 30, 6).data()), 0);
    EXPECT_TRUE(Contains(GetLASErrorText(las), "cannot be appended")) << GetLASErrorText(las);
    EXPECT_EQ(CloseLASFile(las), 1);
    EXPECT_TRUE(ReadBytes(path) == original);
}
