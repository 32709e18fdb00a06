// The AOI shapefile: a set saved through the dialogs and read back with OGR
// and with the program's loader, failed saves that keep the earlier file,
// and the files the loader refuses or reads with missing fields.
#include "window_fixtures.h"
#include "layer_test_files.h"
#include "point_sets.h"
#include "las_test_files.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/file_dialog.h"
#include "base/polygon.h"
#include "gis/layers/aoi_file.h"
#include "gis/layers/aoi_set.h"
#include "gis/layers/aoi_shapefile.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "base/shape_io.h"
#include <cmath>

namespace {

std::string presetFile;
std::string nextAnswer;
int HookSave(OPENFILENAMEA* ofn, int)
{
    presetFile = ofn->lpstrFile;
    if (nextAnswer.empty()) return 0;
    snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", nextAnswer.c_str());
    snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", strrchr(nextAnswer.c_str(), '\\') + 1);
    return 1;
}

std::vector<double> V(double x, double y, double z = 0) { return {x, y, z}; }

class AOIFileTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        std::vector<PointRecord> points;
        for (int i = 0; i <= 10; i++)
            for (int j = 0; j <= 10; j++) points.push_back(MakePoint(j * 10.0, i * 10.0, (float)(100 + j)));
        view = OpenView({MakePointDataSet(points)}, 300, 300, "area.las");
        r = Record(view);
        snprintf(r->currentDataSet->title, sizeof r->currentDataSet->title, "area.las");
    }
    void TearDown() override
    {
        SetFileDialogHook(nullptr);
        if (r && r->aoiSet) r->aoiSet->saved = 1;
        ViewFixture::TearDown();
    }
    void Add(std::vector<std::pair<double, double>> corners)
    {
        struct Polyline* line = CreatePolyline(0);
        for (auto& c : corners) {
            Vec3 v = {c.first, c.second, 0};
            AddPolylineVertex(line, &v);
        }
        AddAOIPolygon(view, line);
        FreePolyline(line);
    }
    struct Polyline* Polygon(int i) const { return r->aoiSet->lines->items[i]; }

    HWND view = nullptr;
    ViewRecord* r = nullptr;
};

}  // namespace

TEST_F(AOIFileTest, SavedPolygonsReadBackWithTheirFieldsAndLoadAgain)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    Add({{50, 50}, {60, 50}, {60, 60}});
    Add({{70, 10}, {90, 10}, {90, 30}, {70, 30}});
    // Cyrillic and accented letters: the .cpg tells other programs the table holds UTF-8.
    const char* comment = "first \xd0\xbf\xd0\xb5\xd1\x80\xd0\xb2\xd1\x8b\xd0\xb9 \xc3\xa9t\xc3\xa9";
    snprintf(Polygon(0)->comment, 256, "%s", comment);
    Polygon(1)->deleted = 1;
    Polygon(2)->type = 3;
    Polygon(2)->color = 0x00FF00;
    std::string path = TempPath("area_aoi.shp");
    nextAnswer = path;
    SetFileDialogHook(HookSave);
    ASSERT_EQ(SaveAOIFile(view), 1);
    EXPECT_EQ(presetFile, "area_aoi.shp");
    EXPECT_EQ(r->aoiSet->saved, 1);
    EXPECT_STREQ(r->aoiSet->title, "area_aoi.shp");
    EXPECT_STREQ(GetLastLogLine(), "AOI Save Polygons:  2");

    ReadAOIFile file = ReadAOIWithOGR(path);
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.fieldNames, (std::vector<std::string>{"AOI_INDEX", "COMMENT", "COLOR"}));
    EXPECT_EQ(file.fieldWidths, (std::vector<int>{10, 255, 10}));
    EXPECT_EQ(file.geometryType, "Polygon");
    ASSERT_EQ(file.features.size(), 2u);
    EXPECT_EQ(file.features[0].index, 0);
    EXPECT_EQ(file.features[0].comment, comment);
    EXPECT_EQ(file.features[0].colour, 0xFF00FF);
    ASSERT_EQ(file.features[0].ring.size(), 4u);   // the closing vertex is written
    EXPECT_EQ(file.features[0].ring[1], std::make_pair(40.0, 10.0));
    EXPECT_EQ(file.features[1].index, 3);
    EXPECT_EQ(file.features[1].colour, 0x00FF00);

    // A named set is saved again without a dialog; then loaded into a new set.
    SetFileDialogHook(nullptr);
    Polygon(0)->type = 50;   // no type of the table has this index
    r->aoiSet->saved = 0;
    EXPECT_EQ(SaveAOIFile(view), 1);
    FileDialogAnswers files({path});
    ASSERT_EQ(LoadAOIFile(view), 1);
    EXPECT_EQ(files.captions().at(0), "Load AOI File");
    ASSERT_EQ(r->aoiSet->lines->count, 2);
    EXPECT_STREQ(GetLastLogLine(), "AOI Load Polygons:  2");
    EXPECT_EQ(r->aoiSet->saved, 1);
    EXPECT_STREQ(r->aoiSet->title, "area_aoi.shp");
    EXPECT_EQ(Polygon(0)->typePosition, -1);
    EXPECT_EQ(Polygon(1)->typePosition, 3);
    EXPECT_STREQ(Polygon(0)->comment, comment);
    EXPECT_EQ(Polygon(1)->color, 0x00FF00u);
    EXPECT_EQ(Polygon(0)->vertexCount, 4);
    EXPECT_EQ(Polygon(0)->closed, 1);
    EXPECT_NE(Polygon(0)->ring, nullptr);
    EXPECT_EQ(Polygon(0)->vertices[1].z, 104.0f);   // the point at (40, 10)
}

