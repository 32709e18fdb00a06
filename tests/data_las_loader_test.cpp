#include "test_support.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/file_io.h"
#include "base/polygon.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/las_loader.h"
#include "data/laz_loader.h"
#include "gis/project/project.h"
#include "tests/las_test_files.h"
#include "tests/laz_test_util.h"
#include <cmath>
#include <cstring>
#include "base/messages.h"
#include "data/point_load.h"
#include <functional>

namespace {

// Saves `bytes` as `name` (its path in `*path`) and loads it as the user
// would, the lines the load logs kept in KeptLog().
DataSet* LoadLogged(const char* name, const Bytes& bytes, std::string* path)
{
    *path = WriteTempBytes(name, bytes);
    KeptLog().clear();
    SetLogHook(KeepLog);
    DataSet* set = LoadLASData(path->c_str(), name);
    SetLogHook(nullptr);
    return set;
}

struct RawPoint {
    int32_t x, y, z;
    uint16_t intensity;
    uint8_t returnByte, classByte;
    uint16_t red, green, blue;
};

// Writes a LAS 1.2 file of format 2 or 3 by hand, so the loader is tested
// against bytes we know. `announced` is the header's count (0: the real one).
void WriteLas(const std::string& path, int format, const std::vector<RawPoint>& pts, uint32_t announced = 0,
              double scale = 0.01, double offset = 0)
{
    const int recordLength = format == 3 ? 34 : 26;
    uint8_t h[227] = {};
    memcpy(h, "LASF", 4);
    h[24] = 1;
    h[25] = 2;
    uint16_t headerSize = 227;
    uint32_t dataOffset = 227;
    memcpy(h + 94, &headerSize, 2);
    memcpy(h + 96, &dataOffset, 4);
    h[104] = (uint8_t)format;
    uint16_t rl = (uint16_t)recordLength;
    memcpy(h + 105, &rl, 2);
    uint32_t count = announced ? announced : (uint32_t)pts.size();
    memcpy(h + 107, &count, 4);
    double scales[3] = {scale, scale, scale}, offsets[3] = {offset, offset, 0};
    memcpy(h + 131, scales, 24);
    memcpy(h + 155, offsets, 24);
    double bounds[6] = {1e9, -1e9, 1e9, -1e9, 1e9, -1e9};   // max x, min x, ...
    for (const RawPoint& p : pts) {
        double x = p.x * scale + offset, y = p.y * scale + offset, z = p.z * scale;
        bounds[0] = std::max(bounds[0] == 1e9 ? x : bounds[0], x);
        bounds[1] = std::min(bounds[1] == -1e9 ? x : bounds[1], x);
        bounds[2] = std::max(bounds[2] == 1e9 ? y : bounds[2], y);
        bounds[3] = std::min(bounds[3] == -1e9 ? y : bounds[3], y);
        bounds[4] = std::max(bounds[4] == 1e9 ? z : bounds[4], z);
        bounds[5] = std::min(bounds[5] == -1e9 ? z : bounds[5], z);
    }
    memcpy(h + 179, bounds, 48);
    VFile f = VFileCreate(path.c_str());
    ASSERT_NE(f, nullptr);
    VFileWrite(f, h, sizeof h);
    for (const RawPoint& p : pts) {
        uint8_t r[34] = {};
        memcpy(r, &p.x, 12);
        memcpy(r + 12, &p.intensity, 2);
        r[14] = p.returnByte;
        r[15] = p.classByte;
        int rgbAt = format == 3 ? 28 : 20;
        memcpy(r + rgbAt, &p.red, 2);
        memcpy(r + rgbAt + 2, &p.green, 2);
        memcpy(r + rgbAt + 4, &p.blue, 2);
        VFileWrite(f, r, recordLength);
    }
    VFileClose(f);
}

std::vector<RawPoint> Ramp(int n)
{
    std::vector<RawPoint> pts;
    for (int i = 0; i < n; i++) pts.push_back({i * 100, i * 50, 10000 + i, (uint16_t)i, 0x09, 2, 100, 100, 100});
    return pts;
}

struct Sample {
    const char* name;
    int points;
    int hasColor;
};

}  // namespace

TEST(LasLoader, EverySampleLoadsWithHeaderCountsAndBounds)
{
    REQUIRE_SAMPLES();
    const Sample samples[] = {
        {"1815.las", 1247, 0},          {"1815.laz", 1247, 0},          {"autzen_trim.las", 110000, 1},
        {"autzen_trim.laz", 110000, 1}, {"extrabytes.las", 1065, 1},    {"extrabytes.laz", 1065, 1},
        {"point-color.las", 1065, 1},   {"point-color.las.laz", 1065, 1}, {"point10.las", 1065, 0},
        {"point10.las.laz", 1065, 0},   {"rand1_6.las", 50000, 0},      {"simple1_3.las", 999, 0},
        {"simple1_4.las", 22600, 1},    {"simple.copc.laz", 1065, 1},   {"append-bug.laz", 37805, 1},
        {"1_4_w_evlr.las", 1000, 0},    {"1_4_w_evlr.laz", 1000, 0},    {"test1_4.las", 1000, 0},
    };
    BoxAnswers boxes;
    for (const Sample& s : samples) {
        DataSet* set = LoadLASData(SamplePath(s.name).c_str(), s.name);
        ASSERT_NE(set, nullptr) << s.name << (boxes.shown().empty() ? "" : boxes.shown().back().text);
        EXPECT_EQ(set->kind, DATA_LAS) << s.name;
        EXPECT_EQ(set->pointCount, s.points) << s.name;
        EXPECT_EQ(set->filePointCount, s.points) << s.name;
        EXPECT_EQ(set->hasColor, s.hasColor) << s.name;
        EXPECT_STREQ(set->title, s.name);
        // Every point inside the header's box (z carries the +0.001); the
        // writer of simple1_3.las stored unscaled integers as its box.
        bool boxUsable = strcmp(s.name, "simple1_3.las") != 0;
        for (int i = 0; boxUsable && i < set->pointCount; i += 97) {
            const PointRecord& p = set->points[i];
            EXPECT_GE(p.x, set->minX - 1e-6) << s.name;
            EXPECT_LE(p.x, set->maxX + 1e-6) << s.name;
            EXPECT_GE(p.y, set->minY - 1e-6) << s.name;
            EXPECT_LE(p.z, set->maxZ + 0.0021f) << s.name;
            EXPECT_FALSE(ReturnNumberOf(p.returns) == 0 && NumberOfReturnsOf(p.returns) == 0) << s.name;
        }
        FreeDataSet(set);
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(LasLoader, LasAndLazTwinsGiveTheSamePoints)
{
    REQUIRE_SAMPLES();
    const char* twins[][2] = {{"autzen_trim.las", "autzen_trim.laz"}, {"1815.las", "1815.laz"},
                              {"point-color-time.las", "point-color-time.las.laz"},
                              {"1_4_w_evlr.las", "1_4_w_evlr.laz"}, {"extrabytes.las", "extrabytes.laz"}};
    for (auto& t : twins) {
        DataSet* a = LoadLASData(SamplePath(t[0]).c_str(), t[0]);
        DataSet* b = LoadLASData(SamplePath(t[1]).c_str(), t[1]);
        ASSERT_TRUE(a && b) << t[0];
        ASSERT_EQ(a->pointCount, b->pointCount);
        EXPECT_EQ(a->source, SOURCE_LAS);
        EXPECT_EQ(b->source, SOURCE_LAZ);
        EXPECT_EQ(a->hasColor, b->hasColor);
        for (int i = 0; i < a->pointCount; i++) {
            const PointRecord &p = a->points[i], &q = b->points[i];
            ASSERT_EQ(p.x, q.x) << t[0] << " " << i;
            ASSERT_EQ(p.y, q.y);
            ASSERT_EQ(p.z, q.z);
            ASSERT_EQ(p.intensity, q.intensity);
            ASSERT_EQ(p.returns, q.returns);
            ASSERT_EQ(p.classification, q.classification);
            ASSERT_EQ(p.pointSourceId, q.pointSourceId);
            ASSERT_EQ(p.red, q.red);
            ASSERT_EQ(p.green, q.green);
            ASSERT_EQ(p.blue, q.blue);
            ASSERT_EQ(p.gpsTime, q.gpsTime);
        }
        FreeDataSet(a);
        FreeDataSet(b);
    }
}

TEST(LasLoader, TooFewPointsAreRefused)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    WriteLas(TempPath("one.las"), 3, Ramp(1));
    EXPECT_EQ(LoadLASData(TempPath("one.las").c_str(), "one.las"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, "one.las\nLAS file may be empty or corrupt!\n"));
    WriteLas(TempPath("two.las"), 3, Ramp(2));
    DataSet* two = LoadLASData(TempPath("two.las").c_str(), "two.las");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->pointCount, 2);
    FreeDataSet(two);
    boxes.clear();
    EXPECT_EQ(LoadLASData(SamplePath("point10-1.0.laz").c_str(), "point10-1.0.laz"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, "point10-1.0.laz\nLAZ file is too small to be useful (need at least three points)!\n"));
}

