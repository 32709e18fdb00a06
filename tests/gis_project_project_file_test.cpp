// Project files and tile indexes: the round trip, files from elsewhere that
// differ in version or fields, and damaged or unsafe files that are refused.
#include "project_test_files.h"
#include "layer_test_files.h"
#include "base/file_io.h"
#include "las_test_files.h"
#include "gis/project/project.h"
#include "gis/project/project_file.h"
#include "gis/layers/ref_shapefile.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "base/shape_io.h"
#include "base/code_pages.h"
#include <algorithm>
#include <cmath>
#include <set>

namespace {

// A project of three tiles over real LAS files, saved as `name` in the folder.
Project* SavedProject(const std::string& folder, const char* name)
{
    Project* p = MakeRowProject(folder, 3);
    snprintf(p->path, sizeof p->path, "%s%s", folder.c_str(), name);
    snprintf(p->title, sizeof p->title, "%s", name);
    snprintf(p->description, sizeof p->description, "Survey block 7");
    p->bufferSize = 75;
    p->units = 3;
    p->tiles[1]->editStatus = 1;
    p->tiles[2]->editStatus = 2;
    return p;
}

struct Field {
    const char* name;
    int type;
    int width;
    std::string value;
};

// A dBASE table of one record written where `path` says (any extension).
void WriteTable(const std::string& path, const std::vector<Field>& fields)
{
    ShapeGroupWriter w;
    int dbf = BeginShapeGroup(&w, path.c_str()) ? CreateGroupTable(&w, path.c_str()) : -1;
    ASSERT_GE(dbf, 0);
    for (const Field& f : fields) AddTableColumn(&w, dbf, f.name, f.type, f.width, 0);
    for (size_t i = 0; i < fields.size(); i++) {
        if (fields[i].type == COLUMN_INTEGER) WriteIntegerCell(&w, dbf, 0, (int)i, atoi(fields[i].value.c_str()));
        else WriteTextCell(&w, dbf, 0, (int)i, fields[i].value.c_str());
    }
    ASSERT_EQ(CommitShapeGroup(&w, true), 1);
}

std::vector<Field> StandardFields(const char* version, const char* dataFolder = "")
{
    return {{"FILETYPE", COLUMN_TEXT, 16, "NBLVelkaViewer"}, {"FILEVER", COLUMN_INTEGER, 8, version},
            {"DESCRIP", COLUMN_TEXT, 255, "from elsewhere"}, {"DATADIR", COLUMN_TEXT, 255, dataFolder},
            {"BUFSIZE", COLUMN_INTEGER, 8, "40"},               {"UNITS", COLUMN_INTEGER, 8, "3"}};
}

// Rewrites one FILENAME of the tile index.
void SetTileName(const std::string& projectPath, int record, const char* name)
{
    std::string dbfPath = projectPath.substr(0, projectPath.size() - 4) + "_tiles.dbf";
    std::vector<std::string> names;
    std::vector<int> edit, active;
    {
        ShapeInput in;
        ASSERT_EQ(OpenTableToRead(&in, dbfPath.c_str()), SHAPES_READABLE);
        for (int i = 0; i < TableRecordCount(&in); i++) {
            std::string text;
            ReadTextCell(&in, i, 0, &text);
            names.push_back(i == record ? std::string(name) : text);
            edit.push_back(ReadIntegerCell(&in, i, 1));
            active.push_back(ReadIntegerCell(&in, i, 2));
        }
    }
    ShapeGroupWriter w;
    int dbf = BeginShapeGroup(&w, dbfPath.c_str()) ? CreateGroupTable(&w, dbfPath.c_str()) : -1;
    ASSERT_GE(dbf, 0);
    AddTableColumn(&w, dbf, "FILENAME", COLUMN_TEXT, 255, 0);
    AddTableColumn(&w, dbf, "EDIT_STATUS", COLUMN_INTEGER, 8, 0);
    AddTableColumn(&w, dbf, "ACTIVE_STATUS", COLUMN_INTEGER, 8, 0);
    for (size_t i = 0; i < names.size(); i++)
        ASSERT_TRUE(WriteTextCell(&w, dbf, (int)i, 0, names[i].c_str()) && WriteIntegerCell(&w, dbf, (int)i, 1, edit[i]) &&
                    WriteIntegerCell(&w, dbf, (int)i, 2, active[i]));
    ASSERT_EQ(CommitShapeGroup(&w, true), 1);
}

// Replaces the tile index with squares of `points` points each (5 closes the
// ring) and `records` table rows named tile0.las.
void WriteTileIndex(const std::string& folder, const std::vector<int>& points, int records)
{
    std::string shp = folder + "p_tiles.shp", dbfPath = folder + "p_tiles.dbf";
    ShapeGroupWriter w;
    int h = BeginShapeGroup(&w, shp.c_str()) ? CreateGroupShapes(&w, shp.c_str(), SHAPE_POLYGON) : -1;
    int d = CreateGroupTable(&w, dbfPath.c_str());
    ASSERT_TRUE(h >= 0 && d >= 0);
    AddTableColumn(&w, d, "FILENAME", COLUMN_TEXT, 255, 0);
    AddTableColumn(&w, d, "EDIT_STATUS", COLUMN_INTEGER, 8, 0);
    AddTableColumn(&w, d, "ACTIVE_STATUS", COLUMN_INTEGER, 8, 0);
    double xs[5] = {1000, 1000, 1100, 1100, 1000}, ys[5] = {5000, 5100, 5100, 5000, 5000};
    for (size_t k = 0; k < points.size(); k++) AppendShape(&w, h, SHAPE_POLYGON, points[k], xs, ys, nullptr, (int)k);
    for (int i = 0; i < records; i++) WriteTextCell(&w, d, i, 0, "tile0.las");
    ASSERT_EQ(CommitShapeGroup(&w, true), 1);
}

}  // namespace

