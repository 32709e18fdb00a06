// The LAS library against the sample files: every uncompressed file opens with
// the header it really has, hands out exactly its point records, byte for
// byte, and survives being copied through the library.
#include "las_test_files.h"
#include <cmath>

namespace {

struct SampleFacts {
    const char* name;
    int version, format, recordLength;
    uint64_t points;
    uint32_t offset, vlrs;
    uint16_t headerSize;
};

const SampleFacts SAMPLES[] = {
    { "1815.las",             12, 1, 28, 1247,   520,  3, 227 },
    { "1_4_w_evlr.las",       14, 6, 30, 1000,   2305, 2, 375 },
    { "autzen_geo_proj.las",  12, 1, 28, 106,    2002, 4, 227 },
    { "autzen_trim.las",      12, 3, 34, 110000, 2038, 5, 227 },
    { "extrabytes.las",       12, 3, 61, 1065,   1241, 1, 227 },
    { "no-points-1.3.las",    13, 0, 20, 0,      235,  0, 235 },
    { "point-color-time.las", 12, 3, 34, 1065,   1207, 4, 227 },
    { "point-color.las",      12, 2, 26, 1065,   1207, 4, 227 },
    { "point-time.las",       12, 1, 28, 1065,   1207, 4, 227 },
    { "point10-1.0.las",      10, 0, 20, 1,      227,  0, 227 },
    { "point10-1.1.las",      11, 0, 20, 1,      227,  0, 227 },
    { "point10.las",          12, 0, 20, 1065,   1207, 4, 227 },
    { "rand1_6.las",          14, 6, 30, 50000,  375,  0, 375 },
    { "simple.las",           12, 3, 34, 1065,   227,  0, 227 },
    { "simple1_1.las",        11, 1, 28, 1065,   227,  0, 227 },
    { "simple1_3.las",        13, 4, 57, 999,    5785, 5, 235 },
    { "simple1_4.las",        14, 7, 36, 22600,  571,  2, 375 },
    { "test1_4.las",          14, 6, 30, 1000,   2305, 2, 375 },
};

// Every record the reader hands out equals the file's bytes at its place,
// and the reader stops after the header's count.
void ExpectPointsEqualFileBytes(LASFile* las, const Bytes& file, const char* name)
{
    Bytes record(las->recordLength);
    uint64_t n = 0;
    while (ReadLASPointRaw(las, record.data())) {
        size_t at = (size_t)(las->header.offsetToPointData + n * las->recordLength);
        ASSERT_LE(at + las->recordLength, file.size()) << name;
        ASSERT_EQ(memcmp(record.data(), file.data() + at, las->recordLength), 0) << name << " record " << n;
        n++;
    }
    EXPECT_EQ(n, las->pointCount) << name;
}

// The VLR table holds the file's records in order with their data.
void ExpectVLRsEqualFileBytes(LASFile* las, const Bytes& file, const char* name)
{
    size_t at = las->header.headerSize;
    for (uint32_t i = 0; i < las->header.numberOfVLRs; i++) {
        const LASVLR* v = las->vlrs[i];
        ASSERT_EQ(memcmp(v, file.data() + at, LAS_VLR_HEADER_SIZE), 0) << name << " VLR " << i;
        ASSERT_EQ(memcmp(v->data, file.data() + at + LAS_VLR_HEADER_SIZE, v->recordLength), 0) << name << " VLR " << i;
        at += LAS_VLR_HEADER_SIZE + v->recordLength;
    }
}

} // namespace

TEST(LasSamples, EveryUncompressedFileOpensWithItsHeaderAndExactRecords)
{
    REQUIRE_SAMPLES();
    std::vector<std::string> found = FolderFiles(SampleDir(), "*.las");
    ASSERT_FALSE(found.empty());
    for (const std::string& name : found) {
        const SampleFacts* facts = nullptr;
        for (const SampleFacts& s : SAMPLES)
            if (name == s.name) facts = &s;
        ASSERT_NE(facts, nullptr) << name << " has no expected values in this test";
        std::string path = SamplePath(name.c_str());
        Bytes file = ReadBytes(path);
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << name << ": " << GetLASErrorText(nullptr);
        EXPECT_EQ(las->version, facts->version) << name;
        EXPECT_EQ(las->format, facts->format) << name;
        EXPECT_EQ(las->recordLength, facts->recordLength) << name;
        EXPECT_EQ(las->pointCount, facts->points) << name;
        EXPECT_EQ(las->header.offsetToPointData, facts->offset) << name;
        EXPECT_EQ(las->header.numberOfVLRs, facts->vlrs) << name;
        EXPECT_EQ(las->header.headerSize, facts->headerSize) << name;
        EXPECT_EQ(las->rawHeader != nullptr, facts->format >= 4) << name;
        if (las->rawHeader) {
            EXPECT_EQ(memcmp(las->rawHeader, file.data(), facts->offset), 0) << name;
        }
        ExpectVLRsEqualFileBytes(las, file, name.c_str());
        ExpectPointsEqualFileBytes(las, file, name.c_str());
        EXPECT_EQ(CloseLASFile(las), 1);
    }
}

