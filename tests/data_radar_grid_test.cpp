// Radar height sets: header keys and their checks, big-endian heights and
// magnitudes, and the failures of damaged or missing files.
#include "test_support.h"
#include "base/file_io.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/magnitude.h"
#include "data/radar_grid.h"
#include <cstring>
#include <vector>

namespace {

void WriteBytes(const std::string& path, const void* data, size_t bytes)
{
    VFile f = VFileCreate(path.c_str());
    VFileWrite(f, data, bytes);
    VFileClose(f);
}

void WriteText(const std::string& path, const char* text) { WriteBytes(path, text, strlen(text)); }

// Floats as the radar binaries hold them: most significant byte first.
void WriteBigEndian(const std::string& path, std::vector<float> values)
{
    SwapBytes4(values.data(), values.size());
    WriteBytes(path, values.data(), values.size() * sizeof(float));
}

const char kHeader[] = "UTM ; data file type\n"
                       "3 4 ; Data File Dimensions\n"
                       "2.5 ; POST SPACING\n"
                       "4500000.0 350000.0 ; STARTING CORNER POSITION\n"
                       "10 ; UTM ZONE\n";

// A set of 3 rows and 4 columns; heights 10 + i, the last one void.
std::string WriteSet(const char* base, const char* header = kHeader, int heightCount = 12, bool magnitudes = true)
{
    std::string hdr = TempPath((std::string(base) + ".hdr").c_str());
    WriteText(hdr, header);
    std::vector<float> heights(heightCount);
    for (int i = 0; i < heightCount; i++) heights[i] = 10.0f + i;
    if (heightCount >= 12) heights[11] = -10000.0f;
    WriteBigEndian(TempPath((std::string(base) + ".dte").c_str()), heights);
    if (magnitudes) {
        std::vector<float> mags(12);
        for (int i = 0; i < 12; i++) mags[i] = (float)(i + 1) * 100;
        WriteBigEndian(TempPath((std::string(base) + ".mag").c_str()), mags);
    }
    return hdr;
}

}  // namespace

TEST(RadarSets, BigEndianHeightsAndMagnitudesLoadIntoAPlacedGrid)
{
    std::string hdr = WriteSet("strip");
    BoxAnswers boxes;
    DataSet* set = LoadDTEData(hdr.c_str(), "strip.hdr");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(set->kind, DATA_RADAR);
    EXPECT_EQ(set->rows, 3);
    EXPECT_EQ(set->columns, 4);
    EXPECT_EQ(set->cellSize, 2.5);
    EXPECT_EQ(set->originY, 4500000.0);   // northing comes first
    EXPECT_EQ(set->originX, 350000.0);
    EXPECT_EQ(set->maxX, 350007.5);
    EXPECT_EQ(set->minY, 4499995.0);
    EXPECT_EQ(set->radar.utmZone, 10);
    EXPECT_EQ(set->pointCount, 12);        // void cells included
    EXPECT_EQ(set->filePointCount, 0);
    EXPECT_EQ(set->heights[1][2], 16.0f);
    EXPECT_EQ(set->minZ, 10.0f);
    EXPECT_EQ(set->maxZ, 20.0f);
    ASSERT_NE(set->magnitudes, nullptr);
    EXPECT_EQ(set->magnitudes[0][0], 2);
    EXPECT_EQ(set->magnitudes[2][3], 65534);
    EXPECT_EQ(set->magnitudeFitState, kMagnitudeFitSet);
    ASSERT_NE(set->extent, nullptr);
    EXPECT_EQ(RadarMemoryNeeded(set), 96.0);
    FreeDataSet(set);

    // A header from an old Macintosh ends its lines with a CR alone.
    std::string mac = kHeader;
    for (char& c : mac)
        if (c == '\n') c = '\r';
    set = LoadDTEData(WriteSet("mac", mac.c_str()).c_str(), "mac.hdr");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(set->rows, 3);
    EXPECT_EQ(set->columns, 4);
    EXPECT_EQ(set->originX, 350000.0);
    EXPECT_EQ(set->radar.utmZone, 10);
    FreeDataSet(set);
}