TEST(ProjectFile, WrittenProjectReadsBackWithItsSettingsTilesAndStates)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "block.lep");
    LogLines log;
    ASSERT_EQ(WriteProjectFile(p), 1);
    EXPECT_EQ(p->saved, 1);
    EXPECT_STREQ(p->folder, folder.c_str());
    EXPECT_TRUE(log.contains("[SAVE] block.lep"));
    std::vector<std::string> files = FolderFiles(folder);
    std::sort(files.begin(), files.end());
    // Nothing temporary is left beside the project.
    // The tile index's table says in its .cpg that it holds UTF-8; the
    // project table, which only this program reads, has none.
    EXPECT_EQ(files, (std::vector<std::string>{"block.lep", "block_tiles.cpg", "block_tiles.dbf", "block_tiles.shp",
                                                "block_tiles.shx", "tile0.las", "tile1.las", "tile2.las"}));

    Project* q = ReadProjectFile(p->path, "block.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q->description, "Survey block 7");
    EXPECT_EQ(q->bufferSize, 75);
    EXPECT_EQ(q->units, 3);
    EXPECT_EQ(q->saved, 1);
    EXPECT_STREQ(q->title, "block.lep");
    ASSERT_EQ(q->tileCount, 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(q->tiles[i]->name, p->tiles[i]->name);
        EXPECT_EQ(q->tiles[i]->editStatus, i);
        EXPECT_EQ(q->tiles[i]->activeStatus, TILE_AVAILABLE);
        EXPECT_EQ(std::string(q->tiles[i]->path), folder + q->tiles[i]->name);
        // Stored closed with 5 points, read back as the 4 corners.
        ASSERT_EQ(q->tiles[i]->boundary->contour[0].num_vertices, 4);
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(q->tiles[i]->boundary->contour[0].vertex[k].x, p->tiles[i]->boundary->contour[0].vertex[k].x);
            EXPECT_EQ(q->tiles[i]->boundary->contour[0].vertex[k].y, p->tiles[i]->boundary->contour[0].vertex[k].y);
        }
    }
    EXPECT_EQ(q->minX, 1000);
    EXPECT_EQ(q->maxX, 1300);
    EXPECT_EQ(q->maxY, 5100);
    EXPECT_TRUE(log.contains("[LOAD] block.lep"));
    FreeProject(q);
    FreeProject(p);
}

