// The POI shapefile reader on files it must refuse or trim, and the writer
// when its writes fail.
#include "test_support.h"
#include "las_test_files.h"
#include "layer_test_files.h"
#include "shell/frame.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "app/layer_sets.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "base/shape_io.h"
#include <cmath>
#include <cstring>
#include <functional>

namespace {

struct Field {
    const char* name;
    int type;
    int width;
};

// Writes row `row` of the table `table` of the save.
using RowFill = std::function<void(ShapeGroupWriter*, int table, int row)>;

// A shapefile of `shapes` points (type `type`, X = 10 i, Y = 20 i, Z = i;
// shape `nullAt` a null shape) with the fields; `fill` writes row i of the
// table, which has `rows` rows.
std::string WriteShapes(const char* name, int type, int shapes, const std::vector<Field>& fields, int rows,
                        const RowFill& fill = nullptr, int nullAt = -1)
{
    std::string path = TempPath(name);
    ShapeGroupWriter w;
    int shp = BeginShapeGroup(&w, path.c_str()) ? CreateGroupShapes(&w, path.c_str(), type) : -1;
    int dbf = CreateGroupTable(&w, (path.substr(0, path.size() - 4) + ".dbf").c_str());
    EXPECT_TRUE(shp >= 0 && dbf >= 0);
    for (const Field& f : fields) AddTableColumn(&w, dbf, f.name, f.type, f.width, 0);
    for (int i = 0; i < shapes; i++) {
        double x = 10.0 * i, y = 20.0 * i, z = i;
        AppendShape(&w, shp, i == nullAt ? SHAPE_NULL : type, i == nullAt ? 0 : 1, &x, &y, &z, i);
    }
    for (int i = 0; i < rows; i++) {
        if (fill) fill(&w, dbf, i);
        else WriteEmptyCell(&w, dbf, i, 0);
    }
    EXPECT_EQ(CommitShapeGroup(&w, true), 1) << name;
    return path;
}

const std::vector<Field> kPOIFields = {
    {"POI_INDEX", COLUMN_INTEGER, 10}, {"NAME", COLUMN_TEXT, 32}, {"COMMENT", COLUMN_TEXT, 255}, {"COLOR", COLUMN_INTEGER, 10}};

std::string FileTitleOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// The one error box a refused load showed.
std::string RefusalOf(const std::string& path)
{
    BoxAnswers boxes;
    POISet* set = LoadPOIShapefile(path.c_str(), FileTitleOf(path).c_str());
    EXPECT_EQ(set, nullptr);
    DeletePOISet(set);
    if (boxes.shown().size() != 1) return "boxes: " + std::to_string(boxes.shown().size());
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(boxes.shown()[0].type & MB_ICONMASK, (unsigned)MB_ICONERROR);
    return boxes.shown()[0].text;
}

}  // namespace

