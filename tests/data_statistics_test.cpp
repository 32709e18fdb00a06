// Data set statistics, the density check and file kinds.
#include "point_sets.h"
#include "base/file_system.h"
#include "data/laz_loader.h"
#include "base/palette.h"
#include "views/plan/color_ramp.h"
#include "base/file_io.h"
#include "base/heap.h"
#include "base/paths.h"
#include "data/gdal_grid.h"
#include "data/radar_grid.h"
#include "data/selection.h"
#include "data/las_loader.h"
#include "data/statistics.h"
#include "data/tin_model.h"
#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>

namespace {

void ExpectFiniteElevations(const DataSet* s)
{
    EXPECT_TRUE(std::isfinite(s->meanZ));
    EXPECT_TRUE(std::isfinite(s->sdZ));
    EXPECT_TRUE(std::isfinite(s->rampScale));
    EXPECT_LT(s->rampLowZ, s->rampHighZ);
}

void ExpectFiniteStatistics(const DataSet* s)
{
    ExpectFiniteElevations(s);
    EXPECT_TRUE(std::isfinite(s->meanIntensity));
    EXPECT_TRUE(std::isfinite(s->sdIntensity));
    EXPECT_TRUE(std::isfinite(s->intensityScale));
    EXPECT_LT(s->intensityLow, s->intensityHigh);
}

void WriteText(const std::string& path, const char* text)
{
    VFile f = VFileCreate(path.c_str());
    VFileWrite(f, text, strlen(text));
    VFileClose(f);
}

}  // namespace

TEST(Statistics, AutzenMatchesDirectComputation)
{
    REQUIRE_SAMPLES();
    DataSet* set = ReadSampleLAS(SamplePath("autzen_trim.las").c_str());
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 110000);
    ComputeDataSetStatistics(set);
    double sz = 0, si = 0;
    float minZ = FLT_MAX, maxZ = -FLT_MAX;
    std::set<int> ids;
    for (int i = 0; i < set->pointCount; i++) {
        sz += set->points[i].z;
        si += set->points[i].intensity;
        minZ = std::min(minZ, set->points[i].z);
        maxZ = std::max(maxZ, set->points[i].z);
        ids.insert(set->points[i].pointSourceId);
    }
    double mz = sz / set->pointCount, mi = si / set->pointCount, qz = 0, qi = 0;
    for (int i = 0; i < set->pointCount; i++) {
        qz += (set->points[i].z - mz) * (set->points[i].z - mz);
        qi += (set->points[i].intensity - mi) * (set->points[i].intensity - mi);
    }
    EXPECT_NEAR(set->meanZ, mz, 1e-6 * std::fabs(mz));
    EXPECT_NEAR(set->sdZ, std::sqrt(qz / (set->pointCount - 1)), 1e-6);
    EXPECT_NEAR(set->sdIntensity, std::sqrt(qi / (set->pointCount - 1)), 1e-6);
    EXPECT_EQ(set->minZ, minZ);
    EXPECT_EQ(set->maxZ, maxZ);
    EXPECT_EQ(set->loadedMinX, set->minX);
    EXPECT_EQ(set->sourceIdCount, (int)ids.size());
    EXPECT_GE(set->rampLowZ, set->minZ);
    EXPECT_LE(set->rampHighZ, set->maxZ);
    EXPECT_FLOAT_EQ((float)set->rampScale, (float)(768.0 / (set->rampHighZ - set->rampLowZ)));
    ExpectFiniteStatistics(set);

    // Running them again counts the flight lines afresh.
    ComputeDataSetStatistics(set);
    EXPECT_EQ(set->sourceIdCount, (int)ids.size());

    set->tiles = BuildPointTiles(set);
    DensityCheck(set);
    EXPECT_GT(set->pointSpacing, 0.5f);
    EXPECT_LT(set->pointSpacing, 20.0f);
    EXPECT_GT(set->meanEdgeLength, 0);
    EXPECT_LE(set->shortEdgeMean, 2 * set->meanEdgeLength);
    FreeDataSet(set);
}

TEST(Statistics, DegenerateSetsGiveUsableRangesWithoutNaN)
{
    // One point; flat ground with all-zero intensity; nothing at all.
    std::vector<std::vector<PointRecord>> cases = {{MakePoint(1, 2, 3, 2, 0, 40)}, {}, {}};
    for (int i = 0; i < 50; i++) cases[1].push_back(MakePoint(i, i % 7, 12.5f));
    for (auto& points : cases) {
        DataSet* set = MakePointSet(points);
        ComputeDataSetStatistics(set);
        ExpectFiniteStatistics(set);
        EXPECT_EQ(set->sdZ, 0);
        FreeDataSet(set);
    }
}