TEST(ProjectFile, DataFolderGetsItsBackslashAndNamesTheTiles)
{
    std::string folder = TempDir();
    std::string data = folder + "data";
    CreateDirectoryA(data.c_str(), nullptr);
    Project* p = SavedProject(folder, "p.lep");
    snprintf(p->dataFolder, sizeof p->dataFolder, "%s", data.c_str());
    ASSERT_EQ(WriteProjectFile(p), 1);
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::string(q->dataFolder), data + "\\");
    EXPECT_EQ(std::string(q->tiles[0]->path), data + "\\tile0.las");
    EXPECT_EQ(q->tiles[0]->activeStatus, TILE_NOT_FOUND);   // the LAS files lie in the project folder
    FreeProject(q);
    FreeProject(p);
}

// A project an earlier version wrote in code page 1252: its folder, tile
// names and description read as the letters they were, so its tiles are
// found in the folder whose name is now spelt in UTF-8; a description whose
// letters happen to pair as UTF-8 is read in its table's code page too. Text
// that is UTF-8 already comes back as it is.
TEST(ProjectFile, TextStoredInCodePage1252ReadsAsItsLettersAndFindsTheTiles)
{
    SystemCodePageIs western(1252);
    EXPECT_EQ(StoredTextAsProgramText("Donn\xe9" "es \x80 5"), "Donn\xc3\xa9" "es \xe2\x82\xac 5");
    EXPECT_EQ(StoredTextAsProgramText("Donn\xc3\xa9" "es"), "Donn\xc3\xa9" "es");
    EXPECT_EQ(StoredTextAsProgramText("tile0.las"), "tile0.las");

    std::string folder = TempDir();
    std::string data = folder + "Donn\xc3\xa9" "es";
    ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
    ASSERT_TRUE(MakeTileLAS(data + "\\caf\xc3\xa9.las", 1000.0, 5000.0, 100.0));
    Project* p = SavedProject(folder, "p.lep");
    snprintf(p->dataFolder, sizeof p->dataFolder, "%sDonn\xe9" "es\\", folder.c_str());
    snprintf(p->tiles[0]->name, sizeof p->tiles[0]->name, "caf\xe9.las");
    snprintf(p->description, sizeof p->description, "CAF\xc9\xbb");   // "CAFÉ»", as UTF-8 "CAFɻ"
    ASSERT_EQ(WriteProjectFile(p), 1);
    ASSERT_TRUE(DeclareTable(folder + "p_tiles.dbf", 0x57, nullptr));   // "ANSI", as it was written then
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::string(q->dataFolder), data + "\\");
    EXPECT_STREQ(q->description, "CAF\xc3\x89\xc2\xbb");
    EXPECT_STREQ(q->tiles[0]->name, "caf\xc3\xa9.las");
    EXPECT_EQ(std::string(q->tiles[0]->path), data + "\\caf\xc3\xa9.las");
    EXPECT_EQ(q->tiles[0]->activeStatus, TILE_AVAILABLE);
    FreeProject(q);
    FreeProject(p);
}

TEST(ProjectFile, AMissingDataFolderAsksAndCancelGivesNoProject)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    snprintf(p->dataFolder, sizeof p->dataFolder, "%s", (folder + "gone\\").c_str());
    ASSERT_EQ(WriteProjectFile(p), 1);
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kDataFolderQuestion, (folder + "gone\\").c_str()));
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    }
    BoxAnswers boxes({IDNO});
    Project* q = ReadProjectFile(p->path, "p.lep");   // No goes on with the missing folder
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->tiles[0]->activeStatus, TILE_NOT_FOUND);
    FreeProject(q);
    FreeProject(p);
}

TEST(ProjectFile, OtherVersionsKeepTheDefaultsAndExtraFieldsAreIgnored)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    WriteTable(p->path, StandardFields("2"));
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->bufferSize, 500);
    EXPECT_EQ(q->units, 1);
    EXPECT_STREQ(q->description, "");
    EXPECT_STREQ(q->dataFolder, "");
    FreeProject(q);

    std::vector<Field> seven = StandardFields("1");
    seven.push_back({"OWNER", COLUMN_TEXT, 20, "someone"});
    WriteTable(p->path, seven);
    q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->bufferSize, 40);
    EXPECT_STREQ(q->description, "from elsewhere");
    FreeProject(q);
    FreeProject(p);
}

