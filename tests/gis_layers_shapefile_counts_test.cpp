// Shapefiles whose .shp, .shx and .dbf disagree on the number of records, on
// every road that reads them: an index cut short loses no record when the
// records past it are whole, and any other disagreement is refused naming the
// file and both counts. The files are written whole, then cut apart.
#include "layer_test_files.h"
#include "las_test_files.h"
#include "project_test_files.h"
#include "app/layer_sets.h"
#include "base/shape_io.h"
#include "base/paths.h"
#include "gis/layers/aoi_shapefile.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "gis/project/project_file.h"
#include <cstdio>

namespace {

const char kDisagree[] = "The parts of the shape file disagree on the number of records. ";

// The records the index of a shapefile lists.
int IndexedRecords(const std::string& shp)
{
    ShapeInput in;
    return OpenShapesToRead(&in, shp.c_str(), nullptr, true) == SHAPES_READABLE ? in.listed : -1;
}

std::vector<double> V3(double x, double y) { return {x, y, 0}; }

std::vector<TestShape> Squares(int count)
{
    std::vector<TestShape> shapes;
    for (int i = 0; i < count; i++) {
        double x = 10.0 * i;
        shapes.push_back(TestShape{{{V3(x, 0), V3(x, 5), V3(x + 5, 5), V3(x, 0)}}});
    }
    return shapes;
}

// The one box a load showed, or what it showed instead.
std::string OnlyBox(const BoxAnswers& boxes)
{
    return boxes.shown().size() == 1 ? boxes.shown()[0].text : "boxes: " + std::to_string(boxes.shown().size());
}

POISet* LoadPOI(const std::string& path, std::string* box)
{
    BoxAnswers boxes;
    POISet* set = LoadPOIShapefile(path.c_str(), "ten_poi.shp");
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    return set;
}

// Ten square AOI polygons with their table, the index cut to list five.
bool TenAOIsListingFive(const std::string& path)
{
    return WriteTestShapefile(path, SHAPE_POLYGON, Squares(10), false) &&
           WriteTestAOITable(path, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true, true) && CutShapefileParts(path, -1, 5, -1);
}

AOISet* LoadAOI(const std::string& path, std::string* box)
{
    BoxAnswers boxes;
    AOISet* set = LoadAOIShapefile(path.c_str(), GetPathFileName(path.c_str()));
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    return set;
}

// Numbers the records of a .shp on from `first`, the record at `odd` (from
// 0; -1 for none) taking 999 instead: record headers are big-endian.
bool RenumberRecords(const std::string& shp, int first, int odd = -1)
{
    Bytes b = ReadBytes(shp);
    size_t pos = 100;
    for (int i = 0; pos + 8 <= b.size(); i++) {
        PutBigEndian32(b, pos, i == odd ? 999 : (uint32_t)(first + i));
        pos += 8 + 2 * (size_t)BigEndian32At(b, pos + 4);
    }
    return pos == b.size() && WriteBytes(shp, b);
}

}  // namespace

// Ten markers whose index lists five: all ten load without a word, and the
// save writes all ten with a whole index. The same file with the .shp cut
// too keeps its ten table rows and is refused; so is a .shp whose records
// past the index end in one cut short.
TEST(ShapefileCounts, APOISetWithAShortIndexLoadsWholeAndOtherDisagreementsAreRefused)
{
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 10; i++) {
        POIRecord* poi = AppendPOIRecord(set);
        snprintf(poi->name, sizeof poi->name, "marker %d", i);
        poi->x = 100.0 + i;
        poi->y = 200.0;
        poi->z = (float)i;
    }
    std::string path = TempPath("ten_poi.shp");
    snprintf(set->path, sizeof set->path, "%s", path.c_str());
    snprintf(set->title, sizeof set->title, "ten_poi.shp");
    ASSERT_EQ(SavePOIShapefile(set), 1);
    DeletePOISet(set);

    ASSERT_TRUE(CutShapefileParts(path, -1, 5, -1));
    ASSERT_EQ(IndexedRecords(path), 5);
    std::string box;
    set = LoadPOI(path, &box);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(box, "");
    ASSERT_EQ(set->count, 10);
    EXPECT_STREQ(set->records[9].name, "marker 9");
    EXPECT_EQ(set->records[9].x, 109.0);
    set->saved = 0;
    ASSERT_EQ(SavePOIShapefile(set), 1);
    DeletePOISet(set);
    EXPECT_EQ(IndexedRecords(path), 10);
    set = LoadPOI(path, &box);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->count, 10);
    DeletePOISet(set);

    ASSERT_TRUE(CutShapefileParts(path, 5, 5, -1));
    EXPECT_EQ(LoadPOI(path, &box), nullptr);
    EXPECT_EQ(box, std::string(kDisagree) + "The table (.dbf) holds 10 records for 5 shapes.\n    ten_poi.dbf\n");

    // Five of each again; then an index of two and the .shp cut inside its
    // fifth record: three more, the last not whole.
    ASSERT_TRUE(CutShapefileParts(path, -1, 2, 5));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, (LONG)GetFileSize(h, nullptr) - 10, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    EXPECT_EQ(LoadPOI(path, &box), nullptr);
    EXPECT_EQ(box, std::string(kDisagree) +
                       "The index (.shx) lists 2 records, but the shapes (.shp) hold 5, not all of them whole.\n    "
                       "ten_poi.shp\n");
}

