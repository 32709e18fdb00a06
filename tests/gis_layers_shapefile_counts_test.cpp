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
#include "gis/convert/import_shape.h"
#include "gis/layers/aoi_shapefile.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "gis/project/project_file.h"
#include "app/job_control.h"
#include "base/file_io.h"
#include "base/file_list.h"
#include <cstdio>

namespace {

// The message of the layer readers when the parts disagree: the counts, then the file named.
std::string Disagree(const std::string& counts, const char* name)
{
    return Formatted(kShapefileCountsDifferFormat, counts.c_str(), name);
}

std::string ListsMore(int listed, int held)
{
    char text[200];
    snprintf(text, sizeof text, kIndexListsMoreFormat, listed, listed == 1 ? "" : "s", held);
    return text;
}

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

// `count` square AOI polygons with their table.
bool SaveAOIs(const std::string& path, int count)
{
    std::vector<int> indices;
    for (int i = 0; i < count; i++) indices.push_back(i);
    return WriteTestShapefile(path, SHAPE_POLYGON, Squares(count), false) &&
           WriteTestAOITable(path, indices, true, true);
}
// Ten of them, the index cut to list five.
bool TenAOIsListingFive(const std::string& path) { return SaveAOIs(path, 10) && CutShapefileParts(path, -1, 5, -1); }

AOISet* LoadAOI(const std::string& path, std::string* box)
{
    BoxAnswers boxes;
    AOISet* set = LoadAOIShapefile(path.c_str(), GetPathFileName(path.c_str()));
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    return set;
}

// Loads a reference file: the lines it read, -1 when refused (the box in `box`).
int LoadReference(const std::string& path, std::string* box)
{
    BoxAnswers boxes;
    ReferenceFile* f = LoadReferenceShapefile(path.c_str(), GetPathFileName(path.c_str()));
    int lines = f ? f->lines->count : -1;
    if (f) FreeReferenceFile(f);
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    return lines;
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

// Takes the last `bytes` off a file, as a copy that stopped short; the
// header keeps the length it gave.
bool CutEnd(const std::string& path, size_t bytes)
{
    Bytes b = ReadBytes(path);
    if (b.size() < bytes) return false;
    b.resize(b.size() - bytes);
    return WriteBytes(path, b);
}

// Keeps the first `records` whole records of a .shp and `bytes` of the next,
// as a copy that stopped inside it; the header keeps the length it gave.
bool CutInsideRecord(const std::string& shp, int records, size_t bytes)
{
    Bytes b = ReadBytes(shp);
    size_t pos = 100;
    for (int i = 0; i < records && pos + 8 <= b.size(); i++) pos += 8 + 2 * (size_t)BigEndian32At(b, pos + 4);
    if (pos + bytes >= b.size()) return false;
    b.resize(pos + bytes);
    return WriteBytes(shp, b);
}

// Ten markers 100 + i, 200, i named "marker i", saved at `path`.
bool SaveTenMarkers(const std::string& path)
{
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 10; i++) {
        POIRecord* poi = AppendPOIRecord(set);
        snprintf(poi->name, sizeof poi->name, "marker %d", i);
        poi->x = 100.0 + i;
        poi->y = 200.0;
        poi->z = (float)i;
    }
    snprintf(set->path, sizeof set->path, "%s", path.c_str());
    snprintf(set->title, sizeof set->title, "%s", GetPathFileName(path.c_str()));
    bool saved = SavePOIShapefile(set) == 1;
    DeletePOISet(set);
    return saved;
}

// A project p.lep of tiles in a row in `folder`; its tile index's .shp.
std::string SaveTileProject(const std::string& folder, int tiles = 10)
{
    Project* p = MakeRowProject(folder, tiles, false);
    snprintf(p->path, sizeof p->path, "%sp.lep", folder.c_str());
    snprintf(p->title, sizeof p->title, "p.lep");
    p->units = 1;
    bool saved = WriteProjectFile(p) == 1;
    FreeProject(p);
    return saved ? folder + "p_tiles.shp" : "";
}

// Reads the project: its tile count, -1 when refused (the box in `box`).
int ProjectTiles(const std::string& folder, std::string* box)
{
    BoxAnswers boxes;
    Project* q = ReadProjectFile((folder + "p.lep").c_str(), "p.lep");
    int tiles = q ? q->tileCount : -1;
    FreeProject(q);
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    return tiles;
}

std::vector<TestShape> Points(int count)
{
    std::vector<TestShape> shapes;
    for (int i = 0; i < count; i++) shapes.push_back(TestShape{{{{500000.0 + i, 4000000.0, 10.0 + i}}}});
    return shapes;
}

// Imports the point shapefile into the LAS file beside it: the points
// written, -1 when the file failed (the box in `box`).
int ImportedPoints(const std::string& path, std::string* box)
{
    std::string las = ChangeFileExtension(path.c_str(), ".las");
    DeleteFileA(las.c_str());
    JobControl* job = CreateJobControl();
    FileList list = {};
    AddFileListEntry(&list, path.c_str(), GetPathFileName(path.c_str()));
    ShapeImportSettings settings = {};
    BoxAnswers boxes;
    int r = ImportShapeFile(list.entries[0], &settings, job, nullptr);
    ClearFileList(&list);
    FreeJobControl(job);
    *box = boxes.shown().empty() ? "" : OnlyBox(boxes);
    if (r != 1) return -1;
    LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
    int points = f ? (int)f->pointCount : -1;
    if (f) CloseLASFile(f);
    return points;
}

}  // namespace