TEST(LasLoader, DecimationKeepsEveryStepthPoint)
{
    WriteLas(TempPath("25.las"), 3, Ramp(25));
    decimationEnabled = 1;
    decimationStep = 10;
    DataSet* set = LoadLASData(TempPath("25.las").c_str(), "25.las");
    decimationEnabled = 0;
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->decimated, 1);
    EXPECT_DOUBLE_EQ(set->points[0].x, 0.0);
    EXPECT_DOUBLE_EQ(set->points[1].x, 10.0);
    FreeDataSet(set);

    // A step larger than the count would keep nothing: the file loads whole.
    WriteLas(TempPath("5.las"), 3, Ramp(5));
    decimationEnabled = 1;
    set = LoadLASData(TempPath("5.las").c_str(), "5.las");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 5);
    EXPECT_EQ(set->decimated, 0);
    FreeDataSet(set);

    decimationEnabled = 1;
    decimationStep = 4;
    WriteLas(TempPath("1001.las"), 3, Ramp(1001));
    set = LoadLASData(TempPath("1001.las").c_str(), "1001.las");
    decimationEnabled = 0;
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 250);
    EXPECT_DOUBLE_EQ(set->points[249].x, 996 * 1.0);
    FreeDataSet(set);
}

TEST(LasLoader, ShortReadAsksAndKeepsWhatWasRead)
{
    WriteLas(TempPath("short.las"), 3, Ramp(9), 10);
    {
        BoxAnswers boxes({IDYES});
        DataSet* set = LoadLASData(TempPath("short.las").c_str(), "short.las");
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->pointCount, 9);
        EXPECT_EQ(set->filePointCount, 9);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text,
                  "short.las\nShort read, LAS file is corrupt!\nHeader says 10 points but file only has 9 points!\n\n"
                  "Would you like to load it anyway?");
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
        FreeDataSet(set);
    }
    BoxAnswers no({IDNO});
    EXPECT_EQ(LoadLASData(TempPath("short.las").c_str(), "short.las"), nullptr);
}

TEST(LasLoader, PackingAndColourStretch)
{
    std::vector<RawPoint> pts = Ramp(4);
    pts[0].z = 10000;   // 100.00 m
    pts[0].returnByte = 0;   // return 0 of 0 becomes a single return 1 of 1
    pts[1].returnByte = 2 | (3 << 3);
    pts[2].returnByte = 3 | (3 << 3);
    pts[3].classByte = 2 | 0x20 | 0x80;   // ground, synthetic, withheld
    pts[0].red = 255;
    pts[1].red = 100;
    WriteLas(TempPath("pack.las"), 3, pts);
    DataSet* set = LoadLASData(TempPath("pack.las").c_str(), "pack.las");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->points[0].z, 100.0f + 0.001f);
    EXPECT_EQ(set->points[0].returns, MakeReturnByte(1, 1));
    EXPECT_EQ(ReturnPositionOf(set->points[1].returns), (uint32_t)RETURN_INTERMEDIATE);
    EXPECT_EQ(ReturnPositionOf(set->points[2].returns), (uint32_t)RETURN_LAST);
    EXPECT_EQ(set->points[3].classification, 2);
    EXPECT_EQ(set->points[3].flags, POINT_SYNTHETIC | POINT_WITHHELD);
    // 8-bit colours: low 0, high 255, scale 256/255.
    EXPECT_EQ(set->points[0].red, 255);
    EXPECT_EQ(set->points[1].red, 100);
    EXPECT_EQ(set->hasColor, 1);
    FreeDataSet(set);

    std::vector<RawPoint> black = Ramp(3);
    for (RawPoint& p : black) p.red = p.green = p.blue = 0;
    WriteLas(TempPath("black.las"), 2, black);
    set = LoadLASData(TempPath("black.las").c_str(), "black.las");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->hasColor, 0);
    EXPECT_EQ(set->points[2].red, 0);
    FreeDataSet(set);

    // Every point of one 16-bit grey level: full brightness, no division by zero.
    std::vector<RawPoint> flat = Ramp(5);
    for (RawPoint& p : flat) p.red = p.green = p.blue = 30000;
    WriteLas(TempPath("flat.las"), 3, flat);
    set = LoadLASData(TempPath("flat.las").c_str(), "flat.las");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->points[0].red, 255);
    EXPECT_EQ(set->points[4].blue, 255);
    FreeDataSet(set);
}

