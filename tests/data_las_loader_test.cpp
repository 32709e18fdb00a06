#include "tests/las_loader_test_files.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include <cmath>

namespace {

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