// The save dialog adds no extension: a name without one, or with the
// table's, still puts the shapes in ".shp", saved again in place and reopened
// by either name.
TEST_F(AOIFileTest, ANameWithoutShpOrWithTheTablesExtensionSavesWholeShapefiles)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    Add({{50, 50}, {60, 50}, {60, 60}});
    for (const char* name : {"bare_aoi", "table_aoi.dbf"}) {
        std::string given = TempPath(name), base = given.substr(0, given.find(".dbf"));
        FileDialogAnswers files({given});
        ASSERT_EQ(SaveAOIFileAs(view), 1) << name;
        Add({{70, 70}, {80, 70}, {80, 80}});
        ASSERT_EQ(SaveAOIFile(view), 1) << name;
        if (!strchr(name, '.')) {   // no shapes under the bare name
            EXPECT_EQ(GetFileAttributesA(given.c_str()), INVALID_FILE_ATTRIBUTES) << name;
        }
        EXPECT_EQ(ReadAOIWithOGR(base + ".shp").features.size(), (size_t)r->aoiSet->lines->count) << name;
        for (const std::string& path : {given, base + ".shp"}) {
            BoxAnswers boxes;
            AOISet* again = LoadAOIShapefile(path.c_str(), name);
            ASSERT_NE(again, nullptr) << path;
            EXPECT_EQ(again->lines->count, r->aoiSet->lines->count) << path;
            EXPECT_TRUE(boxes.shown().empty()) << path;
            FreeReferenceFile(again);
        }
    }
}

TEST_F(AOIFileTest, AFailedSaveKeepsTheEarlierFileAndTheSetUnsaved)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    Add({{50, 50}, {60, 50}, {60, 60}});
    std::string path = TempPath("kept_aoi.shp");
    FileDialogAnswers files({path});
    ASSERT_EQ(SaveAOIFileAs(view), 1);
    Add({{70, 70}, {80, 70}, {80, 80}});
    // A full disk at the first write (the shapes' header: the write cannot
    // start) or later: the earlier file stays and no temporary file is left.
    Bytes before = ReadBytes(path);
    for (int nth : {1, 3}) {
        BoxAnswers boxes;
        SetWriteFaultAt(nth);
        EXPECT_EQ(SaveAOIFile(view), 0);
        SetWriteFaultAt(0);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(nth == 1 ? kAOIShapeCreateFailed : kAOIWriteFailed, "kept_aoi.shp")));
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
        EXPECT_EQ(ReadBytes(path), before);
    }
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
    EXPECT_EQ(r->aoiSet->saved, 0);
    EXPECT_EQ(ReadAOIWithOGR(path).features.size(), 2u);
    // Cancelling "Save As" keeps the name the set had.
    FileDialogAnswers cancel({""});
    EXPECT_EQ(SaveAOIFileAs(view), 0);
    EXPECT_STREQ(r->aoiSet->title, "kept_aoi.shp");
}