TEST(LasLoader, BufferPointsKeepFullPrecision)
{
    // Eastings around 500,000.123 must not snap to single precision.
    std::vector<RawPoint> pts;
    for (int i = 0; i < 5; i++) pts.push_back({50000012 + i, 410000037 + i, 1000, 1, 0x09, 2, 0, 0, 0});
    WriteLas(TempPath("tile.las"), 3, pts);
    DataSet* set = AllocDataSet();
    set->points = (PointRecord*)NBLCalloc(1, sizeof(PointRecord));
    set->pointCount = set->filePointCount = 0;
    set->minX = set->minY = 1e30;
    set->maxX = set->maxY = -1e30;
    RingPolygon* area = NewPolygon(4);
    double corners[4][2] = {{499000, 4099000}, {501000, 4099000}, {501000, 4101000}, {499000, 4101000}};
    for (int i = 0; i < 4; i++) {
        area->contour[0].vertex[i].x = corners[i][0];
        area->contour[0].vertex[i].y = corners[i][1];
    }
    ASSERT_EQ(LoadLASPointsInPolygon(TempPath("tile.las").c_str(), "tile.las", area, set), 1);
    EXPECT_EQ(set->pointCount, 5);
    EXPECT_EQ(set->filePointCount, 0);
    EXPECT_NEAR(set->points[0].x, 500000.12, 1e-6);
    EXPECT_NEAR(set->points[0].y, 4100000.37, 1e-6);
    EXPECT_EQ(LoadLASPointsInPolygon(TempPath("missing.las").c_str(), "missing.las", area, set), 0);
    // A neighbour whose header counts more points than it holds gives the
    // points it holds.
    WriteLas(TempPath("damaged_tile.las"), 3, pts, 1000000000u);
    ASSERT_EQ(LoadLASPointsInPolygon(TempPath("damaged_tile.las").c_str(), "damaged_tile.las", area, set), 1);
    EXPECT_EQ(set->pointCount, 10);
    EXPECT_NEAR(set->points[9].x, 500000.16, 1e-6);
    FreePolygon(area);
    FreeDataSet(set);
}

namespace {

std::string CopyTruncated(const char* sample, const char* name, double keep)
{
    VFile in = VFileOpenRead(SamplePath(sample).c_str());
    int64_t size = VFileSize(in);
    std::vector<char> bytes((size_t)size);
    VFileReadExact(in, bytes.data(), bytes.size());
    VFileClose(in);
    std::string path = TempPath(name);
    VFile out = VFileCreate(path.c_str());
    VFileWrite(out, bytes.data(), (uint64_t)(size * keep));
    VFileClose(out);
    return path;
}

}  // namespace

TEST(LasLoader, TruncatedLazAsksAboutTheShortRead)
{
    REQUIRE_SAMPLES();
    std::string path = CopyTruncated("autzen_trim.laz", "cut.laz", 0.6);
    {
        BoxAnswers boxes({IDYES});
        DataSet* set = LoadLASData(path.c_str(), "cut.laz");
        ASSERT_NE(set, nullptr);
        ASSERT_GE(boxes.shown().size(), 1u);
        EXPECT_NE(boxes.shown()[0].text.find("cut.laz\nShort read, LAZ file is corrupt!\nHeader says 110000 points"),
                  std::string::npos);
        EXPECT_GT(set->pointCount, 10000);
        EXPECT_LT(set->pointCount, 110000);
        FreeDataSet(set);
    }
    BoxAnswers no({IDNO});
    EXPECT_EQ(LoadLASData(path.c_str(), "cut.laz"), nullptr);
    // Decimated, the same question; Yes keeps every third point read.
    decimationEnabled = 1;
    decimationStep = 3;
    BoxAnswers boxes({IDYES, IDNO});
    DataSet* set = LoadLASData(path.c_str(), "cut.laz");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->decimated, 1);
    EXPECT_GT(set->pointCount, 10000 / 3);
    EXPECT_LT(set->pointCount, 110000 / 3);
    FreeDataSet(set);
    EXPECT_EQ(LoadLASData(path.c_str(), "cut.laz"), nullptr);
    decimationEnabled = 0;
    ASSERT_EQ(boxes.shown().size(), 2u);
    for (const ShownBox& box : boxes.shown())
        EXPECT_EQ(box.text.rfind("cut.laz\nShort read, LAZ file is corrupt!\nHeader says 110000 points", 0), 0u)
            << box.text;
}

TEST(LasLoader, DecimatedLasAndLazKeepTheSamePoints)
{
    REQUIRE_SAMPLES();
    decimationEnabled = 1;
    decimationStep = 7;
    DataSet* a = LoadLASData(SamplePath("autzen_trim.las").c_str(), "a");
    DataSet* b = LoadLASData(SamplePath("autzen_trim.laz").c_str(), "b");
    decimationEnabled = 0;
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->pointCount, 110000 / 7);
    EXPECT_EQ(b->pointCount, 110000 / 7);
    for (int i = 0; i < a->pointCount; i += 101) {
        EXPECT_EQ(a->points[i].x, b->points[i].x);
        EXPECT_EQ(a->points[i].red, b->points[i].red);
    }
    FreeDataSet(a);
    FreeDataSet(b);
}

TEST(LasLoader, UnitsComeFromTheGeoKeys)
{
    REQUIRE_SAMPLES();
    DataSet* geo = LoadLASData(SamplePath("autzen_geo_proj.las").c_str(), "geo");
    DataSet* none = LoadLASData(SamplePath("simple.las").c_str(), "none");
    ASSERT_TRUE(geo && none);
    EXPECT_EQ(none->units, 0);
    EXPECT_NE(geo->units, 0);
    FreeDataSet(geo);
    FreeDataSet(none);
}

