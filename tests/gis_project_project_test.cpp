// The project record: tile lookup, tile states from files and lock markers,
// tiles from LAS headers and the buffer points of neighbouring tiles.
#include "project_test_files.h"
#include "las_test_files.h"
#include "gis/project/project.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/las_lock.h"

TEST(ProjectRecord, TileLookupTakesTheFirstTileHoldingThePointAndSkipsEmptyEntries)
{
    Project* p = NewProject();
    AddProjectTile(p, nullptr);
    AddProjectTile(p, SquareTile("a.las", 0, 0, 100));
    AddProjectTile(p, SquareTile("b.las", 50, 0, 100));   // overlaps a
    EXPECT_STREQ(TileAtPoint(p, 10, 10)->name, "a.las");
    EXPECT_STREQ(TileAtPoint(p, 75, 50)->name, "a.las");
    EXPECT_STREQ(TileAtPoint(p, 120, 50)->name, "b.las");
    EXPECT_EQ(TileAtPoint(p, 200, 50), nullptr);
    EXPECT_EQ(TileAtPoint(p, 10, -1), nullptr);
    EXPECT_EQ(TileAtPoint(nullptr, 10, 10), nullptr);
    SetProjectBoundsFromTiles(p);
    EXPECT_EQ(p->minX, 0);
    EXPECT_EQ(p->maxX, 150);
    FreeProject(p);
}

TEST(ProjectRecord, NewRecordsStartEmpty)
{
    Project* p = NewProject();
    EXPECT_EQ(p->bufferSize, 500);
    EXPECT_EQ(p->units, 1);
    EXPECT_GT(p->minX, p->maxX);
    ProjectTile* t = NewProjectTile(0);
    EXPECT_EQ(t->boundary, nullptr);
    EXPECT_GT(t->minY, t->maxY);
    FreeProjectTile(t);
    FreeProjectTile(nullptr);
    EXPECT_EQ(FreeProject(nullptr), 0);
    EXPECT_EQ(FreeProject(p), 1);
}

TEST(ProjectRecord, TileFromLASHeaderTakesTheHeaderBoundsAsARing)
{
    std::string path = TempPath("t.las");
    ASSERT_TRUE(MakeTileLAS(path, 1000, 5000, 100));
    ProjectTile* t = TileFromLASHeader(path.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->boundsKnown, 1);
    EXPECT_EQ(t->pointCount, 16);
    EXPECT_STREQ(t->name, "t.las");
    EXPECT_NEAR(t->minX, 1000, 0.01);
    EXPECT_NEAR(t->maxY, 5100, 0.01);
    const RingVertex* v = t->boundary->contour[0].vertex;
    EXPECT_NEAR(v[1].x, 1000, 0.01);   // (min X, max Y) second
    EXPECT_NEAR(v[1].y, 5100, 0.01);
    EXPECT_NEAR(v[3].x, 1100, 0.01);   // (max X, min Y) last
    EXPECT_NEAR(v[3].y, 5000, 0.01);
    FreeProjectTile(t);
}

// A header that cannot be read, or whose bounds place the tile nowhere (it
// would span the plane), gives no tile and names the file; a LAZ tile's
// bounds come from the LAZ header.
TEST(ProjectRecord, TilesNeedAHeaderWithUsableBounds)
{
    REQUIRE_SAMPLES();
    std::string path = WriteTempFile("broken.las", "not a LAS file");
    BoxAnswers boxes;
    EXPECT_EQ(TileFromLASHeader(path.c_str()), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind(std::string("broken.las") + kUnableToOpenLASText, 0), 0u);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");

    std::string empty = TempPath("empty.las");
    ASSERT_TRUE(MakeTileLAS(empty, 1000, 5000, 100));
    Bytes b = ReadBytes(empty);
    SetFieldAt<double>(b, 179, -3.37e38);   // max X
    SetFieldAt<double>(b, 187, 3.37e38);    // min X
    ASSERT_TRUE(WriteBytes(empty, b));
    boxes.clear();
    EXPECT_EQ(TileFromLASHeader(empty.c_str()), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("empty.las") + kTileBoundsUnusableText));

    boxes.clear();
    std::string laz = TempPath("tile.laz");
    ASSERT_TRUE(CopyFileA(SamplePath("point10.las.laz").c_str(), laz.c_str(), FALSE));
    ProjectTile* t = TileFromLASHeader(laz.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(t->boundsKnown, 1);
    EXPECT_EQ(t->pointCount, 1065);
    EXPECT_LT(t->minX, t->maxX);
    EXPECT_LT(t->maxX, kTileCoordinateLimit);
    FreeProjectTile(t);
}