// Ten markers whose index lists five: all ten load without a word, and the
// save writes all ten with a whole index. The same file with the .shp cut
// too keeps its ten table rows and is refused; so is a .shp whose records
// past the index end in one cut short.
TEST(ShapefileCounts, APOISetWithAShortIndexLoadsWholeAndOtherDisagreementsAreRefused)
{
    std::string path = TempPath("ten_poi.shp");
    ASSERT_TRUE(SaveTenMarkers(path));
    ASSERT_TRUE(CutShapefileParts(path, -1, 5, -1));
    ASSERT_EQ(IndexedRecords(path), 5);
    std::string box;
    POISet* set = LoadPOI(path, &box);
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
    EXPECT_EQ(box, Disagree("The table (.dbf) holds 10 records for 5 shapes.", "ten_poi.dbf"));

    // Five of each again; then an index of two and the .shp cut inside its
    // fifth record: three more, the last not whole.
    ASSERT_TRUE(CutShapefileParts(path, -1, 2, 5));
    ASSERT_TRUE(CutEnd(path, 10));
    EXPECT_EQ(LoadPOI(path, &box), nullptr);
    EXPECT_EQ(box, Disagree("The index (.shx) lists 2 records, but the shapes (.shp) hold 5, not all of them whole.",
                            "ten_poi.shp"));
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
    EXPECT_EQ(box, Disagree("The index (.shx) lists 5 records, but the shapes (.shp) hold 8, not all of them whole.",
                            "zero_aoi.shp"));
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
    EXPECT_EQ(box, Disagree("The table (.dbf) holds 10 records for 8 shapes.", "ten_aoi.dbf"));
    ASSERT_TRUE(CutShapefileParts(path, -1, -1, 7));
    EXPECT_EQ(LoadAOI(path, &box), nullptr);
    EXPECT_EQ(box, Disagree("The table (.dbf) holds 7 records for 8 shapes.", "ten_aoi.dbf"));
}

// A reference file reads every line past a short index, and refuses one
// whose records past it end cut short.
TEST(ShapefileCounts, AReferenceFileWithAShortIndexShowsEveryLine)
{
    std::string path = TempPath("ten_ref.shp");
    ASSERT_TRUE(WriteTestShapefile(path, SHAPE_ARC, Squares(10)));
    ASSERT_TRUE(CutShapefileParts(path, -1, 3, -1));
    std::string box;
    EXPECT_EQ(LoadReference(path, &box), 10);
    EXPECT_EQ(box, "");
    // The header still gives the length of ten: the last records are missing.
    ASSERT_TRUE(CutEnd(path, 1));
    EXPECT_EQ(LoadReference(path, &box), -1);
    EXPECT_EQ(box, Disagree("The index (.shx) lists 3 records, but the shapes (.shp) hold 10, not all of them whole.",
                            "ten_ref.shp"));
}