TEST(POIShapefile, FilesItCannotUseAreRefusedNamingFileAndReason)
{
    std::string junk = WriteTempFile("junk.shp", std::string(300, 'x'));
    EXPECT_EQ(RefusalOf(junk), Formatted(kPOIShapeOpenReadFailed, "junk.shp"));
    EXPECT_EQ(RefusalOf(WriteShapes("empty.shp", SHAPE_POINTZ, 0, kPOIFields, 0)),
              Formatted(kPOIShapeEmpty, "empty.shp"));
    EXPECT_EQ(RefusalOf(WriteShapes("flat.shp", SHAPE_POINT, 2, kPOIFields, 2)),
              Formatted(kPOIShapeNot3DPoints, "flat.shp"));

    std::string untabled = WriteShapes("untabled.shp", SHAPE_POINTZ, 2, kPOIFields, 2);
    DeleteFileA((untabled.substr(0, untabled.size() - 4) + ".dbf").c_str());
    EXPECT_EQ(RefusalOf(untabled), Formatted(kPOIDBFOpenReadFailed, "untabled.dbf"));

    // Fields are found by exact name and type, in the order NAME, COLOR, COMMENT.
    EXPECT_EQ(RefusalOf(WriteShapes("bare.shp", SHAPE_POINTZ, 2, {}, 0)), Formatted(kPOIMissingName, "bare.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("numname.shp", SHAPE_POINTZ, 2, {{"NAME", COLUMN_INTEGER, 5}, {"COLOR", COLUMN_INTEGER, 10}}, 2)),
              Formatted(kPOIMissingName, "numname.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("lower.shp", SHAPE_POINTZ, 2, {{"NAME", COLUMN_TEXT, 8}, {"color", COLUMN_INTEGER, 10}}, 2)),
              Formatted(kPOIMissingColor, "lower.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("nocomment.shp", SHAPE_POINTZ, 2, {{"NAME", COLUMN_TEXT, 8}, {"COLOR", COLUMN_INTEGER, 10}}, 2)),
              Formatted(kPOIMissingComment, "nocomment.dbf"));

    // A table shorter than the shape file, and a shape file cut short.
    EXPECT_EQ(RefusalOf(WriteShapes("short.shp", SHAPE_POINTZ, 3, kPOIFields, 2)),
              "The parts of the shape file disagree on the number of records. The table (.dbf) holds 2 records for 3 "
              "shapes.\n    short.dbf\n");
    std::string cut = WriteShapes("cut.shp", SHAPE_POINTZ, 3, kPOIFields, 3);
    HANDLE file = CreateFileA(cut.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, (LONG)GetFileSize(file, nullptr) - 10, nullptr, FILE_BEGIN);   // into the last record
    SetEndOfFile(file);
    CloseHandle(file);
    EXPECT_EQ(RefusalOf(cut), Formatted(kPOIShapeDamaged, "cut.shp"));
}

TEST(POIShapefile, ReaderCutsLongTextsReadsColourZeroAsRedAndKeepsNullShapesOutOfSight)
{
    std::string longName(60, 'N'), longComment(400, 'C');
    std::string path = WriteShapes("odd.shp", SHAPE_POINTZ, 3,
                                   {{"NAME", COLUMN_TEXT, 8}, {"NAME", COLUMN_TEXT, 80}, {"COMMENT", COLUMN_TEXT, 400},
                                    {"COLOR", COLUMN_INTEGER, 10}},
                                   3,
                                   [&](ShapeGroupWriter* w, int dbf, int i) {
                                       WriteTextCell(w, dbf, i, 0, "first");
                                       WriteTextCell(w, dbf, i, 1, i == 0 ? longName.c_str() : "");
                                       WriteTextCell(w, dbf, i, 2, i == 0 ? longComment.c_str() : "short");
                                       WriteIntegerCell(w, dbf, i, 3, i == 0 ? 0 : 0x00FF00);
                                   },
                                   1);   // shape 1 is a null shape

    BoxAnswers boxes;
    POISet* set = LoadPOIShapefile(path.c_str(), "odd.shp");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(set->count, 3);
    EXPECT_EQ(set->saved, 1);
    EXPECT_EQ(std::string(set->records[0].name), longName.substr(0, 31));   // the last NAME field wins
    EXPECT_EQ(std::string(set->records[0].comment), longComment.substr(0, 255));
    EXPECT_EQ(set->records[0].color, kPOIDefaultColor);
    EXPECT_EQ(set->records[2].color, (COLORREF)0x00FF00);
    EXPECT_STREQ(set->records[2].name, "");
    EXPECT_STREQ(set->records[2].comment, "short");
    EXPECT_EQ(set->records[2].x, 20.0);
    EXPECT_EQ(set->records[2].y, 40.0);
    EXPECT_EQ(set->records[2].z, 2.0f);
    EXPECT_EQ(set->records[1].deleted, 1);
    EXPECT_EQ(CountLivePOIRecords(set), 2);
    DeletePOISet(set);
}

namespace {

int MarkersIn(const std::string& path)
{
    BoxAnswers boxes;
    POISet* set = LoadPOIShapefile(path.c_str(), "keep_poi.shp");
    int count = set ? set->count : -1;
    DeletePOISet(set);
    return count;
}

}  // namespace

TEST(POIShapefile, AFailedWriteLeavesTheOldFileAndTheSetUnsaved)
{
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 2; i++) {
        POIRecord* poi = AppendPOIRecord(set);
        poi->x = i;
        strcpy(poi->name, "kept");
    }
    std::string path = TempPath("keep_poi.shp");
    strcpy(set->path, path.c_str());
    strcpy(set->title, "keep_poi.shp");
    ASSERT_EQ(SavePOIShapefile(set), 1);
    AppendPOIRecord(set);

    ShapeDiskFaults failing;
    for (int budget : {0, 150, 400, 1200}) {
        failing.budget = budget;
        SetShapeDiskFaults(&failing);
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << budget;
        ASSERT_EQ(boxes.shown().size(), 1u) << budget;
        const std::string& text = boxes.shown()[0].text;
        EXPECT_TRUE(text == Formatted(kPOIWriteFailed, "keep_poi.shp") ||
                    text == Formatted(kPOIShapeOpenWriteFailed, "keep_poi.shp"))
            << text;
        EXPECT_EQ(set->saved, 0);
        EXPECT_EQ(MarkersIn(path), 2) << budget;
        EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{}) << budget;
    }
    // Writes that were lost without a word show only when the files are read back.
    failing.lost = true;
    for (int budget : {400, 1200}) {
        failing.budget = budget;
        SetShapeDiskFaults(&failing);
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << budget;
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kPOIWriteFailed, "keep_poi.shp"))) << budget;
        EXPECT_EQ(MarkersIn(path), 2) << budget;
        EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{}) << budget;
    }
    SetShapeDiskFaults(nullptr);
    for (int nth : {1, 6, 12}) {   // a full disk anywhere in the save
        SetWriteFaultAt(nth);
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << nth;
        SetWriteFaultAt(0);
        EXPECT_EQ(MarkersIn(path), 2) << nth;
        EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{}) << nth;
    }
    ASSERT_EQ(SavePOIShapefile(set), 1);
    EXPECT_EQ(MarkersIn(path), 3);

    // A folder that is not there: nothing is written anywhere.
    std::string missing = TempPath("missing\\keep_poi.shp");
    strcpy(set->path, missing.c_str());
    set->saved = 0;
    BoxAnswers boxes;
    EXPECT_EQ(SavePOIShapefile(set), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kPOIShapeOpenWriteFailed, "keep_poi.shp")));
    EXPECT_EQ(set->saved, 0);
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
    DeletePOISet(set);
}