TEST(RadarSets, DamagedHeadersAreRefusedBeforeAnythingIsSized)
{
    struct Case {
        const char* header;
        const char* message;
    } cases[] = {
        {"3 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n", kRadarTypeMissing},
        {"UTM ; DATA FILE TYPE\n0 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n",
         kRadarDimensionsMissing},
        {"UTM ; DATA FILE TYPE\n3 -4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n",
         kRadarDimensionsMissing},
        {"UTM ; DATA FILE TYPE\n100000 100000 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 2 ; STARTING CORNER "
         "POSITION\n",
         kRadarDimensionsMissing},
        {"UTM ; DATA FILE TYPE\n3 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n",
         kRadarDimensionsMissing},
        {"UTM ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n0 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n",
         kRadarSpacingMissing},
        {"UTM ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n-1 ; POST SPACING\n1 2 ; STARTING CORNER POSITION\n",
         kRadarSpacingMissing},
        {"UTM ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n1 ; STARTING CORNER POSITION\n",
         kRadarCornerMissing},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string base = "bad" + std::to_string(n++);
        std::string hdr = WriteSet(base.c_str(), c.header);
        BoxAnswers boxes;
        EXPECT_EQ(LoadDTEData(hdr.c_str(), "bad.hdr"), nullptr) << c.header;
        ASSERT_TRUE(ShowedOneBox(boxes, c.message)) << c.header;
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    }
}

TEST(RadarSets, OptionalKeysAreReportedAndTheLoadGoesOn)
{
    std::string sch = WriteSet("sch", "SCH ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n"
                                      "100 200 ; STARTING CORNER POSITION\n");
    BoxAnswers boxes;
    DataSet* set = LoadDTEData(sch.c_str(), "sch.hdr");
    ASSERT_NE(set, nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, kRadarPegMissing));
    EXPECT_EQ(set->radar.sch, 0);
    FreeDataSet(set);

    std::string peg = WriteSet("peg", "SCH ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n"
                                      "100 200 ; STARTING CORNER POSITION\n34.5 -118.25 45 ; PEG POSITION\n");
    boxes.clear();
    set = LoadDTEData(peg.c_str(), "peg.hdr");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(set->radar.sch, 1);
    EXPECT_EQ(set->radar.pegLongitude, -118.25);
    FreeDataSet(set);
}

TEST(RadarSets, ShortLongAndMissingBinaries)
{
    BoxAnswers boxes;
    std::string shortSet = WriteSet("short", kHeader, 11);
    EXPECT_EQ(LoadDTEData(shortSet.c_str(), "short.hdr"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kRadarShortHeights, "short.dte")));

    boxes.clear();
    std::string longSet = WriteSet("long", kHeader, 20);
    DataSet* set = LoadDTEData(longSet.c_str(), "long.hdr");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    FreeDataSet(set);

    // A short magnitude file fails the whole set.
    std::string badMag = WriteSet("badmag");
    WriteBytes(TempPath("badmag.mag"), "\0\0\0\0", 4);
    boxes.clear();
    EXPECT_EQ(LoadDTEData(badMag.c_str(), "badmag.hdr"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kRadarCorruptMagnitudes, "badmag.mag")));
}

TEST(RadarSets, MissingMagnitudesAskWhetherToLoadTheHeights)
{
    std::string hdr = WriteSet("nomag", kHeader, 12, false);
    {
        BoxAnswers boxes({IDYES});
        DataSet* set = LoadDTEData(hdr.c_str(), "nomag.hdr");
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->magnitudes, nullptr);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kRadarMagMissingQuestion, "nomag.mag")));
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
        FreeDataSet(set);
    }
    BoxAnswers refuse({IDNO});
    EXPECT_EQ(LoadDTEData(hdr.c_str(), "nomag.hdr"), nullptr);
    BoxAnswers none;
    EXPECT_EQ(LoadDTEData(TempPath("absent.hdr").c_str(), "absent.hdr"), nullptr);
    ASSERT_TRUE(ShowedOneBox(none, Formatted(kRadarUnableToOpen, "absent.hdr")));
}