TEST(Statistics, HighElevationsSetTheirOwnBounds)
{
    DataSet* set = MakePointSet({MakePoint(0, 0, 150000), MakePoint(1, 1, 150010), MakePoint(2, 0, 150020)});
    ComputeDataSetStatistics(set);
    EXPECT_EQ(set->minZ, 150000);
    EXPECT_EQ(set->maxZ, 150020);
    DataSet* deep = MakePointSet({MakePoint(0, 0, -200000), MakePoint(1, 1, -199990)});
    ComputeDataSetStatistics(deep);
    EXPECT_EQ(deep->maxZ, -199990);
    FreeDataSet(set);
    FreeDataSet(deep);
}

TEST(Statistics, FlightLinesAreColouredInOrderOfFirstAppearance)
{
    std::vector<PointRecord> points;
    const int ids[10] = {70, 3, 9, 1000, 5, 65535, 0, 12, 44, 8};
    for (int round = 0; round < 2; round++)
        for (int k = 0; k < 10; k++) points.push_back(MakePoint(k, round, 1, 2, 0, 0, ids[k]));
    DataSet* set = MakePointSet(points);
    ComputeDataSetStatistics(set);
    EXPECT_EQ(set->sourceIdCount, 10);
    for (int k = 0; k < 10; k++) {
        EXPECT_EQ(set->sourceIdTable[ids[k]].present, 1);
        EXPECT_EQ(set->sourceIdTable[ids[k]].color, GetPaletteColor(k));
    }
    EXPECT_EQ(set->sourceIdTable[1].present, 0);
    FreeDataSet(set);
}

TEST(Statistics, IntensityRangeIsThreeDeviationsClippedAtZero)
{
    std::vector<PointRecord> points;
    for (int v : {50, 150, 50, 150, 100}) points.push_back(MakePoint(v, 0, 1, 2, 0, v));
    DataSet* set = MakePointSet(points);
    ComputeDataSetStatistics(set);
    EXPECT_DOUBLE_EQ(set->meanIntensity, 100);
    EXPECT_DOUBLE_EQ(set->sdIntensity, 50);
    EXPECT_EQ(set->intensityLow, 0);
    EXPECT_EQ(set->intensityHigh, 250);
    EXPECT_DOUBLE_EQ(set->intensityScale, 128.0 / 250);
    FreeDataSet(set);
}

TEST(Statistics, GridsSkipVoidCellsAndColourEveryEntry)
{
    DataSet* grid = AllocDataSet();
    grid->kind = DATA_RADAR;
    grid->rows = 3;
    grid->columns = 4;
    grid->heights = (float**)NBLCalloc2D(3, 4, sizeof(float));
    float values[12] = {10, 20, VoidCellValue, 30, VoidCellValue, 40, 50, 60, 70, VoidCellValue, 80, 90};
    for (int i = 0; i < 12; i++) grid->heights[i / 4][i % 4] = values[i];
    grid->minZ = 10;
    grid->maxZ = 90;
    ComputeDataSetStatistics(grid);
    EXPECT_DOUBLE_EQ(grid->meanZ, 50);
    EXPECT_NEAR(grid->sdZ, std::sqrt(6000.0 / 8), 1e-9);
    EXPECT_EQ(grid->sourceIdCount, 1);
    EXPECT_EQ(grid->sourceIdTable[25].color, GetPaletteColor(25));
    ExpectFiniteElevations(grid);

    // Every cell void: the loader left the Z range empty.
    for (int i = 0; i < 12; i++) grid->heights[i / 4][i % 4] = VoidCellValue;
    grid->minZ = 3.37e38f;
    grid->maxZ = -3.37e38f;
    ComputeDataSetStatistics(grid);
    EXPECT_EQ(grid->sdZ, 0);
    EXPECT_TRUE(std::isfinite(grid->rampScale));
    EXPECT_LT(grid->rampLowZ, grid->rampHighZ);
    FreeDataSet(grid);
}

TEST(Density, TooFewPointsOrEdgesLeaveTheSpacingUnknown)
{
    // Two points; three points (one triangle, every edge on the hull).
    for (int n : {2, 3}) {
        std::vector<PointRecord> points = {MakePoint(0, 0, 0), MakePoint(4, 0, 0), MakePoint(0, 3, 0)};
        points.resize(n);
        DataSet* set = MakePointSet(points);
        set->tiles = BuildPointTiles(set);
        DensityCheck(set);
        EXPECT_EQ(set->pointSpacing, 0);
        EXPECT_FALSE(std::isnan(set->meanEdgeLength));
        FreeDataSet(set);
    }
    EXPECT_EQ(BuildEdgeTIN(nullptr), nullptr);
}

TEST(Density, UnitLatticeMeasuresAboutOne)
{
    std::vector<PointRecord> points;
    for (int i = 0; i < 30; i++)
        for (int j = 0; j < 30; j++) points.push_back(MakePoint(i + 0.001 * ((i * 7 + j * 3) % 5), j, 0));
    DataSet* set = MakePointSet(points);
    set->tiles = BuildPointTiles(set);
    DensityCheck(set);
    EXPECT_GT(set->pointSpacing, 1.0f);
    EXPECT_LT(set->pointSpacing, 1.4f);
    // A grid set is left alone.
    set->kind = DATA_GDAL;
    set->pointSpacing = 7;
    DensityCheck(set);
    EXPECT_EQ(set->pointSpacing, 7);
    FreeDataSet(set);
}