TEST(ProjectFile, ProjectTablesThatAreNotOursAreRefusedByName)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    std::vector<Field> five = StandardFields("1");
    five.pop_back();
    std::vector<Field> wrongType = StandardFields("1");
    wrongType[0].value = "SomethingElse";
    std::vector<Field> lowerCase = StandardFields("1");
    lowerCase[4].name = "bufsize";
    std::vector<Field> badUnits = StandardFields("1");
    badUnits[5].value = "7";
    for (const std::vector<Field>& fields : {five, wrongType, lowerCase, badUnits}) {
        WriteTable(p->path, fields);
        BoxAnswers boxes;
        EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text.rfind(Formatted(kProjectMayBeCorrupt, "p.lep"), 0), 0u);
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    }
    WriteTempFile("p.lep", "plain text, no table");
    BoxAnswers boxes;
    EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    FreeProject(p);
}

// Neither part is taken for the damaged one: the message says they
// disagree, with both counts, as every shapefile reader says it.
TEST(ProjectFile, TileIndexWithMoreShapesThanRecordsIsRefusedWithBothCounts)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    WriteTileIndex(folder, std::vector<int>(10, 5), 9);   // ten shapes, nine records
    BoxAnswers boxes;
    EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              Formatted(kShapefileCountsDifferFormat, "The table (.dbf) holds 9 records for 10 shapes.", "p_tiles.dbf"));
    FreeProject(p);
}

TEST(ProjectFile, ATileIndexOfAnotherShapeTypeOrMissingIsRefused)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    std::string shp = folder + "p_tiles.shp";
    {
        ShapeGroupWriter w;
        ASSERT_TRUE(BeginShapeGroup(&w, shp.c_str()) && CreateGroupShapes(&w, shp.c_str(), SHAPE_POINT) >= 0);
        ASSERT_EQ(CommitShapeGroup(&w, true), 1);
    }
    {
        BoxAnswers boxes;
        EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kProjectNotPolygonFile, "p_tiles.shp"));
    }
    DeleteFileA(shp.c_str());
    DeleteFileA((folder + "p_tiles.shx").c_str());
    BoxAnswers boxes;
    EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kProjectOpenReadFailed, "p_tiles.shp"));
    FreeProject(p);
}

TEST(ProjectFile, TileNamesThatReachOutsideTheDataFolderAreRefused)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    for (const char* name : {"..\\..\\system.las", "C:\\other.las", "", "sub/tile.las"}) {
        SetTileName(p->path, 1, name);
        BoxAnswers boxes;
        EXPECT_EQ(ReadProjectFile(p->path, "p.lep"), nullptr) << name;
        ASSERT_EQ(boxes.shown().size(), 1u);
        const std::string& text = boxes.shown()[0].text;
        EXPECT_EQ(text.rfind(Formatted(kProjectAppearsCorrupt, "p_tiles.dbf"), 0), 0u) << text;
        EXPECT_NE(text.find("Record 2"), std::string::npos) << text;
    }
    FreeProject(p);
}

// What the read would refuse or trim, the save refuses before it writes: the
// files saved before stay as they were.
TEST(ProjectFile, TileNamesTheReadWouldNotGiveBackAreNotSaved)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    Bytes before = ReadBytes(ChangeFileExtension(p->path, "_tiles.dbf"));
    char kept[260];
    strcpy(kept, p->tiles[1]->name);
    for (const char* name : {"..\\x.las", "C:\\other.las", "sub/tile.las", "", " tile.las", "tile.las "}) {
        strcpy(p->tiles[1]->name, name);
        BoxAnswers boxes;
        EXPECT_EQ(WriteProjectFile(p), 0) << name;
        ASSERT_EQ(boxes.shown().size(), 1u) << name;
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kTileNameUnsavableFormat, name));
        EXPECT_TRUE(ReadBytes(ChangeFileExtension(p->path, "_tiles.dbf")) == before) << name;
    }
    strcpy(p->tiles[1]->name, kept);
    EXPECT_EQ(WriteProjectFile(p), 1);
    FreeProject(p);
}