// A part of the earlier file that cannot be replaced (held open elsewhere)
// fails the save as a whole: the parts on disk stay the earlier ones, shapes
// and table alike.
TEST_F(AOIFileTest, APartThatCannotBeReplacedKeepsTheWholeEarlierFile)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    Add({{50, 50}, {60, 50}, {60, 60}});
    std::string path = TempPath("held_aoi.shp");
    FileDialogAnswers files({path});
    ASSERT_EQ(SaveAOIFileAs(view), 1);
    Add({{70, 70}, {80, 70}, {80, 80}});
    std::string table = path.substr(0, path.size() - 4) + ".dbf";
    HANDLE held = CreateFileA(table.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        BoxAnswers boxes;
        EXPECT_EQ(SaveAOIFile(view), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kAOIWriteFailed, "held_aoi.shp")));
    }
    CloseHandle(held);
    EXPECT_EQ(r->aoiSet->saved, 0);
    {
        BoxAnswers boxes;   // a mix of new shapes and the old table would be refused here
        AOISet* earlier = LoadAOIShapefile(path.c_str(), "held_aoi.shp");
        ASSERT_NE(earlier, nullptr);
        EXPECT_EQ(earlier->lines->count, 2);
        FreeReferenceFile(earlier);
    }
    EXPECT_EQ(ReadAOIWithOGR(path).features.size(), 2u);
    EXPECT_EQ(GetFileAttributesA((path + "~old").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SaveAOIFile(view), 1);
    EXPECT_EQ(ReadAOIWithOGR(path).features.size(), 3u);
}

TEST_F(AOIFileTest, AnEmptyListIsRefusedAndAllDeletedPolygonsSaveNone)
{
    {
        BoxAnswers boxes;
        EXPECT_EQ(SaveAOIFile(view), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, kAOIListEmpty));
    }
    Add({{10, 10}, {40, 10}, {40, 40}});
    Polygon(0)->deleted = 1;
    std::string path = TempPath("none_aoi.shp");
    FileDialogAnswers files({path});
    EXPECT_EQ(SaveAOIFile(view), 1);
    EXPECT_STREQ(GetLastLogLine(), "AOI Save Polygons:  0");
    EXPECT_EQ(ReadAOIWithOGR(path).features.size(), 0u);
}

TEST_F(AOIFileTest, LoadRefusesOtherFilesAndReadsMissingFieldsAsEmpty)
{
    std::string arcs = TempPath("arcs.shp");
    ASSERT_TRUE(WriteTestShapefile(arcs, SHAPE_ARC, {TestShape{{{V(0, 0), V(1, 1)}}}}));
    std::string untyped = TempPath("untyped.shp");
    ASSERT_TRUE(WriteTestShapefile(untyped, SHAPE_POLYGON, {TestShape{{{V(0, 0), V(9, 0), V(9, 9), V(0, 0)}}}}));
    std::string bare = TempPath("bare.shp");
    ASSERT_TRUE(WriteTestShapefile(bare, SHAPE_POLYGONZ,
                                   {TestShape{{{V(20, 20, 7), V(50, 20, 7), V(50, 50, 7), V(20, 20, 7)}}}, TestShape{}}, false));
    ASSERT_TRUE(WriteTestAOITable(bare, {2, 50}, false, false));
    std::string shortTable = TempPath("short.shp");
    ASSERT_TRUE(WriteTestShapefile(shortTable, SHAPE_POLYGON, {TestShape{{{V(0, 0), V(9, 0), V(9, 9), V(0, 0)}}}, TestShape{}}, false));
    ASSERT_TRUE(WriteTestAOITable(shortTable, {1}, true, true));
    {
        BoxAnswers boxes;
        EXPECT_EQ(LoadAOIShapefile(arcs.c_str(), "arcs.shp"), nullptr);
        EXPECT_EQ(LoadAOIShapefile(untyped.c_str(), "untyped.shp"), nullptr);
        EXPECT_EQ(LoadAOIShapefile(shortTable.c_str(), "short.shp"), nullptr);
        ASSERT_EQ(boxes.shown().size(), 3u);
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kAOINotPolygons, "arcs.shp"));
        EXPECT_EQ(boxes.shown()[1].text, Formatted(kAOIIndexMissing, "untyped.dbf"));
        EXPECT_EQ(boxes.shown()[2].text, "The parts of the shape file disagree on the number of records. The table (.dbf) holds 1 "
                                           "record for 2 shapes.\n    short.dbf\n");
    }
    // A cancelled dialog changes nothing; a refused file keeps the old set.
    AOISet* before = r->aoiSet;
    {
        FileDialogAnswers files({"", arcs});
        BoxAnswers boxes;
        EXPECT_EQ(LoadAOIFile(view), 1);
        EXPECT_EQ(LoadAOIFile(view), 0);
        EXPECT_EQ(r->aoiSet, before);
    }
    FileDialogAnswers files({bare});
    ASSERT_EQ(LoadAOIFile(view), 1);
    ASSERT_EQ(r->aoiSet->lines->count, 2);
    EXPECT_STREQ(Polygon(0)->comment, "");
    EXPECT_EQ(Polygon(0)->color, 0u);
    EXPECT_EQ(Polygon(0)->type, 2);
    EXPECT_EQ(Polygon(0)->typePosition, 2);
    EXPECT_EQ(Polygon(0)->vertices[1].z, 105.0f);   // the file's Z gives way to the point at (50, 20)
    EXPECT_EQ(Polygon(1)->vertexCount, 0);          // a null shape is an empty polygon
    EXPECT_EQ(Polygon(1)->typePosition, -1);
    // The empty polygon is neither picked nor drawn nor lost on a save.
    r->mouseX = 5;
    r->mouseY = 5;
    EXPECT_EQ(FindAOIPolygonAtCursor(view), -1);
    InvalidateView(view, 1);
    EXPECT_TRUE(WaitForCachedDraw(view, 20000));
    std::string again = TempPath("again_aoi.shp");
    FileDialogAnswers save({again});
    EXPECT_EQ(SaveAOIFileAs(view), 1);
    EXPECT_EQ(ReadAOIWithOGR(again).features.size(), 2u);
}