TEST(FileKinds, EverySampleFileIsLASOrLAZ)
{
    REQUIRE_SAMPLES();
    const char* names[] = {"1815.las", "1815.laz", "1_4_w_evlr.las", "1_4_w_evlr.laz", "append-bug.laz",
                           "autzen_geo_proj.las", "autzen_trim.las", "autzen_trim.laz", "extrabytes.las",
                           "extrabytes.laz", "no-points-1.3.las", "no-points-1.3.laz", "point-color-time.las",
                           "point-color-time.las.laz", "point-color.las", "point-color.las.laz", "point-time.las",
                           "point-time.las.laz", "point10-1.0.las", "point10-1.0.laz", "point10-1.1.las",
                           "point10-1.1.laz", "point10.las", "point10.las.laz", "rand1_6.las", "simple.copc.laz",
                           "simple.las", "simple.laz", "simple1_1.las", "simple1_3.las", "simple1_4.las",
                           "test1_4.las", "synthetic\\fmt1_v1_chunked.laz", "synthetic\\fmt7_eb3_v4_multichannel.las"};
    BoxAnswers boxes;
    for (const char* name : names) EXPECT_EQ(GetDataFileKind(SamplePath(name).c_str()), 1) << name;
    EXPECT_EQ(GetDataFileKind(SamplePath("README.md").c_str()), 2);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(FileKinds, SignaturesDecideWhateverTheName)
{
    REQUIRE_SAMPLES();
    std::string lasCopy = TempPath("points.txt");
    CopyFileA(SamplePath("simple.las").c_str(), lasCopy.c_str(), FALSE);
    EXPECT_EQ(GetDataFileKind(lasCopy.c_str()), 1);
    // A file named .laz that the LAZ reader cannot open is taken for ASCII.
    std::string fake = TempPath("fake.laz");
    WriteText(fake, "1 2 3\n4 5 6\n");
    EXPECT_EQ(IsLAZFile(fake.c_str()), 0);
    EXPECT_EQ(GetDataFileKind(fake.c_str()), 2);
    std::string text = TempPath("points.xyz");
    WriteText(text, "100.5 200.25 3.0\n101.5 201.25 4.0\n");
    EXPECT_EQ(GetDataFileKind(text.c_str()), 2);
    EXPECT_EQ(GetDataFileKind(TempPath("missing.las").c_str()), 2);
}

TEST(FileKinds, RadarHeadersAreKnownByTheirKeys)
{
    std::string header = TempPath("strip.hdr");
    WriteText(header, "UTM ; data file type\n"
                      "5000 4000 ; Data File Dimensions\n"
                      "2.5 ; POST SPACING   \n"
                      "4500000.0 350000.0 ;  starting corner position\n"
                      "10 ; UTM ZONE\n");
    EXPECT_TRUE(IsRadarHeaderFile(header.c_str()));
    EXPECT_EQ(GetDataFileKind(header.c_str()), 4);
    char line[256];
    ASSERT_TRUE(FindHeaderKey(header.c_str(), line, "DATA FILE DIMENSIONS"));
    EXPECT_STREQ(line, "5000 4000 ; DATA FILE DIMENSIONS");
    EXPECT_FALSE(FindHeaderKey(header.c_str(), line, "PEG POSITION"));

    // A header lacking a key is still one: its loader names the key, where the
    // text road would take its values for points.
    std::string partial = TempPath("partial.hdr");
    WriteText(partial, "UTM ; DATA FILE TYPE\n5000 4000 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n");
    EXPECT_TRUE(IsRadarHeaderFile(partial.c_str()));
    EXPECT_EQ(GetDataFileKind(partial.c_str()), 4);
    std::string points = TempPath("points.xyz");
    WriteText(points, "4500000.0 350000.0 12.5\n4500001.0 350001.0 12.5\n");
    EXPECT_EQ(GetDataFileKind(points.c_str()), 2);
}

TEST(FileKinds, HeaderKeysMatchOverTheShorterLength)
{
    EXPECT_TRUE(MatchHeaderKey("5000 4000 ; data file dimensions", "DATA FILE DIMENSIONS"));
    EXPECT_TRUE(MatchHeaderKey("x ; DATA", "DATA FILE TYPE"));
    EXPECT_TRUE(MatchHeaderKey("1 2 3 ;", "PEG POSITION"));
    EXPECT_TRUE(MatchHeaderKey("1 2 3 ;   \t", "PEG POSITION"));
    EXPECT_FALSE(MatchHeaderKey("5000 4000 DATA FILE DIMENSIONS", "DATA FILE DIMENSIONS"));
    EXPECT_FALSE(MatchHeaderKey("2.5 ; POST SPACING", "PEG POSITION"));
    EXPECT_TRUE(MatchHeaderKey("2.5 ; POST SPACING EXTRA", "POST SPACING"));
}