// The project's tile index: a short index loses no tile. Parts that
// disagree otherwise are refused as the layer readers refuse them, with
// both counts: a table that keeps rows for tiles the shapes lost names the
// table, records past a short index that end cut short the shapes.
TEST(ShapefileCounts, AProjectTileIndexWithAShortIndexKeepsEveryTile)
{
    std::string folder = TempDir();
    std::string tiles = SaveTileProject(folder);
    ASSERT_FALSE(tiles.empty());
    ASSERT_TRUE(CutShapefileParts(tiles, -1, 5, -1));
    {
        BoxAnswers boxes;
        Project* q = ReadProjectFile((folder + "p.lep").c_str(), "p.lep");
        ASSERT_NE(q, nullptr);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(q->tileCount, 10);
        EXPECT_STREQ(q->tiles[9]->name, "tile9.las");
        FreeProject(q);
    }
    std::string box;
    ASSERT_TRUE(CutShapefileParts(tiles, 5, 5, -1));
    EXPECT_EQ(ProjectTiles(folder, &box), -1);
    EXPECT_EQ(box, Disagree("The table (.dbf) holds 10 records for 5 shapes.", "p_tiles.dbf"));
    ASSERT_TRUE(CutShapefileParts(tiles, -1, 2, 5));
    ASSERT_TRUE(CutEnd(tiles, 10));
    EXPECT_EQ(ProjectTiles(folder, &box), -1);
    EXPECT_EQ(box, Disagree("The index (.shx) lists 2 records, but the shapes (.shp) hold 5, not all of them whole.",
                            "p_tiles.shp"));
}

// An index of two and the .shp cut inside its third record, the table
// holding all four: the shapes are at fault, not the table, on every road
// alike, also when so little of the record is left that its type is lost.
TEST(ShapefileCounts, ARecordCutShortRightAfterAShortIndexIsTheShapesFaultOnEveryRoad)
{
    const std::string counts = "The index (.shx) lists 2 records, but the shapes (.shp) hold 3, not all of them whole.";
    std::string box;
    std::string folder = TempDir();
    std::string tiles = SaveTileProject(folder, 4);
    ASSERT_TRUE(!tiles.empty() && CutShapefileParts(tiles, -1, 2, -1) && CutInsideRecord(tiles, 2, 30));
    EXPECT_EQ(ProjectTiles(folder, &box), -1);
    EXPECT_EQ(box, Disagree(counts, "p_tiles.shp"));
    ASSERT_TRUE(CutInsideRecord(tiles, 2, 10));   // the header and two bytes: no type
    EXPECT_EQ(ProjectTiles(folder, &box), -1);
    EXPECT_EQ(box, Disagree(counts, "p_tiles.shp"));

    std::string poi = TempPath("ten_poi.shp");
    ASSERT_TRUE(SaveTenMarkers(poi) && CutShapefileParts(poi, -1, 2, 4) && CutInsideRecord(poi, 2, 20));
    EXPECT_EQ(LoadPOI(poi, &box), nullptr);
    EXPECT_EQ(box, Disagree(counts, "ten_poi.shp"));

    std::string aoi = TempPath("four_aoi.shp");
    ASSERT_TRUE(SaveAOIs(aoi, 4) && CutShapefileParts(aoi, -1, 2, -1) && CutInsideRecord(aoi, 2, 30));
    EXPECT_EQ(LoadAOI(aoi, &box), nullptr);
    EXPECT_EQ(box, Disagree(counts, "four_aoi.shp"));

    std::string ref = TempPath("four_ref.shp");
    ASSERT_TRUE(WriteTestShapefile(ref, SHAPE_ARC, Squares(4)) && CutShapefileParts(ref, -1, 2, -1) &&
                CutInsideRecord(ref, 2, 30));
    EXPECT_EQ(LoadReference(ref, &box), -1);
    EXPECT_EQ(box, Disagree(counts, "four_ref.shp"));

    std::string points = TempPath("four_pts.shp");
    ASSERT_TRUE(WriteTestShapefile(points, SHAPE_POINTZ, Points(4)) && CutShapefileParts(points, -1, 2, -1) &&
                CutInsideRecord(points, 2, 20));
    EXPECT_EQ(ImportedPoints(points, &box), -1);
    EXPECT_EQ(box, "four_pts.shp\n" + counts + "\n");
}