TEST(LasSamples, SyntheticFilesHandOutTheirRecordsIncludingExtraBytes)
{
    REQUIRE_SAMPLES();
    std::string dir = SampleDir() + "synthetic\\";
    std::vector<std::string> found = FolderFiles(dir, "*.las");
    ASSERT_FALSE(found.empty()) << "no LAS files in " << dir;
    for (const std::string& name : found) {
        std::string path = dir + name;
        Bytes file = ReadBytes(path);
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << name << ": " << GetLASErrorText(nullptr);
        EXPECT_GT(las->pointCount, 0u) << name;
        ExpectPointsEqualFileBytes(las, file, name.c_str());
        CloseLASFile(las);
    }
}

TEST(LasSamples, GeoTiffKeysGiveTheLinearUnits)
{
    REQUIRE_SAMPLES();
    struct { const char* name; int units; } cases[] = {
        { "autzen_geo_proj.las", 9002 },   // 3076 only
        { "1815.las", 9001 },              // 4099 wins over 3076
        { "simple1_3.las", 9001 },         // 4099 after an unrelated 3076
        { "simple.las", 0 },               // no key directory
    };
    for (auto& c : cases) {
        LASFile* las = OpenLASFile(SamplePath(c.name).c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << c.name;
        EXPECT_EQ(GetLASLinearUnitsKey(las), c.units) << c.name;
        CloseLASFile(las);
    }
    LASFile* las = OpenLASFile(SamplePath("autzen_geo_proj.las").c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    int dir = FindVLR(las, "LASF_Projection", GEOKEY_DIRECTORY_RECORD);
    ASSERT_EQ(dir, 1);
    EXPECT_EQ(FindVLR(las, "LASF_Projection", GEOKEY_ASCII_RECORD), 2);
    EXPECT_EQ(FindVLR(las, "LASF_Projection", GEOKEY_DOUBLE_RECORD), -1);
    GeoKeyEntry head;
    memcpy(&head, las->vlrs[dir]->data, sizeof head);
    EXPECT_EQ(head.valueOffset, 8);   // number of keys
    CloseLASFile(las);
}

TEST(LasSamples, ExtendedVlrBehindThePointsIsNeverReadAsPoints)
{
    REQUIRE_SAMPLES();
    std::string path = SamplePath("1_4_w_evlr.las");
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->header.firstEVLRStart, 32305u);
    EXPECT_EQ(las->header.numberOfEVLRs, 1u);
    EXPECT_EQ(las->header.pointCount64, 1000u);
    EXPECT_EQ(las->header.legacyPointCount, 0u);
    Bytes record(30);
    int n = 0;
    while (ReadLASPointRaw(las, record.data())) n++;
    EXPECT_EQ(n, 1000);   // the 76 bytes of the extended VLR would make two more records
    CloseLASFile(las);

    // Nor where a damaged count claims more points: the reader stops where
    // the record begins and says so.
    const Bytes sound = ReadBytes(path);
    for (uint64_t count : {1001ull, 1000000000ull}) {
        SCOPED_TRACE(count);
        Bytes b = sound;
        SetFieldAt<uint64_t>(b, 247, count);
        las = OpenLASFile(WriteTempBytes("evlr_count.las", b).c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr);
        n = 0;
        while (ReadLASPointRaw(las, record.data())) ASSERT_EQ(memcmp(record.data(), &b[2305 + 30 * n++], 30), 0);
        EXPECT_EQ(n, 1000);
        EXPECT_TRUE(Contains(GetLASErrorText(las), Formatted("Point data ends after 1000 of %llu records",
                                                             (unsigned long long)count).c_str()))
            << GetLASErrorText(las);
        CloseLASFile(las);
    }
}

TEST(LasSamples, TypedReadersHandOverExtraBytesAndLeicaValuesAreRead)
{
    REQUIRE_SAMPLES();
    std::string path = SamplePath("extrabytes.las");
    Bytes file = ReadBytes(path);
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    LASLegacyPoint p;
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(ReadLASLegacyPoint(las, &p), 1);
        size_t at = 1241 + i * 61;
        EXPECT_EQ(memcmp(&p, file.data() + at, 34), 0);
        ASSERT_NE(p.extra, nullptr);
        EXPECT_EQ(memcmp(p.extra, file.data() + at + 34, 27), 0);
        free(p.extra);
    }
    CloseLASFile(las);

    las = OpenLASFile(SamplePath("simple1_3.las").c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_NEAR(las->leicaValues[0], 0.00090363, 1e-12);
    EXPECT_NEAR(las->leicaValues[1], -0.0008918, 1e-12);
    EXPECT_NEAR(las->leicaValues[2], 0.00060747, 1e-12);
    EXPECT_EQ(las->leicaValues[3], -150000.0);
    LASPoint4 p4;
    ASSERT_EQ(ReadLASPointWithExtra(las, &p4), 1);
    EXPECT_EQ(p4.extra, nullptr);
    CloseLASFile(las);
}

namespace {

// Copies a file the way the save and export commands do: a new file of the
// source's version, its header and VLRs, then every raw record.
bool CopyThroughLibrary(const std::string& from, const std::string& to)
{
    LASFile* src = OpenLASFile(from.c_str(), LAS_MODE_READ);
    if (!src) return false;
    bool ok = CreateLASFile(to.c_str(), src->version) == 1;
    LASFile* dst = ok ? OpenLASFile(to.c_str(), LAS_MODE_WRITE) : nullptr;
    ok = dst && CopyLASHeader(dst, src) == 1;
    if (ok) {
        ResetLASHeaderCounts(dst);
        SetLASPointRecordLength(dst, (uint16_t)src->recordLength);
        ok = WriteLASHeader(dst) == 1;
    }
    Bytes record(src->recordLength);
    for (uint64_t i = 0; ok && i < src->pointCount; i++)
        ok = ReadLASPointRaw(src, record.data()) && WriteLASPoint(dst, record.data());
    if (dst && CloseLASFile(dst) != 1) ok = false;
    CloseLASFile(src);
    return ok;
}

} // namespace

TEST(LasSamples, CopiesKeepRecordsVlrsAndGetTrueCountsAndExtent)
{
    REQUIRE_SAMPLES();
    for (const SampleFacts& s : SAMPLES) {
        std::string source = SamplePath(s.name);
        std::string copy = TempPath("copy.las");
        ASSERT_TRUE(CopyThroughLibrary(source, copy)) << s.name << ": " << GetLASErrorText(nullptr);
        Bytes in = ReadBytes(source), out = ReadBytes(copy);
        LASFile* a = OpenLASFile(source.c_str(), LAS_MODE_READ);
        LASFile* b = OpenLASFile(copy.c_str(), LAS_MODE_READ);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr) << s.name << ": " << GetLASErrorText(nullptr);
        EXPECT_EQ(b->version, s.version) << s.name;
        EXPECT_EQ(b->format, s.format) << s.name;
        EXPECT_EQ(b->recordLength, s.recordLength) << s.name;
        EXPECT_EQ(b->pointCount, s.points) << s.name;
        EXPECT_EQ(b->header.headerSize, LASHeaderSizeForVersion(s.version)) << s.name;
        EXPECT_EQ(b->header.firstEVLRStart, 0u) << s.name;

        // The source's records in order, then the system's own record.
        ASSERT_EQ(b->header.numberOfVLRs, a->header.numberOfVLRs + 1) << s.name;
        for (uint32_t i = 0; i < a->header.numberOfVLRs; i++) {
            EXPECT_EQ(memcmp(a->vlrs[i]->userId, b->vlrs[i]->userId, 52), 0) << s.name;
            EXPECT_EQ(memcmp(a->vlrs[i]->data, b->vlrs[i]->data, a->vlrs[i]->recordLength), 0) << s.name;
        }
        EXPECT_EQ(FindVLR(b, "VelkaDunmarro", 0), (int)a->header.numberOfVLRs) << s.name;
        uint64_t expectOffset = b->header.headerSize + TotalVLRSize(b) + (s.version == 10 ? 2 : 0);
        EXPECT_EQ(b->header.offsetToPointData, expectOffset) << s.name;
        EXPECT_EQ(out.size(), expectOffset + s.points * s.recordLength) << s.name;

        // Records byte for byte.
        for (uint64_t i = 0; i < s.points; i++) {
            size_t from = (size_t)(s.offset + i * s.recordLength), to = (size_t)(expectOffset + i * s.recordLength);
            ASSERT_EQ(memcmp(in.data() + from, out.data() + to, s.recordLength), 0) << s.name << " record " << i;
        }

        // Counts and extent rebuilt from the records.
        RawSummary sum = SummariseRecords(in, s.offset, s.recordLength, s.points, s.format, a->header);
        const LASHeader& h = b->header;
        EXPECT_EQ(h.legacyPointCount, s.points) << s.name;
        for (int r = 0; r < 5; r++) EXPECT_EQ(h.legacyPointsByReturn[r], sum.byReturn[r]) << s.name << " return " << r + 1;
        if (s.version == 14) {
            EXPECT_EQ(h.pointCount64, s.points) << s.name;
            for (int r = 0; r < 15; r++) EXPECT_EQ(h.pointsByReturn[r], sum.byReturn[r]) << s.name;
        }
        if (s.points > 0) {
            EXPECT_EQ(h.minX, sum.minX) << s.name;
            EXPECT_EQ(h.maxX, sum.maxX) << s.name;
            EXPECT_EQ(h.minY, sum.minY) << s.name;
            EXPECT_EQ(h.maxY, sum.maxY) << s.name;
            EXPECT_EQ(h.minZ, sum.minZ) << s.name;
            EXPECT_EQ(h.maxZ, sum.maxZ) << s.name;
        }
        CloseLASFile(a);
        CloseLASFile(b);

        // A copy of the copy is the same file: nothing is added twice.
        std::string again = TempPath("again.las");
        ASSERT_TRUE(CopyThroughLibrary(copy, again)) << s.name;
        Bytes second = ReadBytes(again);
        ASSERT_EQ(second.size(), out.size()) << s.name;
        memset(out.data() + 90, 0, 4);      // creation day and year
        memset(second.data() + 90, 0, 4);
        EXPECT_TRUE(second == out) << s.name;
    }
}