TEST(ProjectFile, AFailedSaveKeepsTheOldFilesAndLeavesTheProjectUnsaved)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    const std::string names[5] = {"p_tiles.shp", "p_tiles.shx", "p_tiles.dbf", "p_tiles.cpg", "p.lep"};
    Bytes before[5];
    for (int k = 0; k < 5; k++) before[k] = ReadBytes(folder + names[k]);
    snprintf(p->description, sizeof p->description, "changed");
    p->tiles[0]->editStatus = 1;
    // Another program holds the tile index, or the project table, which is
    // replaced last: the new files cannot take the old ones' place, and none
    // of the four may change, or the table and its index would not match.
    for (const char* heldName : {"p_tiles.shp", "p.lep"}) {
        p->saved = 0;
        HANDLE held = CreateFileA((folder + heldName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        {
            BoxAnswers boxes;
            EXPECT_EQ(WriteProjectFile(p), 0) << heldName;
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, Formatted(kProjectWriteFailed, "p.lep"));
        }
        CloseHandle(held);
        EXPECT_EQ(p->saved, 0);
        for (int k = 0; k < 5; k++) EXPECT_TRUE(ReadBytes(folder + names[k]) == before[k]) << heldName << " " << names[k];
        std::vector<std::string> files = FolderFiles(folder);
        EXPECT_EQ(files.size(), 8u) << heldName;   // no temporary file left behind
    }
    // A full disk in the table, in the tile index, or while closing it.
    for (int nth : {1, 4, 9}) {
        p->saved = 0;
        BoxAnswers boxes;
        SetWriteFaultAt(nth);
        EXPECT_EQ(WriteProjectFile(p), 0) << nth;
        SetWriteFaultAt(0);
        EXPECT_EQ(boxes.shown().size(), 1u) << nth;
        for (int k = 0; k < 5; k++) EXPECT_TRUE(ReadBytes(folder + names[k]) == before[k]) << nth << " " << names[k];
        EXPECT_EQ(FolderFiles(folder).size(), 8u) << nth;
    }
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q->description, "Survey block 7");
    FreeProject(q);

    // A folder that does not exist: nothing can be opened for writing.
    snprintf(p->path, sizeof p->path, "%smissing\\p.lep", folder.c_str());
    BoxAnswers boxes;
    EXPECT_EQ(WriteProjectFile(p), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kProjectOpenWriteFailed, p->path));
    EXPECT_EQ(p->saved, 0);
    FreeProject(p);
}

// A disk that fills at any write of a save: the message says the write
// failed, naming the part whose write failed (the tile index's shapes or its
// table), or the save as a whole when the files were written but do not read
// back; none says a file could not be opened.
TEST(ProjectFile, AFullDiskNamesThePartWhoseWriteFailed)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    std::set<std::string> named;
    for (int nth = 1;; nth++) {
        ASSERT_LT(nth, 200);
        BoxAnswers boxes;
        SetWriteFaultAt(nth);
        int written = WriteProjectFile(p);
        SetWriteFaultAt(0);
        if (written) break;   // past the last write
        ASSERT_EQ(boxes.shown().size(), 1u) << nth;
        named.insert(boxes.shown()[0].text);
        EXPECT_EQ(FolderFiles(folder).size(), 3u) << nth;   // the tiles alone: nothing written stays
    }
    // Every part opened: a failed write is named as one, never as a failed open.
    const std::set<std::string> parts = {Formatted(kProjectWriteFailed, "p_tiles.shp"),
                                         Formatted(kProjectWriteFailed, "p_tiles.dbf"),
                                         Formatted(kProjectWriteFailed, "p.lep")};
    EXPECT_EQ(named, parts);
    FreeProject(p);
}