TEST(LasLoader, OpeningFailuresSayWhy)
{
    BoxAnswers boxes;
    EXPECT_EQ(LoadLASData(TempPath("absent.las").c_str(), "absent.las"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind("absent.las\nUnable to open LAS file!\n", 0), 0u);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    // A header whose offset to the points lies beyond the file.
    WriteLas(TempPath("bad.las"), 3, Ramp(4));
    VFile f = VFileOpenUpdate(TempPath("bad.las").c_str());
    uint32_t offset = 1u << 30;
    VFileSeek(f, 96);
    VFileWrite(f, &offset, 4);
    VFileClose(f);
    boxes.clear();
    EXPECT_EQ(LoadLASData(TempPath("bad.las").c_str(), "bad.las"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("ReadLASHeader:  "), std::string::npos) << boxes.shown()[0].text;
}

// Loads run on worker threads (batch runs) as well as on the window thread;
// each must stretch its colours from its own points only.
TEST(LasLoader, ConcurrentLoadsStretchTheirOwnColours)
{
    std::vector<RawPoint> wide = Ramp(120000);
    for (size_t i = 0; i < wide.size(); i++) wide[i].red = wide[i].green = wide[i].blue = (uint16_t)(i / 2);
    WriteLas(TempPath("wide.las"), 3, wide);
    WriteLas(TempPath("narrow.las"), 2, Ramp(50));
    std::string widePath = TempPath("wide.las"), narrowPath = TempPath("narrow.las");

    DataSet* reference = ReadLASPoints(widePath.c_str(), "wide.las");
    ASSERT_NE(reference, nullptr);

    struct Worker {
        const char* path;
        int mismatches;
        const DataSet* reference;
        static DWORD WINAPI Run(void* p)
        {
            Worker* w = (Worker*)p;
            for (int round = 0; round < 2; round++) {
                DataSet* set = ReadLASPoints(w->path, "wide.las");
                if (!set) {
                    w->mismatches++;
                    continue;
                }
                for (int i = 0; i < set->pointCount; i += 997)
                    if (set->points[i].red != w->reference->points[i].red) w->mismatches++;
                FreeDataSet(set);
            }
            return 0;
        }
    } worker = {widePath.c_str(), 0, reference};
    HANDLE thread = CreateThread(nullptr, 0, Worker::Run, &worker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    int narrowWrong = 0;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        DataSet* set = ReadLASPoints(narrowPath.c_str(), "narrow.las");
        if (!set || set->points[10].red != 100) narrowWrong++;
        FreeDataSet(set);
        PumpMessages(0);
    }
    CloseHandle(thread);
    FreeDataSet(reference);
    EXPECT_EQ(worker.mismatches, 0);
    EXPECT_EQ(narrowWrong, 0);
}

// Headers the loaders must refuse with the reason, never load: scales that
// give no coordinates (LAS and LAZ) and point formats above 10.
TEST(LasLoader, UnusableHeadersAreRefusedWithTheirReason)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    WriteLas(TempPath("nan.las"), 3, Ramp(4), 0, std::nan(""));
    EXPECT_EQ(LoadLASData(TempPath("nan.las").c_str(), "nan.las"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind("nan.las\nUnable to open LAS file!\n", 0), 0u);
    EXPECT_NE(boxes.shown()[0].text.find("scale factor of the header is not a finite number"), std::string::npos);

    std::string laz = TempPath("zero_scale.laz");
    VFile in = VFileOpenRead(SamplePath("point10.las.laz").c_str());
    std::vector<char> bytes(200000);
    uint64_t n = 0;
    VFileRead(in, bytes.data(), bytes.size(), &n);
    VFileClose(in);
    ASSERT_GT(n, 300u);
    bytes.resize((size_t)n);
    double zero = 0.0;
    memcpy(&bytes[147], &zero, 8);
    VFile out = VFileCreate(laz.c_str());
    VFileWrite(out, bytes.data(), bytes.size());
    VFileClose(out);
    boxes.clear();
    EXPECT_EQ(LoadLASData(laz.c_str(), "zero_scale.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind("zero_scale.laz\n", 0), 0u);
    EXPECT_NE(boxes.shown()[0].text.find("scale factor of the header is zero"), std::string::npos)
        << boxes.shown()[0].text;

    WriteLas(TempPath("format11.las"), 3, Ramp(4));
    VFile f = VFileOpenUpdate(TempPath("format11.las").c_str());
    uint8_t format = 11;
    VFileSeek(f, 104);
    VFileWrite(f, &format, 1);
    VFileClose(f);
    boxes.clear();
    EXPECT_EQ(LoadLASData(TempPath("format11.las").c_str(), "format11.las"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("format11.las") + kLASPointTypeNotSupportedText));
}

namespace {

Bytes PatchedSample(const char* sample, std::function<void(Bytes&)> patch)
{
    Bytes b = ReadBytes(SamplePath(sample));
    if (!b.empty()) patch(b);
    return b;
}

std::string Saved(const char* name, const Bytes& b)
{
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, b));
    return path;
}

}  // namespace

// LAZ headers whose counts the file cannot back: a 64-bit count beyond what a
// set holds is judged by the points the chunk table holds (and refused, not
// cut to its low bits, where no table bounds it); a damaged count is bounded by
// the chunk table before any memory question and asked about even when the
// table holds exactly the points there are; a short read that keeps fewer
// than three points is refused; a damaged file gives the decoder's reason.
TEST(LasLoader, LazCountsTheFileCannotBackAreRefusedOrBounded)
{
    REQUIRE_SAMPLES();
    std::string huge = Saved("huge.laz", PatchedSample("1_4_w_evlr.laz", [](Bytes& b) {
        SetFieldAt<uint32_t>(b, 107, 0);
        SetFieldAt<uint64_t>(b, 247, (1ull << 32) + 1000);
    }));
    std::string damaged = Saved("count.laz", PatchedSample("autzen_trim.laz", [](Bytes& b) {
        SetFieldAt<uint32_t>(b, 107, 2000000000u);
    }));
    Bytes hugeCut = ReadBytes(huge);
    hugeCut.resize(FieldAt<uint32_t>(hugeCut, 96) + 8 + 12);   // no chunk table: nothing bounds the count
    std::string unbounded = Saved("unbounded.laz", hugeCut);
    // Answers: Yes to the short reads of count.laz and huge.laz, OK to unbounded.laz, Yes to the short read of
    // stub.laz, OK to its and norecord.laz's failures, Yes then No to the short copc.laz.
    BoxAnswers boxes({IDYES, IDYES, IDOK, IDYES, IDOK, IDOK, IDYES, IDNO});
    DataSet* set = LoadLASData(damaged.c_str(), "count.laz");
    ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown().back().text);
    EXPECT_EQ(set->pointCount, 110000);
    ASSERT_EQ(boxes.shown().size(), 1u);   // the short read only, no memory question
    EXPECT_NE(boxes.shown()[0].text.find("Header says 2000000000 points but file only has 110000 points"),
              std::string::npos);
    FreeDataSet(set);
    boxes.clear();
    set = LoadLASData(huge.c_str(), "huge.laz");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 1000);
    FreeDataSet(set);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("Header says 4294968296 points but file only has 1000 points"),
              std::string::npos)
        << boxes.shown()[0].text;
    boxes.clear();
    EXPECT_EQ(LoadLASData(unbounded.c_str(), "unbounded.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("unbounded.laz") + kUnableToOpenLAZText +
                                         "Point count 4294968296 is more than this library can read (2147483647)");

    Bytes cut = ReadBytes(SamplePath("autzen_trim.laz"));
    ASSERT_GT(cut.size(), 1000u);
    cut.resize(FieldAt<uint32_t>(cut, 96) + 8 + 12);   // the chunk table's offset and a few bytes of the first point
    std::string stub = Saved("stub.laz", cut);
    boxes.clear();
    EXPECT_EQ(LoadLASData(stub.c_str(), "stub.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.shown()[0].text.find("Short read"), std::string::npos);
    EXPECT_EQ(boxes.shown()[1].text, std::string("stub.laz") + kLAZTooSmallText);

    std::string noRecord = Saved("norecord.laz", PatchedSample("point10.las.laz", [](Bytes& b) {
        for (size_t i = 0; i + 14 < b.size() && i < 4096; i++)
            if (!memcmp(&b[i], "laszip encoded", 14)) b[i] = 'L';
    }));
    boxes.clear();
    EXPECT_EQ(LoadLASData(noRecord.c_str(), "norecord.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind(std::string("norecord.laz") + kUnableToOpenLAZText, 0), 0u);
    EXPECT_NE(boxes.shown()[0].text.find("LAZ record is missing"), std::string::npos) << boxes.shown()[0].text;

    // Chunks of their own sizes bound the count exactly: every point there is
    // reads, and the shortfall is still asked about.
    std::string copc = Saved("copc.laz", PatchedSample("simple.copc.laz", [](Bytes& b) {
        SetFieldAt<uint64_t>(b, 247, 5000);
    }));
    boxes.clear();
    set = LoadLASData(copc.c_str(), "copc.laz");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 1065);
    FreeDataSet(set);
    EXPECT_EQ(LoadLASData(copc.c_str(), "copc.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.shown()[1].text.find("copc.laz\nShort read, LAZ file is corrupt!\nHeader says 5000 points but "
                                         "file only has 1065 points!"),
              std::string::npos)
        << boxes.shown()[1].text;
}

// A header that counts more points than its file holds (1,065), in the
// legacy or the 64-bit count, on the LAS and the LAZ road: the count is
// compared with what the file's records or chunk table hold before memory is
// judged, so that a count far beyond memory gets the short-read question, not
// the memory question, and Yes loads the 1,065; a decimated load asks alike,
// where a table of fixed-size chunks bounds the count only to whole chunks
// too. The records of a LAS 1.4 file end where its extended VLR begins: its
// bytes are no points.
TEST(LasLoader, CountsAboveWhatTheFileHoldsAskAboutTheShortReadNotMemory)
{
    REQUIRE_SAMPLES();
    // Memory for about 25 million points: a billion would need the memory question.
    SetAvailableMemoryHook([]() -> uint64_t { return (uint64_t)1 << 30; });
    const Bytes p10 = ReadBytes(SamplePath("point10.las")), z10 = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // chunks of their own sizes
    // LAS 1.4 copies, their legacy count true and the 64-bit one counted.
    const Bytes p14 = WithHeaderSize(p10, 4, 375), z14 = WithHeaderSize(z10, 4, 375);
    auto legacy = [](Bytes b, uint32_t count) {
        SetFieldAt<uint32_t>(b, 107, count);
        return b;
    };
    // 1,000 points, then an extended VLR of 76 bytes; uncompressed on both roads.
    const Bytes evlr = ReadBytes(SamplePath("1_4_w_evlr.las"));
    struct Case {
        std::string name;
        Bytes bytes;
        uint32_t count;
        int held;   // the points the file holds
    };
    std::vector<Case> cases;
    for (uint32_t count : {1000000000u, 1070u}) {
        std::string n = std::to_string(count);
        cases.push_back({n + "_legacy.las", legacy(p10, count), count, 1065});
        cases.push_back({n + "_legacy.laz", legacy(z10, count), count, 1065});
        cases.push_back({n + "_count64.las", WithPointCounts(p14, 1065, count), count, 1065});
        cases.push_back({n + "_count64.laz", WithPointCounts(z14, 1065, count), count, 1065});
        cases.push_back({n + "_copc.laz", WithPointCounts(copc, 1065, count), count, 1065});
    }
    for (uint32_t count : {1000000000u, 1001u}) {
        std::string n = std::to_string(count);
        cases.push_back({n + "_evlr.las", WithPointCounts(evlr, 0, count), count, 1000});
        cases.push_back({n + "_evlr.laz", WithPointCounts(evlr, 0, count), count, 1000});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name.c_str(), c.bytes);
        const bool laz = HasLAZName(path.c_str());
        const std::string question = c.name + "\nShort read, " + (laz ? "LAZ" : "LAS") +
                                     " file is corrupt!\nHeader says " + std::to_string(c.count) +
                                     " points but file only has " + std::to_string(c.held) +
                                     " points!\n\nWould you like to load it anyway?";
        BoxAnswers boxes({IDYES, IDNO, IDYES});
        DataSet* set = LoadLASData(path.c_str(), c.name.c_str());
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.held);
        EXPECT_EQ(set->filePointCount, c.held);
        EXPECT_EQ(set->decimated, 0);
        FreeDataSet(set);
        EXPECT_EQ(LoadLASData(path.c_str(), c.name.c_str()), nullptr);
        ASSERT_EQ(boxes.shown().size(), 2u);
        for (const ShownBox& box : boxes.shown()) {
            EXPECT_EQ(box.text, question);
            EXPECT_EQ(box.caption, "Warning");
        }
        // A project tile counts what the file holds on both roads (a LAZ
        // file's fixed-size chunks bound it to whole chunks of 50,000).
        const uint64_t fileCount = GetLASFilePointCount(path.c_str());
        EXPECT_GE(fileCount, (uint64_t)c.held);
        EXPECT_LE(fileCount, laz ? std::max<uint64_t>(c.held, 50000) : c.held);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ((uint64_t)tile->pointCount, fileCount);
        FreeProjectTile(tile);
        decimationEnabled = 1;
        decimationStep = 5;
        boxes.clear();
        set = LoadLASData(path.c_str(), c.name.c_str());
        decimationEnabled = 0;
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.held / 5);
        EXPECT_EQ(set->decimated, 1);
        FreeDataSet(set);
        EXPECT_TRUE(ShowedOneBox(boxes, question));
    }
    SetAvailableMemoryHook(nullptr);
}