TEST_F(AOIFileTest, LoadingOverUnsavedPolygonsAsksFirst)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    BoxAnswers boxes({IDCANCEL});
    FileDialogAnswers files({});
    EXPECT_EQ(SendMessageA(view, WM_COMMAND, CMD_LOAD_AOI, 0), 0);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(files.calls(), 0);
    EXPECT_EQ(r->aoiSet->lines->count, 1);
}

// What a save writes, the load gives back: a comment of 255 characters with
// separators, quotes, tabs and accented letters, corners at +-1e9. A corner the
// load would refuse (beyond 1e10, the double limit, no number) fails the save
// by the polygon's number and keeps the earlier file.
TEST_F(AOIFileTest, ExtremePolygonsLoadAgainOrTheSaveRefusesThemByNumber)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    Add({{50, 50}, {60, 50}, {60, 60}});
    std::string comment(255, 'c');
    comment.replace(0, 14, "x,\t\"q\";|\xC3\xA9\xC3\xBF");
    snprintf(Polygon(1)->comment, 256, "%s", comment.c_str());
    for (int k = 0; k < Polygon(1)->vertexCount; k++) {
        Polygon(1)->vertices[k].x = k % 2 ? 1e9 : -1e9;
        Polygon(1)->vertices[k].y = k % 2 ? -1e9 : 1e9;
    }
    std::string path = TempPath("extreme_aoi.shp");
    snprintf(r->aoiSet->path, sizeof r->aoiSet->path, "%s", path.c_str());
    snprintf(r->aoiSet->title, sizeof r->aoiSet->title, "extreme_aoi.shp");
    ASSERT_EQ(SaveAOIShapefile(r->aoiSet), 1);
    auto loaded = [&](std::vector<Vec3>* corners) {
        BoxAnswers boxes;
        AOISet* back = LoadAOIShapefile(path.c_str(), "extreme_aoi.shp");
        if (!back) return std::string("refused");
        std::string text = back->lines->items[1]->comment;
        const struct Polyline* p = back->lines->items[1];
        if (corners) corners->assign(p->vertices, p->vertices + p->vertexCount);
        FreeReferenceFile(back);
        return text;
    };
    std::vector<Vec3> corners;
    EXPECT_EQ(loaded(&corners), comment);
    ASSERT_EQ((int)corners.size(), Polygon(1)->vertexCount);
    for (size_t k = 0; k < corners.size(); k++) {
        EXPECT_EQ(corners[k].x, Polygon(1)->vertices[k].x);
        EXPECT_EQ(corners[k].y, Polygon(1)->vertices[k].y);
    }
    for (double bad : {2e10, -1.7976931348623157e308, (double)NAN}) {
        Polygon(1)->vertices[1].y = bad;
        BoxAnswers boxes;
        EXPECT_EQ(SaveAOIShapefile(r->aoiSet), 0) << bad;
        ASSERT_EQ(boxes.shown().size(), 1u);
        char refused[700];
        snprintf(refused, sizeof refused, kAOIPolygonOffMapFormat, 2, "extreme_aoi.shp");
        EXPECT_EQ(boxes.shown()[0].text, refused);
        EXPECT_EQ(loaded(nullptr), comment) << bad;
    }
    Polygon(1)->deleted = 1;   // not written, so the rest save
    EXPECT_EQ(SaveAOIShapefile(r->aoiSet), 1);
}