// The shapefile import: a short index loses no point; records past it that
// end cut short fail the file with both counts, nothing written.
TEST(ShapefileCounts, AShapefileImportWithAShortIndexWritesEveryPoint)
{
    std::string path = TempPath("ten_pts.shp");
    ASSERT_TRUE(WriteTestShapefile(path, SHAPE_POINTZ, Points(10)));
    ASSERT_TRUE(CutShapefileParts(path, -1, 4, -1));
    std::string box;
    EXPECT_EQ(ImportedPoints(path, &box), 10);
    EXPECT_EQ(box, "");
    ASSERT_TRUE(CutEnd(path, 10));
    EXPECT_EQ(ImportedPoints(path, &box), -1);
    EXPECT_EQ(box, "ten_pts.shp\nThe index (.shx) lists 4 records, but the shapes (.shp) hold 10, not all of them "
                   "whole.\n");
    EXPECT_FALSE(VFileExists(ChangeFileExtension(path.c_str(), ".las")));
}

// An index that lists more records than the .shp holds (a shorter save of
// the shapes beside an older index) is refused on every road with both
// counts; an index that places a record the shapes hold in their header is
// damage of another kind and keeps its own message.
TEST(ShapefileCounts, AnIndexListingMoreRecordsThanTheShapesHoldIsRefusedWithBothCounts)
{
    const std::string listsMore = ListsMore(10, 3);
    std::string box;
    std::string poi = TempPath("ten_poi.shp");
    ASSERT_TRUE(SaveTenMarkers(poi) && CutShapefileParts(poi, 3, -1, -1));
    EXPECT_EQ(LoadPOI(poi, &box), nullptr);
    EXPECT_EQ(box, Disagree(listsMore, "ten_poi.shp"));
    // The same shapes cut inside their third record's data, its header kept
    // and the length the .shp header gives not updated: two are held.
    ASSERT_TRUE(CutEnd(poi, 10));
    EXPECT_EQ(LoadPOI(poi, &box), nullptr);
    EXPECT_EQ(box, Disagree(ListsMore(10, 2), "ten_poi.shp"));

    std::string aoi = TempPath("ten_aoi.shp");
    ASSERT_TRUE(SaveAOIs(aoi, 10) && CutShapefileParts(aoi, 3, -1, -1));
    EXPECT_EQ(LoadAOI(aoi, &box), nullptr);
    EXPECT_EQ(box, Disagree(listsMore, "ten_aoi.shp"));

    std::string points = TempPath("ten_pts.shp");
    ASSERT_TRUE(WriteTestShapefile(points, SHAPE_POINTZ, Points(10)) && CutShapefileParts(points, 3, -1, -1));
    EXPECT_EQ(ImportedPoints(points, &box), -1);
    EXPECT_EQ(box, "ten_pts.shp\n" + listsMore + "\n");

    std::string folder = TempDir();
    std::string tiles = SaveTileProject(folder);
    ASSERT_TRUE(!tiles.empty() && CutShapefileParts(tiles, 3, -1, -1));
    EXPECT_EQ(ProjectTiles(folder, &box), -1);
    EXPECT_EQ(box, Disagree(listsMore, "p_tiles.shp"));

    // A reference file of one line that lost it: one record listed, none held.
    std::string one = TempPath("one_ref.shp");
    ASSERT_TRUE(WriteTestShapefile(one, SHAPE_ARC, Squares(1)) && CutShapefileParts(one, 0, -1, -1));
    EXPECT_EQ(LoadReference(one, &box), -1);
    EXPECT_EQ(box, Disagree(ListsMore(1, 0), "one_ref.shp"));
    // Ten records held, the index placing the second in the header.
    std::string misplaced = TempPath("ten_ref.shp");
    ASSERT_TRUE(WriteTestShapefile(misplaced, SHAPE_ARC, Squares(10)));
    std::string index = ChangeFileExtension(misplaced.c_str(), ".shx");
    Bytes shx = ReadBytes(index);
    PutBigEndian32(shx, 100 + 8, 10);   // offsets count 16-bit words: byte 20
    ASSERT_TRUE(WriteBytes(index, shx));
    char damaged[300];
    snprintf(damaged, sizeof damaged, kShapefileDamaged, 2, 10, "ten_ref.shp");
    EXPECT_EQ(LoadReference(misplaced, &box), -1);
    EXPECT_EQ(box, damaged);
}