TEST(POIShapefile, ATargetThatCannotBeReplacedLeavesAllThreeOldFiles)
{
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 2; i++) AppendPOIRecord(set)->x = i;
    std::string path = TempPath("locked_poi.shp");
    std::string dbf = TempPath("locked_poi.dbf");
    strcpy(set->path, path.c_str());
    strcpy(set->title, "locked_poi.shp");
    ASSERT_EQ(SavePOIShapefile(set), 1);
    AppendPOIRecord(set);
    // The table alone cannot be replaced, because another program has it open
    // or it is read-only: the shapes must not be replaced either, or the three
    // files would no longer belong together.
    for (int readOnly = 0; readOnly < 2; readOnly++) {
        HANDLE open = INVALID_HANDLE_VALUE;
        if (readOnly) ASSERT_TRUE(SetFileAttributesA(dbf.c_str(), FILE_ATTRIBUTE_READONLY));
        else open = CreateFileA(dbf.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_TRUE(readOnly || open != INVALID_HANDLE_VALUE);
        std::vector<std::string> shown;
        {
            BoxAnswers boxes;
            EXPECT_EQ(SavePOIShapefile(set), 0) << readOnly;
            for (const auto& box : boxes.shown()) shown.push_back(box.text);
        }
        if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
        SetFileAttributesA(dbf.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(shown, std::vector<std::string>{ Formatted(kPOIWriteFailed, "locked_poi.shp") }) << readOnly;
        EXPECT_EQ(set->saved, 0);
        EXPECT_EQ(MarkersIn(path), 2) << readOnly;
        EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{}) << readOnly;
    }
    ASSERT_EQ(SavePOIShapefile(set), 1);
    EXPECT_EQ(MarkersIn(path), 3);
    DeletePOISet(set);
}

namespace {
// The folder's files of a save as they stood when the program was "killed"
// (the journal is still held open by the replace).
std::vector<std::pair<std::string, Bytes>> atKill;
Bytes SharedBytes(const std::string& path)
{
    Bytes out(1 << 16);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    if (h != INVALID_HANDLE_VALUE) ReadFile(h, out.data(), (DWORD)out.size(), &got, nullptr), CloseHandle(h);
    out.resize(got);
    return out;
}
void KeepFolderAtKill()
{
    atKill.clear();
    for (std::string pattern : { std::string("kill_poi*"), kTempFilePrefix + std::string("*") }) {
        for (const std::string& name : FolderFiles(TempDir(), pattern))
            atKill.push_back({TempDir() + name, SharedBytes(TempDir() + name)});
    }
}
}  // namespace