// A LAS 1.2 file whose header is longer than its version's layout carries
// user data there, no LAS 1.4 fields; a file that holds one of the points its
// header counts is refused as an empty file is, with no question first.
TEST(LasLoader, LongLegacyHeadersLoadAndTooShortReadsAreRefused)
{
    WriteLas(TempPath("plain.las"), 3, Ramp(4));
    Bytes b = ReadBytes(TempPath("plain.las"));
    b.insert(b.begin() + 227, 148, 0xFF);
    SetFieldAt<uint16_t>(b, 94, 375);
    SetFieldAt<uint32_t>(b, 96, 375);
    std::string user = Saved("user.las", b);
    BoxAnswers boxes({IDYES});
    DataSet* set = LoadLASData(user.c_str(), "user.las");
    ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
    EXPECT_EQ(set->pointCount, 4);
    EXPECT_DOUBLE_EQ(set->points[3].x, 3.0);
    FreeDataSet(set);

    WriteLas(TempPath("one_of_ten.las"), 3, Ramp(1), 10);
    boxes.clear();
    EXPECT_EQ(LoadLASData(TempPath("one_of_ten.las").c_str(), "one_of_ten.las"), nullptr);
    EXPECT_TRUE(ShowedOneBox(boxes, "one_of_ten.las\nLAS file may be empty or corrupt!\n"));
}