// The message naming the tiles of the records (from 1) kept without an outline.
static std::string WithoutOutline(const std::vector<std::pair<const char*, int>>& tiles)
{
    char text[400];
    snprintf(text, sizeof text, kTilesWithoutOutlineFormat, (int)tiles.size());
    std::string all = text;
    for (const auto& t : tiles) {
        snprintf(text, sizeof text, kTileRecordLineFormat, t.first, t.second);
        all += text;
    }
    return all;
}

// Index shapes without an area (a ring of 3 points, a shape without any) keep
// their tiles without an outline, named in one message, and a save writes
// them again: no tile is lost on the next save.
TEST(ProjectFile, ShapesWithoutAnAreaKeepTheirTilesWithoutAnOutline)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    ASSERT_EQ(WriteProjectFile(p), 1);
    WriteTileIndex(folder, {5, 3, 0, 5}, 4);
    for (int save = 0; save < 2; save++) {
        BoxAnswers boxes;
        Project* q = ReadProjectFile(p->path, "p.lep");
        ASSERT_NE(q, nullptr) << save;
        ASSERT_EQ(q->tileCount, 4) << save;
        EXPECT_NE(q->tiles[0]->boundary, nullptr);
        EXPECT_EQ(q->tiles[1]->boundary, nullptr);
        EXPECT_EQ(q->tiles[2]->boundary, nullptr);
        EXPECT_STREQ(q->tiles[2]->name, "tile0.las");
        EXPECT_EQ(q->maxX, 1100.0);   // the outlined tiles alone
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, WithoutOutline({{"tile0.las", 2}, {"tile0.las", 3}}));
        EXPECT_EQ(WriteProjectFile(q), 1);
        FreeProject(q);
    }
    FreeProject(p);
}

// The tile's four outline corners: (x0, y0), (x0, y1), (x1, y1), (x1, y0).
static void SetOutline(ProjectTile* tile, double x0, double y0, double x1, double y1)
{
    RingVertex* v = tile->boundary->contour[0].vertex;
    v[0] = {x0, y0};
    v[1] = {x0, y1};
    v[2] = {x1, y1};
    v[3] = {x1, y0};
}

// An index written with a tile that spans the plane (from a header without
// bounds) reads back with that tile kept without an outline, naming it; the
// project's extent stays real.
TEST(ProjectFile, TilesWithUnusableOutlinesStayWithoutOne)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    SetOutline(p->tiles[1], 3.37e38, 3.37e38, -3.37e38, -3.37e38);
    ASSERT_EQ(WriteProjectFile(p), 1);
    BoxAnswers boxes;
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    ASSERT_EQ(q->tileCount, 3);
    EXPECT_EQ(q->tiles[1]->boundary, nullptr);
    EXPECT_EQ(q->tiles[1]->activeStatus, TILE_AVAILABLE);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, WithoutOutline({{"tile1.las", 2}}));
    EXPECT_LT(q->maxX, 2000.0);
    EXPECT_GT(q->minX, 999.0);
    FreeProject(q);
    FreeProject(p);
}

// What a save writes, the next open reads: names with separators, quotes
// and Latin-1 bytes, outlines at +-1e9. An outline with a corner that is no
// number is written as none, so the project opens with that tile kept
// without an outline instead of being refused whole.
TEST(ProjectFile, ExtremeTilesReadAgainAndACornerThatIsNoNumberLosesOnlyItsOutline)
{
    std::string folder = TempDir();
    Project* p = SavedProject(folder, "p.lep");
    const char* name = "M\xC3\xBCller, tile 'a' #1;x.las";
    snprintf(p->tiles[0]->name, sizeof p->tiles[0]->name, "%s", name);
    SetOutline(p->tiles[1], -1e9, -1e9, 1e9, 1e9);
    p->tiles[2]->boundary->contour[0].vertex[2].x = NAN;
    ASSERT_EQ(WriteProjectFile(p), 1);
    BoxAnswers boxes;
    Project* q = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(q, nullptr);
    ASSERT_EQ(q->tileCount, 3);
    EXPECT_STREQ(q->tiles[0]->name, name);
    ASSERT_NE(q->tiles[1]->boundary, nullptr);
    EXPECT_EQ(q->tiles[1]->boundary->contour[0].vertex[2].x, 1e9);
    EXPECT_EQ(q->tiles[1]->minY, -1e9);
    EXPECT_EQ(q->tiles[2]->boundary, nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, WithoutOutline({{"tile2.las", 3}}));
    FreeProject(q);
    FreeProject(p);
}