TEST(ProjectRecord, CheckProjectTilesReadsFilesAndLockMarkers)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 4);
    DeleteFileA(p->tiles[2]->path);
    ASSERT_EQ(LockTile(p->tiles[1]->path), 1);
    p->tiles[3]->activeStatus = TILE_OPEN;
    p->tiles[0]->activeStatus = TILE_NOT_FOUND;
    CheckProjectTiles(p);
    EXPECT_EQ(p->tiles[0]->activeStatus, TILE_AVAILABLE);
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_LOCKED);
    std::string owner = OwnTileLockLine();
    EXPECT_EQ(std::string(p->tiles[1]->lockOwner) + "\r\n", owner);   // the name, not the line end
    EXPECT_EQ(p->tiles[2]->activeStatus, TILE_NOT_FOUND);
    EXPECT_EQ(p->tiles[3]->activeStatus, TILE_OPEN);
    UnlockTile(p->tiles[1]->path);
    CheckProjectTiles(p);
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_AVAILABLE);
    EXPECT_STREQ(p->tiles[1]->lockOwner, "");
    FreeProject(p);
}

TEST(ProjectRecord, BufferPointsComeFromNeighboursWithinTheOverlapAndAreHeldAfterTheTilesOwn)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 4);
    p->bufferSize = 50;
    p->units = 3;
    ProjectTile* middle = p->tiles[1];
    DataSet* set = LoadLASData(middle->path, middle->name);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 16);
    EXPECT_EQ(LoadBufferPoints(p, middle, set), 1);
    EXPECT_EQ(set->filePointCount, 16);
    // Tiles 0 and 2 each give the two columns of 4 points within 50 units; tile 3 lies beyond.
    EXPECT_EQ(set->pointCount, 32);
    for (int i = 16; i < set->pointCount; i++) {
        EXPECT_GE(set->points[i].x, 1050 - 0.01);
        EXPECT_LE(set->points[i].x, 1250 + 0.01);
    }
    EXPECT_EQ(set->units, 3);
    EXPECT_EQ(set->projectTile, 1);
    ASSERT_NE(set->extent, nullptr);
    EXPECT_EQ(set->extent->contour[0].num_vertices, 4);
    FreeDataSet(set);
    FreeProject(p);
}

TEST(ProjectRecord, WithoutOverlapNoBufferPointsAreLoadedButTheOpenCountRises)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 2);
    p->bufferSize = 0;
    DataSet* set = LoadLASData(p->tiles[0]->path, p->tiles[0]->name);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(LoadBufferPoints(p, p->tiles[0], set), 1);
    EXPECT_EQ(LoadBufferPoints(p, p->tiles[0], set), 2);
    EXPECT_EQ(set->pointCount, 16);
    FreeDataSet(set);
    FreeProject(p);
}

TEST(ProjectRecord, AMissingNeighbourIsReportedAndTheOthersStillLoad)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 3);
    p->bufferSize = 50;
    DeleteFileA(p->tiles[2]->path);
    DataSet* set = LoadLASData(p->tiles[1]->path, p->tiles[1]->name);
    ASSERT_NE(set, nullptr);
    BoxAnswers boxes;
    LoadBufferPoints(p, p->tiles[1], set);
    EXPECT_EQ(set->pointCount, 24);
    ASSERT_TRUE(ShowedOneBox(boxes, kBufferTilesFailedText));
    FreeDataSet(set);
    FreeProject(p);
}