// Some writers of LAS 1.4 files set only the legacy count, others leave the
// two counts disagreeing. Every road reads a file by the same count: the
// 64-bit count where it is set, else the legacy count. A LAS 1.4 header of
// 255 bytes or more holds the 64-bit count; one cut short of it is read by its
// legacy count. A VLR whose length runs into the points is cut there, on
// every road alike.
TEST(LasLoader, EveryRoadReadsAFileByTheSameCount)
{
    REQUIRE_SAMPLES();
    std::string made = TempPath("counts14.las");
    ASSERT_TRUE(MakeLASFile(made, 14, 28, 100));   // format 1, both counts 100
    const Bytes f1 = ReadBytes(made);
    const Bytes f6 = ReadBytes(SamplePath("1_4_w_evlr.las")), z6 = ReadBytes(SamplePath("1_4_w_evlr.laz"));
    ASSERT_EQ(FieldAt<uint32_t>(f6, 107), 0u);   // format 6: the legacy count left at 0
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // format 7, both counts 1065
    const Bytes p10 = ReadBytes(SamplePath("point10.las"));
    struct Case {
        const char* name;
        Bytes bytes;
        int points;
    };
    // A ".laz" name takes the LAZ road, which reads plain records as well.
    const Case cases[] = {
        {"legacy_only.las", WithPointCounts(f1, 100, 0), 100}, {"legacy_only.laz", WithPointCounts(f1, 100, 0), 100},
        {"disagree.las", WithPointCounts(f1, 90, 100), 100},  {"disagree.laz", WithPointCounts(f1, 90, 100), 100},
        {"legacy6.las", WithPointCounts(f6, 1000, 0), 1000},   {"legacy6.laz", WithPointCounts(z6, 1000, 0), 1000},
        {"sample6.las", f6, 1000},                              {"sample6.laz", z6, 1000},
        {"short1.las", WithHeaderSize(f1, 4, 300), 100},        {"short1.laz", WithHeaderSize(f1, 4, 235), 100},
        {"short6.las", WithHeaderSize(WithPointCounts(f6, 1000, 0), 4, 254), 1000},
        {"short6.laz", WithHeaderSize(WithPointCounts(z6, 1000, 0), 4, 254), 1000},
        {"count64_6.las", WithHeaderSize(f6, 4, 300), 1000},   {"count64_6.laz", WithHeaderSize(z6, 4, 300), 1000},
        {"count64_1.las", WithHeaderSize(WithPointCounts(f1, 0, 100), 4, 255), 100},
        {"count64_1.laz", WithHeaderSize(WithPointCounts(f1, 0, 100), 4, 255), 100},
        {"short7.laz", WithHeaderSize(copc, 4, 227), 1065},
        {"long_vlr.las", WithLastVLRLength(p10, 60000), 1065},  {"long_vlr.laz", WithLastVLRLength(copc, 60000), 1065},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.points);
        EXPECT_TRUE(boxes.shown().empty());
        // The cut record is named in the log on both roads; nothing else is.
        std::vector<std::string> notes;
        std::string prefix = Formatted(kLoadNoteFormat, c.name, "");
        for (const std::string& line : logged)
            if (line.rfind(prefix, 0) == 0) notes.push_back(line.substr(prefix.size()));
        if (strncmp(c.name, "long_vlr", 8) == 0) {
            uint32_t last = FieldAt<uint32_t>(c.bytes, 100) - 1;
            std::string cut = Formatted(kLASRecordCutFormat, last, DescribedVLRAt(c.bytes, LastVLRAt(c.bytes)).c_str(),
                                      FieldAt<uint32_t>(c.bytes, 96));
            EXPECT_EQ(notes, std::vector<std::string>{Formatted(kLASRecordCutNoteFormat, cut.c_str())});
        } else {
            EXPECT_TRUE(notes.empty()) << notes[0];
        }
        FreeDataSet(set);
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), (uint64_t)c.points);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->pointCount, c.points);
        FreeProjectTile(tile);
    }
}

namespace {

// A file of 1,000 records read by the LAS library: one VLR from 227 to 409,
// the points from 409.
Bytes OneRecordFile()
{
    std::string path = TempPath("one_record.las");
    EXPECT_TRUE(MakeLASFile(path, 12, 28, 1000));
    return ReadBytes(path);
}

}  // namespace

// The faults both roads refuse, with the same reason: a LAS 1.4 header too
// short for its 64-bit count (fewer than 255 bytes) whose legacy count is 0,
// whatever the point format; an offset to point data inside a VLR's header
// where the file does not prove where the points begin; and (LAZ only) a LAZ
// record cut short by the points, which the decoder cannot do without.
TEST(LasLoader, HeadersThatCannotDescribeThePointsAreRefusedAlikeOnBothRoads)
{
    REQUIRE_SAMPLES();
    std::string made = TempPath("refused14.las");
    ASSERT_TRUE(MakeLASFile(made, 14, 28, 100));   // format 1
    const Bytes noLegacy1 = WithPointCounts(ReadBytes(made), 0, 100);
    const char* lasRoad = "\nUnable to open LAS file!\nReadLASHeader:  ";
    const Bytes sound = OneRecordFile();
    Bytes noTable = WithPointOffset(ReadBytes(SamplePath("point10.las.laz")), 240);
    SetFieldAt<int64_t>(noTable, 1301, 0);   // where the chunk table's position is kept
    auto inside = [](unsigned offset, const Bytes& b) {
        return Formatted(kLASOffsetInsideRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull);
    };
    const struct {
        const char* name;
        Bytes bytes;
        const char* road;
        std::string reason;
    } cases[] = {
        {"short6.las", WithHeaderSize(ReadBytes(SamplePath("1_4_w_evlr.las")), 4, 254), lasRoad,
         Formatted(kLASHeaderTooSmallForCountFormat, 254, 6)},
        {"short6.laz", WithHeaderSize(ReadBytes(SamplePath("1_4_w_evlr.laz")), 4, 254), kUnableToOpenLAZText,
         Formatted(kLASHeaderTooSmallForCountFormat, 254, 6)},
        {"short1.las", WithHeaderSize(noLegacy1, 4, 254), lasRoad, Formatted(kLASHeaderTooSmallForCountFormat, 254, 1)},
        {"short1.laz", WithHeaderSize(noLegacy1, 4, 235), kUnableToOpenLAZText,
         Formatted(kLASHeaderTooSmallForCountFormat, 235, 1)},
        {"cut_record.laz", WithLastVLRLength(ReadBytes(SamplePath("point10.las.laz")), 60000), kUnableToOpenLAZText,
         "Variable length record 4 (\"laszip encoded\" 22204, 60000 bytes) runs past the point data at 1301"},
        // The offset inside a VLR's header and nothing proving where the points begin:
        // bytes behind the records, a LAZ chunk table that is not found.
        {"inside.las", WithTail(WithPointOffset(sound, 257), 10), lasRoad, inside(257, sound)},
        {"inside.laz", WithTail(WithPointOffset(sound, 257), 10), kUnableToOpenLAZText, inside(257, sound)},
        {"compressed_inside.laz", noTable, kUnableToOpenLAZText, inside(240, noTable)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name, c.bytes);
        BoxAnswers boxes;
        EXPECT_EQ(LoadLASData(path.c_str(), c.name), nullptr);
        EXPECT_TRUE(ShowedOneBox(boxes, std::string(c.name) + c.road + c.reason));
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), 0u);
    }
}