// Where the program speaks 1252, a project's description, data folder and
// tile names shown with "?" are saved in their letters beside a tile renamed
// there; a tile shown as "??????.las" is judged by its letters, no wildcard.
// A tile index declared 1251 keeps its letters too.
TEST(ProjectFile, LettersThisWindowsCannotShowAreSavedAsTheyWereRead)
{
    std::string folder = TempDir(), data = folder + kRussianUTF8 + "\\";
    const std::string description = std::string(kBenchmarkUTF8) + " " + kEteUTF8;
    const std::vector<std::string> names = {kRussianUTF8 + std::string(".las"), kEteUTF8 + std::string(".las"),
                                            "Caf\xc3\xa9.las"};
    ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
    Project* p = SavedProject(folder, "p.lep");
    snprintf(p->description, sizeof p->description, "%s", description.c_str());
    snprintf(p->dataFolder, sizeof p->dataFolder, "%s", data.c_str());
    for (int i = 0; i < 3; i++) {
        if (i < 2) snprintf(p->tiles[i]->name, sizeof p->tiles[i]->name, "%s", names[i].c_str());
        ASSERT_TRUE(MakeTileLAS(data + names[i], 1000.0 + 100.0 * i, 5000.0, 100.0));
    }
    ASSERT_EQ(WriteProjectFile(p), 1);
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes({IDNO});   // the folder this Windows cannot name is kept
        Project* q = ReadProjectFile(p->path, "p.lep");
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(std::count_if(boxes.shown().begin(), boxes.shown().end(),
                                [](const ShownBox& b) { return b.text == UnshownLettersWarning(3); }), 1);
        EXPECT_EQ(std::string(q->description), "????? 1 " + std::string(kEte1252));
        EXPECT_EQ(std::string(q->dataFolder), folder + "??????\\");
        ASSERT_EQ(q->tileCount, 3);
        EXPECT_STREQ(q->tiles[0]->name, "??????.las");
        EXPECT_EQ(std::string(q->tiles[1]->name), kEte1252 + std::string(".las"));
        snprintf(q->tiles[2]->name, sizeof q->tiles[2]->name, "Caf\xe9.las");
        EXPECT_EQ(WriteProjectFile(q), 1);
        FreeProject(q);
    }
    BoxAnswers none;
    Project* back = ReadProjectFile(p->path, "p.lep");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->description, description);
    EXPECT_EQ(back->dataFolder, data);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(back->tiles[i]->name, names[i]);
        EXPECT_EQ(back->tiles[i]->activeStatus, TILE_AVAILABLE) << i;
    }
    FreeProject(back);
    EXPECT_EQ(OGRTextCells(folder + "p_tiles.shp", "FILENAME"), names);
    ASSERT_TRUE(CopyFileA(p->path, (folder + "lep.dbf").c_str(), FALSE));
    EXPECT_EQ(OGRTextCells(folder + "lep.dbf", "DESCRIP"), std::vector<std::string>{description});
    EXPECT_EQ(OGRTextCells(folder + "lep.dbf", "DATADIR"), std::vector<std::string>{data});
    FreeProject(p);

    Project* russian = SavedProject(folder, "r.lep");
    snprintf(russian->tiles[0]->name, sizeof russian->tiles[0]->name, "%s.las", kRussian1251);
    ASSERT_EQ(WriteProjectFile(russian), 1);
    ASSERT_TRUE(DeclareTable(folder + "r_tiles.dbf", 0x57, "1251"));
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes;
        Project* q = ReadProjectFile(russian->path, "r.lep");
        ASSERT_NE(q, nullptr);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(1)));
        EXPECT_EQ(WriteProjectFile(q), 1);
        FreeProject(q);
    }
    EXPECT_EQ(OGRTextCells(folder + "r_tiles.shp", "FILENAME"),
              (std::vector<std::string>{names[0], "tile1.las", "tile2.las"}));
    FreeProject(russian);
}