// Killed between the moves of its replace, a save leaves markers.shp moved
// aside; the next load completes the replace and reads the whole new set.
TEST(POIShapefile, ALoadCompletesASaveKilledBetweenItsMoves)
{
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 2; i++) AppendPOIRecord(set)->x = i;
    std::string path = TempPath("kill_poi.shp");
    strcpy(set->path, path.c_str());
    strcpy(set->title, "kill_poi.shp");
    ASSERT_EQ(SavePOIShapefile(set), 1);
    AppendPOIRecord(set);
    SetReplaceStopAfter(1, KeepFolderAtKill);   // kill_poi.shp moved aside, nothing placed
    {
        BoxAnswers boxes;
        SavePOIShapefile(set);
    }
    SetReplaceStopAfter(-1);
    ASSERT_FALSE(atKill.empty());
    for (const auto& file : atKill) ASSERT_TRUE(WriteBytes(file.first, file.second)) << file.first;
    ASSERT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(MarkersIn(path), 3);
    // The killed save's journal of its files went with them.
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
    EXPECT_EQ(GetFileAttributesA((path + "~old").c_str()), INVALID_FILE_ATTRIBUTES);
    DeletePOISet(set);
}

// What a save writes, the load gives back: texts with separators, quotes,
// tabs and accented letters, the longest comment, coordinates of +-1e9. A
// marker the load would refuse (Z at the float limits, X no number) fails
// the save by its number and name, keeping the earlier file.
TEST(POIShapefile, ExtremeMarkersLoadAgainOrTheSaveRefusesThemByNumber)
{
    const char* names[] = {"a,b;c|d\\e/f", "say \"hi\" 'there'", "tab\there", "M\xC3\xBCller \xC3\xA9t\xC3\xA9 \xC3\xBF"};
    std::string comment(255, 'c');
    comment.replace(0, 14, "x,\t\"q\";|\xC3\xA9\xC3\xBF");
    POISet* set = NewPOISet(0);
    for (int i = 0; i < 4; i++) {
        POIRecord* poi = AppendPOIRecord(set);
        snprintf(poi->name, sizeof poi->name, "%s", names[i]);
        snprintf(poi->comment, sizeof poi->comment, "%s", comment.c_str());
        poi->x = i % 2 ? 1e9 : -1e9;
        poi->y = i % 2 ? -1e9 : 1e9;
        poi->z = i % 2 ? 1e9f : -1e9f;
        poi->color = 0x00FFFFFF;
    }
    std::string path = TempPath("extreme_poi.shp");
    strcpy(set->path, path.c_str());
    strcpy(set->title, "extreme_poi.shp");
    ASSERT_EQ(SavePOIShapefile(set), 1);
    {
        BoxAnswers boxes;
        POISet* back = LoadPOIShapefile(path.c_str(), "extreme_poi.shp");
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->count, 4);
        for (int i = 0; i < 4; i++) {
            EXPECT_STREQ(back->records[i].name, names[i]);
            EXPECT_EQ(std::string(back->records[i].comment), comment);
            EXPECT_EQ(back->records[i].x, set->records[i].x);
            EXPECT_EQ(back->records[i].y, set->records[i].y);
            EXPECT_EQ(back->records[i].z, set->records[i].z);
            EXPECT_EQ(back->records[i].color, (COLORREF)0x00FFFFFF);
        }
        DeletePOISet(back);
    }
    for (float bad : {3.0e38f, -3.4028235e38f, NAN}) {
        bool inX = std::isnan(bad);
        if (inX) set->records[1].x = bad;
        else set->records[1].z = bad;
        set->saved = 0;
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << bad;
        ASSERT_EQ(boxes.shown().size(), 1u) << bad;
        // Nothing was written: the message says so rather than blaming the file.
        char refused[800];
        snprintf(refused, sizeof refused, kPOIMarkerOffMapFormat, 2, names[1], "extreme_poi.shp");
        EXPECT_EQ(boxes.shown()[0].text, refused);
        EXPECT_EQ(set->saved, 0);
        EXPECT_EQ(MarkersIn(path), 4) << bad;
        set->records[1].x = 1e9;
        set->records[1].z = 1e9f;
    }
    // Deleted, such a marker is not written and the rest save.
    set->records[1].z = 3.0e38f;
    set->records[1].deleted = 1;
    EXPECT_EQ(SavePOIShapefile(set), 1);
    EXPECT_EQ(MarkersIn(path), 3);
    DeletePOISet(set);
}