// An offset to point data inside a VLR's header is never taken for the
// points' start unless the file proves them there: where the file's size
// (uncompressed) or its chunk table (LAZ) proves them behind the record, they
// are read there, and where it proves them at the offset the header counted
// records that are not there. An offset inside a VLR's data is read there as
// well unless the points are proved behind: the record is cut at the offset,
// with or without bytes behind the points, compressed point by point or not.
// Bytes across the offset that are no record header (LAS 1.0's two signature
// bytes before the points) are no record: the points are read at the offset
// and the header counted records that are not there. A user record cut at the
// points in front of the LAZ record is cut as on the LAS road, and the LAZ
// record is found among its bytes. Every time the log says so, the points are
// the file's own, and every road reads the same count.
TEST(LasLoader, PointsAreReadFromInsideNoVlr)
{
    REQUIRE_SAMPLES();
    const Bytes sound = OneRecordFile();
    const Bytes laz = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // the LAZ record is the second of three
    // LAS 1.0: one record, the two signature bytes, 100 points and a few bytes behind them.
    std::string made10 = TempPath("las10.las");
    EXPECT_TRUE(MakeLASFile(made10, 10, 20, 100));
    const Bytes sound10 = WithTail(ReadBytes(made10), 5);
    const uint32_t points10 = FieldAt<uint32_t>(sound10, 96);
    EXPECT_EQ(FieldAt<uint16_t>(sound10, points10 - 2), 0xCCDDu);
    // The record cut at byte 300, and the file as its record's length says.
    const Bytes cutAt300 = WithTail(WithPointOffset(sound, 300), 10);
    const Bytes sound300 = WithLastVLRLength(cutAt300, 300 - 227 - 54);
    // Point by point compressed points have no chunk table to prove where
    // they begin: a record behind the LAZ record runs past them.
    const Bytes pointwise = WithVLRCount(WithBytesBeforePoints(ReadBytes(SamplePath(
        "synthetic/fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz")), VLRBytes("Extra", 1, 10), false), 2);
    const Bytes pointwiseCut = WithLastVLRLength(pointwise, 60000);
    // The note of record `index` cut at the points, by default the last.
    auto cut = [](const Bytes& b, uint32_t index = UINT32_MAX) {
        if (index == UINT32_MAX) index = FieldAt<uint32_t>(b, 100) - 1;
        return Formatted(kLASRecordCutNoteFormat, Formatted(kLASRecordCutFormat, index,
                                                        DescribedVLRAt(b, VLRAt(b, index)).c_str(),
                                                        FieldAt<uint32_t>(b, 96)).c_str());
    };
    const uint32_t lazPoints = FieldAt<uint32_t>(laz, 96), lazVLRs = FieldAt<uint32_t>(laz, 100);
    ASSERT_EQ(FieldAt<uint16_t>(laz, 94), 227u);
    const std::string record = DescribedVLRAt(sound, 227), lazRecord = DescribedVLRAt(laz, 227);
    const std::string counted = Formatted(kLASMoreRecordsCountedFormat, 1000000u, 1u, 409u);
    auto behind = [](unsigned offset, const std::string& name, unsigned long long start, const char* shown) {
        return Formatted(kLASPointsBehindRecordFormat, offset, 0u, name.c_str(), 227ull, start, shown);
    };
    const struct {
        const char* name;
        Bytes bytes;
        const Bytes* sound;   // the file as it should have been
        std::string note;
    } cases[] = {
        {"header.las", WithPointOffset(sound, 257), &sound, behind(257, record, 409, kLASRecordsFitThereText)},
        {"header.laz", WithPointOffset(sound, 257), &sound, behind(257, record, 409, kLASRecordsFitThereText)},
        {"data.las", WithPointOffset(sound, 300), &sound, behind(300, record, 409, kLASRecordsFitThereText)},
        {"data.laz", WithPointOffset(sound, 300), &sound, behind(300, record, 409, kLASRecordsFitThereText)},
        {"counted.las", WithVLRCount(sound, 1000000), &sound, counted},
        {"counted.laz", WithVLRCount(sound, 1000000), &sound, counted},
        {"compressed_header.laz", WithPointOffset(laz, 240), &laz,
         behind(240, lazRecord, lazPoints, kLASChunkTableFromThereText)},
        {"compressed_data.laz", WithPointOffset(laz, 227 + 54 + 2), &laz,
         behind(227 + 54 + 2, lazRecord, lazPoints, kLASChunkTableFromThereText)},
        {"compressed_counted.laz", WithVLRCount(laz, 1000000), &laz,
         Formatted(kLASMoreRecordsCountedFormat, 1000000u, lazVLRs, lazPoints)},
        {"data_tail.las", cutAt300, &sound300, cut(cutAt300)},
        {"data_tail.laz", cutAt300, &sound300, cut(cutAt300)},
        {"pointwise_cut.laz", pointwiseCut, &pointwise, cut(pointwiseCut)},
        {"signature.las", WithVLRCount(sound10, 2), &sound10, Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, points10)},
        {"signature.laz", WithVLRCount(sound10, 2), &sound10, Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, points10)},
        {"cut_user.laz", WithVLRLength(laz, 3, 60000), &laz, cut(WithVLRLength(laz, 3, 60000), 3)},
        {"cut_user_copc.laz", WithVLRLength(copc, 0, 60000), &copc, cut(WithVLRLength(copc, 0, 60000), 0)},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = std::string("sound_") + c.name;
        DataSet* want = LoadLASData(WriteTempBytes(name.c_str(), *c.sound).c_str(), name.c_str());
        ASSERT_NE(want, nullptr);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(std::count(logged.begin(), logged.end(), Formatted(kLoadNoteFormat, c.name, c.note.c_str())), 1);
        ASSERT_EQ(set->pointCount, want->pointCount);
        for (int i = 0; i < set->pointCount; i++) {
            ASSERT_EQ(set->points[i].x, want->points[i].x) << i;
            ASSERT_EQ(set->points[i].y, want->points[i].y) << i;
            ASSERT_EQ(set->points[i].z, want->points[i].z) << i;
            ASSERT_EQ(set->points[i].classification, want->points[i].classification) << i;
        }
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), (uint64_t)want->pointCount);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->pointCount, want->pointCount);
        FreeProjectTile(tile);
        FreeDataSet(set);
        FreeDataSet(want);
    }
}

namespace {

// The records a header parse built for a file: the LAS library's, or the
// LAZ reader's (its own record set apart).
uint32_t RecordsBuilt(const std::string& path)
{
    if (HasLAZName(path.c_str())) return laztest::DecodeFile(path, 1).header.number_of_variable_length_records;
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    uint32_t n = las ? las->header.numberOfVLRs : UINT32_MAX;
    if (las) CloseLASFile(las);
    return n;
}

}  // namespace