// The same room for AOI sets: one over the limit is refused naming the
// folder's length and the limit.
TEST_F(AOIFileTest, AFolderWithoutRoomForTheReplaceIsNamedWithItsLimit)
{
    Add({{10, 10}, {40, 10}, {40, 40}});
    for (size_t units : {LongestTempFolder(kLongestGroupSuffix), LongestTempFolder(kLongestGroupSuffix) + 1}) {
        std::string path = MakeFolderOfUnits(units, "d") + "a_aoi.shp";
        snprintf(r->aoiSet->path, sizeof r->aoiSet->path, "%s", path.c_str());
        snprintf(r->aoiSet->title, sizeof r->aoiSet->title, "a_aoi.shp");
        bool fits = units == LongestTempFolder(kLongestGroupSuffix);
        BoxAnswers boxes;
        EXPECT_EQ(SaveAOIShapefile(r->aoiSet), fits ? 1 : 0) << units;
        if (fits) EXPECT_TRUE(boxes.shown().empty()) << units;
        else EXPECT_TRUE(ShowedOneBox(boxes, TempFolderTooLongMessage(path, kLongestGroupSuffix))) << units;
    }
}

// Where the program speaks 1252, comments it shows with "?" are saved in the
// letters they were read with beside one edited there; so are a table's
// declared 1251.
TEST_F(AOIFileTest, CommentsThisWindowsCannotShowAreSavedAsTheyWereRead)
{
    const char* comments[] = {kRussianUTF8, kEteUTF8, "plain"};
    for (const char* comment : comments) {
        Add({{10, 10}, {40, 10}, {40, 40}});
        snprintf(Polygon(r->aoiSet->lines->count - 1)->comment, kAOICommentBytes, "%s", comment);
    }
    std::string path = TempPath("letters_aoi.shp");
    nextAnswer = path;
    SetFileDialogHook(HookSave);
    ASSERT_EQ(SaveAOIFile(view), 1);
    SetFileDialogHook(nullptr);
    auto resave = [&](const char* secondShown, unsigned unshown) {
        ProgramCodePageIs western(1252);
        FileDialogAnswers files({path});
        BoxAnswers boxes;
        ASSERT_EQ(LoadAOIFile(view), 1);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(unshown)));
        EXPECT_STREQ(Polygon(0)->comment, "??????");
        EXPECT_STREQ(Polygon(1)->comment, secondShown);
        snprintf(Polygon(2)->comment, kAOICommentBytes, "Caf\xe9");
        r->aoiSet->saved = 0;
        EXPECT_EQ(SaveAOIFile(view), 1);
    };
    resave(kEte1252, 1);
    std::vector<std::string> expected = {kRussianUTF8, kEteUTF8, "Caf\xc3\xa9"};
    EXPECT_EQ(OGRTextCells(path, "COMMENT"), expected);
    FileDialogAnswers files({path});
    ASSERT_EQ(LoadAOIFile(view), 1);
    for (int i = 0; i < 3; i++) EXPECT_EQ(Polygon(i)->comment, expected[i]);

    // A table declared 1251 holds no "É".
    for (int i : {0, 1, 2}) snprintf(Polygon(i)->comment, kAOICommentBytes, "%s", i < 2 ? kRussian1251 : "plain");
    r->aoiSet->saved = 0;
    ASSERT_EQ(SaveAOIFile(view), 1);
    ASSERT_TRUE(DeclareTable(TempPath("letters_aoi.dbf"), 0xC9, nullptr));
    resave("??????", 2);
    expected[1] = kRussianUTF8;
    EXPECT_EQ(OGRTextCells(path, "COMMENT"), expected);
}