namespace {

// One thread's openings that fail: a header refused for `reason` (and, when it
// names one, the refused format), and a path whose opening fails with the
// system's text `system`. Counts the results that are not its own.
struct FailedOpenings {
    std::string refused, missing;
    std::string reason, system;
    int refusedFormat;
    int wrong;
};

DWORD WINAPI FailOpenings(void* p)
{
    FailedOpenings* f = (FailedOpenings*)p;
    for (int i = 0; i < 1500; i++) {
        f->wrong += OpenLASFile(f->refused.c_str(), LAS_MODE_READ) != nullptr;
        f->wrong += !Contains(GetLASErrorText(nullptr), f->reason.c_str());
        f->wrong += GetLASRefusedFormat() != f->refusedFormat;
        f->wrong += OpenLASFile(f->missing.c_str(), LAS_MODE_READ) != nullptr;
        const char* system = GetLastLASSystemError();
        f->wrong += !system || f->system != system;
    }
    return 0;
}

// A library-made file with one byte changed.
std::string DamagedCopy(const char* name, size_t at, uint8_t value)
{
    std::string path = TempPath(name);
    EXPECT_TRUE(MakeLASFile(path, 12, 28, 10));
    Bytes b = ReadBytes(path);
    b[at] = value;
    EXPECT_TRUE(WriteBytes(path, b));
    return path;
}

} // namespace

// Batch and conversion workers open LAS files while the window thread does:
// the reasons each thread reads after its own failures are its own.
TEST(LasFile, ThreadsFailingAtOnceReadTheirOwnReasons)
{
    FailedOpenings worker = {DamagedCopy("minor9.las", 25, 9), "C:\\no_such_folder\\w.las",
                             "ReadLASHeader:  " + Formatted(kLASVersionNotSupportedFormat, 1u, 9u), "", -1, 0};
    FailedOpenings window = {DamagedCopy("format11.las", 104, 11), TempPath("absent.las"),
                             "ReadLASHeader:  Unknown point data format 11", "", 11, 0};
    // A missing folder and a missing file: two different texts of the system.
    for (FailedOpenings* f : {&worker, &window}) {
        ASSERT_EQ(OpenLASFile(f->missing.c_str(), LAS_MODE_READ), nullptr);
        ASSERT_NE(GetLastLASSystemError(), nullptr);
        f->system = GetLastLASSystemError();
    }
    ASSERT_NE(worker.system, window.system);

    ASSERT_TRUE(RunOnWorkerAndHere(FailOpenings, &worker, &window));
    EXPECT_EQ(worker.wrong, 0);
    EXPECT_EQ(window.wrong, 0);
}