// A header that counts 4 billion VLRs over a large region before its points
// (10.8 MB of zeros, or 200,000 records of no data) is settled by the bytes
// there on every road. The walk over the records ends at the first bytes
// that are no record (zeros have no user ID), so a sound offset behind the
// zeros reads the one record there is. The search for the points behind an
// offset that lies inside a record's header stops there too, and after a
// bounded number of records, more than any file holds (300 still prove the
// points behind them); finding nothing it refuses the file. An offset inside
// a record's data still cuts it there.
TEST(LasLoader, HugeRecordCountsOverLargeRegionsEndWhereTheBytesAreNoRecord)
{
    REQUIRE_SAMPLES();
    const Bytes sound = OneRecordFile();
    const Bytes laz = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes zeros(54 * 200000, 0), fewZeros(54 * 100, 0);
    // `n` records of no data.
    auto records = [](uint32_t n) {
        Bytes r;
        for (uint32_t k = 0; k < n; k++) {
            Bytes v = VLRBytes("Step", (uint16_t)k, 0);
            r.insert(r.end(), v.begin(), v.end());
        }
        return r;
    };
    const Bytes steps = records(200000);
    // `b` with `region` before its points, 4 billion records counted and the
    // offset at `offset` (0: where the points now begin).
    auto damaged = [](const Bytes& b, const Bytes& region, bool chunked, uint32_t offset) {
        Bytes d = WithVLRCount(WithBytesBeforePoints(b, region, chunked), 0xFFFFFFFFu);
        return offset ? WithPointOffset(d, offset) : d;
    };
    auto inside = [](unsigned offset, const Bytes& b) {
        return Formatted(kLASOffsetInsideRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull);
    };
    auto behind = [](unsigned offset, const Bytes& b, size_t region, const char* shown) {
        return Formatted(kLASPointsBehindRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull,
                       (unsigned long long)(FieldAt<uint32_t>(b, 96) + region), shown);
    };
    const std::string cutInData =
        Formatted(kLASRecordCutNoteFormat, Formatted(kLASRecordCutFormat, 0u, DescribedVLRAt(sound, 227).c_str(), 300u).c_str());
    const std::string counted =
        Formatted(kLASMoreRecordsCountedFormat, 0xFFFFFFFFu, 1u, FieldAt<uint32_t>(sound, 96) + (uint32_t)zeros.size());
    const struct {
        const char* name;
        Bytes bytes;
        std::string refusal;   // empty: the file loads
        uint32_t records;      // the records built when it loads
        std::string note;
    } cases[] = {
        {"zeros.las", damaged(sound, zeros, false, 257), inside(257, sound), 0, ""},
        {"zeros.laz", damaged(sound, zeros, false, 257), inside(257, sound), 0, ""},
        {"compressed_zeros.laz", damaged(laz, zeros, true, 240), inside(240, laz), 0, ""},
        {"steps.las", damaged(sound, steps, false, 257), inside(257, sound), 0, ""},
        {"steps.laz", damaged(sound, steps, false, 257), inside(257, sound), 0, ""},
        {"compressed_steps.laz", damaged(laz, steps, true, 240), inside(240, laz), 0, ""},
        {"few_zeros.las", damaged(sound, fewZeros, false, 257), inside(257, sound), 0, ""},
        {"300_steps.las", damaged(sound, records(300), false, 257), "", 301,
         behind(257, sound, 300 * 54, kLASRecordsFitThereText)},
        {"300_steps.laz", damaged(laz, records(300), true, 240), "", 304,   // the LAZ record set apart
         behind(240, laz, 300 * 54, kLASChunkTableFromThereText)},
        {"zeros_in_data.las", damaged(sound, zeros, false, 300), "", 1, cutInData},
        {"zeros_in_data.laz", damaged(sound, zeros, false, 300), "", 1, cutInData},
        {"zeros_before.las", damaged(sound, zeros, false, 0), "", 1, counted},
        {"zeros_before.laz", damaged(sound, zeros, false, 0), "", 1, counted},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        if (c.refusal.empty()) {
            ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
            EXPECT_EQ(set->pointCount, (int)FieldAt<uint32_t>(c.bytes, 107));
            EXPECT_EQ(std::count(logged.begin(), logged.end(), Formatted(kLoadNoteFormat, c.name, c.note.c_str())), 1);
            EXPECT_EQ(RecordsBuilt(path), c.records);
        } else {
            EXPECT_EQ(set, nullptr);
            EXPECT_TRUE(boxes.shown().size() == 1 && Contains(boxes.shown()[0].text.c_str(), c.refusal.c_str()))
                << (boxes.shown().empty() ? "no box" : boxes.shown()[0].text);
        }
        if (set) FreeDataSet(set);
    }
}

// A sound file whose record in front of the LAZ record or the GeoKeys has a
// reserved field other than 0 and 0xAABB, a user ID byte outside ASCII text
// or no user ID at all keeps every record on every road: the LAZ record is
// found, the points are the sound file's, the units still come from the
// GeoKeys, and the log notes no fault.
TEST(LasLoader, RecordsWithOddFieldsInFrontOfOthersAreKept)
{
    REQUIRE_SAMPLES();
    const struct {
        const char* sample;
        uint32_t odd;   // the record made odd
    } files[] = {{"point10.las.laz", 3}, {"simple.copc.laz", 0}, {"autzen_geo_proj.las", 0}};
    const struct {
        const char* what;
        std::function<void(Bytes&, size_t)> make;   // on the record at the given byte
    } odd[] = {
        {"reserved", [](Bytes& b, size_t at) { SetFieldAt<uint16_t>(b, at, 0x1234); }},
        {"latin1", [](Bytes& b, size_t at) { b[at + 3] = 0xC9; }},
        {"control", [](Bytes& b, size_t at) { b[at + 2] = 0x01; }},
        {"empty", [](Bytes& b, size_t at) { std::fill(b.begin() + at + 2, b.begin() + at + 18, 0); }},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& f : files) {
        const Bytes sound = ReadBytes(SamplePath(f.sample));
        const std::string soundPath = WriteTempBytes((std::string("sound_") + f.sample).c_str(), sound);
        DataSet* want = LoadLASData(soundPath.c_str(), f.sample);
        ASSERT_NE(want, nullptr);
        const uint32_t records = RecordsBuilt(soundPath);
        for (const auto& o : odd) {
            std::string name = std::string(o.what) + "_" + f.sample;
            SCOPED_TRACE(name);
            Bytes b = sound;
            o.make(b, VLRAt(b, f.odd));
            std::string path;
            BoxAnswers boxes;
            DataSet* set = LoadLogged(name.c_str(), b, &path);
            ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
            EXPECT_TRUE(boxes.shown().empty());
            const std::string note = Formatted(kLoadNoteFormat, name.c_str(), "");
            for (const std::string& line : logged) EXPECT_NE(line.rfind(note, 0), 0u) << line;
            EXPECT_EQ(RecordsBuilt(path), records);
            EXPECT_EQ(set->units, want->units);
            ASSERT_EQ(set->pointCount, want->pointCount);
            for (int i = 0; i < set->pointCount; i++) {
                ASSERT_EQ(set->points[i].x, want->points[i].x) << i;
                ASSERT_EQ(set->points[i].z, want->points[i].z) << i;
                ASSERT_EQ(set->points[i].classification, want->points[i].classification) << i;
            }
            FreeDataSet(set);
        }
        FreeDataSet(want);
    }
}