// Records past a short index numbered from 0, as some writers number them,
// are read too; one whole record out of sequence ends the walk, and is
// refused rather than left behind.
TEST(ShapefileCounts, RecordsPastAShortIndexNumberedFromZeroLoadAndOneOutOfSequenceIsRefused)
{
    std::string path = TempPath("zero_aoi.shp");
    ASSERT_TRUE(TenAOIsListingFive(path));
    auto load = [&](std::string* box) {
        AOISet* set = LoadAOI(path, box);
        int count = set ? set->lines->count : -1;
        if (set) FreeReferenceFile(set);
        return count;
    };
    std::string box;
    ASSERT_TRUE(RenumberRecords(path, 0));
    EXPECT_EQ(load(&box), 10);
    EXPECT_EQ(box, "");

    ASSERT_TRUE(CutShapefileParts(path, -1, 5, -1));
    ASSERT_TRUE(RenumberRecords(path, 1, 7));
    EXPECT_EQ(load(&box), -1);
    EXPECT_EQ(box, std::string(kDisagree) +
                       "The index (.shx) lists 5 records, but the shapes (.shp) hold 8, not all of them whole.\n    "
                       "zero_aoi.shp\n");
}

// AOI polygons: a short index loses none, and a save keeps all ten; a table
// of more rows than shapes or fewer is refused naming the table.
TEST(ShapefileCounts, AnAOIFileWithAShortIndexLoadsWholeAndATableOfAnotherCountIsRefused)
{
    std::string path = TempPath("ten_aoi.shp");
    ASSERT_TRUE(TenAOIsListingFive(path));
    std::string box;
    AOISet* set = LoadAOI(path, &box);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(box, "");
    ASSERT_EQ(set->lines->count, 10);
    EXPECT_EQ(set->lines->items[9]->vertices[0].x, 90.0);
    ASSERT_EQ(SaveAOIShapefile(set), 1);
    FreeReferenceFile(set);
    EXPECT_EQ(IndexedRecords(path), 10);

    ASSERT_TRUE(CutShapefileParts(path, 8, 8, -1));
    EXPECT_EQ(LoadAOI(path, &box), nullptr);
    EXPECT_EQ(box, std::string(kDisagree) + "The table (.dbf) holds 10 records for 8 shapes.\n    ten_aoi.dbf\n");
    ASSERT_TRUE(CutShapefileParts(path, -1, -1, 7));
    EXPECT_EQ(LoadAOI(path, &box), nullptr);
    EXPECT_EQ(box, std::string(kDisagree) + "The table (.dbf) holds 7 records for 8 shapes.\n    ten_aoi.dbf\n");
}

// A reference file reads every line past a short index, and refuses one
// whose records past it end cut short.
TEST(ShapefileCounts, AReferenceFileWithAShortIndexShowsEveryLine)
{
    std::string path = TempPath("ten_ref.shp");
    ASSERT_TRUE(WriteTestShapefile(path, SHAPE_ARC, Squares(10)));
    ASSERT_TRUE(CutShapefileParts(path, -1, 3, -1));
    {
        BoxAnswers boxes;
        ReferenceFile* f = LoadReferenceShapefile(path.c_str(), "ten_ref.shp");
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(f->lines->count, 10);
        FreeReferenceFile(f);
    }
    // The header still gives the length of ten: the last records are missing.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, (LONG)GetFileSize(h, nullptr) - 1, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    BoxAnswers boxes;
    EXPECT_EQ(LoadReferenceShapefile(path.c_str(), "ten_ref.shp"), nullptr);
    EXPECT_EQ(OnlyBox(boxes), std::string(kDisagree) +
                                  "The index (.shx) lists 3 records, but the shapes (.shp) hold 10, not all of them "
                                  "whole.\n    ten_ref.shp\n");
}

// The project's tile index: a short index loses no tile; a table that keeps
// rows for tiles the shapes lost is refused naming the table.
TEST(ShapefileCounts, AProjectTileIndexWithAShortIndexKeepsEveryTile)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 10, false);
    snprintf(p->path, sizeof p->path, "%sp.lep", folder.c_str());
    snprintf(p->title, sizeof p->title, "p.lep");
    p->units = 1;
    ASSERT_EQ(WriteProjectFile(p), 1);
    FreeProject(p);
    std::string tiles = folder + "p_tiles.shp";
    ASSERT_TRUE(CutShapefileParts(tiles, -1, 5, -1));
    {
        BoxAnswers boxes;
        Project* q = ReadProjectFile((folder + "p.lep").c_str(), "p.lep");
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->tileCount, 10);
        EXPECT_STREQ(q->tiles[9]->name, "tile9.las");
        FreeProject(q);
    }
    ASSERT_TRUE(CutShapefileParts(tiles, 5, 5, -1));
    BoxAnswers boxes;
    EXPECT_EQ(ReadProjectFile((folder + "p.lep").c_str(), "p.lep"), nullptr);
    EXPECT_EQ(OnlyBox(boxes), "p_tiles.dbf appears to be corrupt!\n\nThe table (.dbf) holds 10 records for 5 shapes.");
}