// A set whose path fits every limit but whose folder leaves no room for the
// replace of its three files is refused naming the folder's length and the
// limit, one over the limit; at the limit it saves. A name that ".shp" takes
// past the path's limit in bytes is refused naming that limit.
TEST(POIShapefile, AFolderWithoutRoomForTheReplaceIsNamedWithItsLimit)
{
    {
        std::string path = MakeFolderOfBytes(252, "\xd0\xb4") + "m";   // Cyrillic de
        std::string shapes = path + ".shp";
        ASSERT_EQ(shapes.size(), 257u);
        POISet* set = NewPOISet(0);
        AppendPOIRecord(set)->x = 1;
        strcpy(set->path, path.c_str());
        strcpy(set->title, "m");
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0);
        EXPECT_TRUE(ShowedOneBox(boxes, PathTooLongMessage(shapes.c_str(), shapes.size(), kPathChars - 1)));
        DeletePOISet(set);
    }
    for (size_t units : {LongestTempFolder(kLongestGroupSuffix), LongestTempFolder(kLongestGroupSuffix) + 1}) {
        std::string path = MakeFolderOfUnits(units, "d") + "p_poi.shp";
        POISet* set = NewPOISet(0);
        AppendPOIRecord(set)->x = 1;
        strcpy(set->path, path.c_str());
        strcpy(set->title, "p_poi.shp");
        bool fits = units == LongestTempFolder(kLongestGroupSuffix);
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), fits ? 1 : 0) << units;
        if (fits) EXPECT_TRUE(boxes.shown().empty()) << units;
        else EXPECT_TRUE(ShowedOneBox(boxes, TempFolderTooLongMessage(path, kLongestGroupSuffix))) << units;
        DeletePOISet(set);
    }
}

namespace {

// Markers of the names, each commented `comment`, saved as `name`; the .shp's path.
std::string SavedMarkers(const char* name, const std::vector<const char*>& names, const char* comment)
{
    POISet* set = NewPOISet(0);
    for (const char* n : names) {
        POIRecord* poi = AppendPOIRecord(set);
        snprintf(poi->name, sizeof poi->name, "%s", n);
        snprintf(poi->comment, sizeof poi->comment, "%s", comment);
    }
    snprintf(set->path, sizeof set->path, "%s", TempPath(name).c_str());
    snprintf(set->title, sizeof set->title, "%s", name);
    EXPECT_EQ(SavePOIShapefile(set), 1) << name;
    DeletePOISet(set);
    return TempPath(name);
}

}  // namespace

// Where the program speaks 1252, names and comments it shows with "?" are
// saved in the letters they were read with, beside a marker edited there,
// the table in UTF-8 then; a table declared 1251 keeps its letters too.
TEST(POIShapefile, LettersThisWindowsCannotShowAreSavedAsTheyWereRead)
{
    std::string path = SavedMarkers("letters_poi.shp", {kBenchmarkUTF8, kEteUTF8, "plain"}, kRussianUTF8);
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes;
        POISet* set = LoadPOIShapefile(path.c_str(), "letters_poi.shp");
        ASSERT_NE(set, nullptr);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(4)));   // one name, three comments
        EXPECT_STREQ(set->records[0].name, "????? 1");
        EXPECT_STREQ(set->records[0].comment, "??????");
        EXPECT_STREQ(set->records[1].name, kEte1252);
        snprintf(set->records[2].name, sizeof set->records[2].name, "Caf\xe9");
        set->records[2].x = 5;   // moved
        set->saved = 0;
        EXPECT_EQ(SavePOIShapefile(set), 1);
        DeletePOISet(set);
    }
    const std::vector<std::string> names = {kBenchmarkUTF8, kEteUTF8, "Caf\xc3\xa9"},
                                   comments(3, kRussianUTF8);
    BoxAnswers boxes;
    POISet* back = LoadPOIShapefile(path.c_str(), "letters_poi.shp");
    ASSERT_NE(back, nullptr);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(back->records[i].name, names[i]);
        EXPECT_EQ(back->records[i].comment, comments[i]);
    }
    EXPECT_EQ(back->records[2].x, 5.0);
    DeletePOISet(back);
    EXPECT_EQ(OGRTextCells(path, "NAME"), names);
    EXPECT_EQ(OGRTextCells(path, "COMMENT"), comments);

    for (bool byLanguageByte : {true, false}) {
        std::string russian = SavedMarkers("russian_poi.shp", {kRussian1251}, "");
        ASSERT_TRUE(DeclareTable(TempPath("russian_poi.dbf"), byLanguageByte ? 0xC9 : 0x57,
                                 byLanguageByte ? nullptr : "1251"));
        ProgramCodePageIs western(1252);
        BoxAnswers warned;
        POISet* set = LoadPOIShapefile(russian.c_str(), "russian_poi.shp");
        ASSERT_NE(set, nullptr);
        EXPECT_TRUE(ShowedOneBox(warned, UnshownLettersWarning(1)));
        EXPECT_EQ(SavePOIShapefile(set), 1);
        DeletePOISet(set);
        EXPECT_EQ(OGRTextCells(russian, "NAME"), std::vector<std::string>{kRussianUTF8}) << byLanguageByte;
    }
}
