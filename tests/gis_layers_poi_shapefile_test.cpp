// The POI shapefile reader on files it must refuse or trim, and the writer
// when its writes fail.
#include "test_support.h"
#include "las_test_files.h"
#include "shell/frame.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "app/layer_sets.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include <functional>

namespace {

struct Field {
    const char* name;
    DBFFieldType type;
    int width;
};

// A shapefile of `shapes` points (type `type`, X = 10 i, Y = 20 i, Z = i)
// with the fields; `fill` writes row i of the table, which has `rows` rows.
std::string WriteShapes(const char* name, int type, int shapes, const std::vector<Field>& fields, int rows,
                        const std::function<void(DBFHandle, int)>& fill = nullptr)
{
    std::string path = TempPath(name);
    std::string native = ToNativePath(path.c_str());
    SHPHandle shp = SHPCreate(native.c_str(), type);
    DBFHandle dbf = DBFCreate(native.substr(0, native.size() - 4).append(".dbf").c_str());
    EXPECT_TRUE(shp && dbf);
    for (const Field& f : fields) DBFAddField(dbf, f.name, f.type, f.width, 0);
    for (int i = 0; i < shapes; i++) {
        double x = 10.0 * i, y = 20.0 * i, z = i;
        SHPObject* o = SHPCreateSimpleObject(type, 1, &x, &y, &z);
        SHPWriteObject(shp, -1, o);
        SHPDestroyObject(o);
    }
    for (int i = 0; i < rows; i++) {
        if (fill) fill(dbf, i);
        else DBFWriteNULLAttribute(dbf, i, 0);
    }
    SHPClose(shp);
    DBFClose(dbf);
    return path;
}

const std::vector<Field> kPOIFields = {
    {"POI_INDEX", FTInteger, 10}, {"NAME", FTString, 32}, {"COMMENT", FTString, 255}, {"COLOR", FTInteger, 10}};

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
    EXPECT_EQ(RefusalOf(WriteShapes("empty.shp", SHPT_POINTZ, 0, kPOIFields, 0)),
              Formatted(kPOIShapeEmpty, "empty.shp"));
    EXPECT_EQ(RefusalOf(WriteShapes("flat.shp", SHPT_POINT, 2, kPOIFields, 2)),
              Formatted(kPOIShapeNot3DPoints, "flat.shp"));

    std::string untabled = WriteShapes("untabled.shp", SHPT_POINTZ, 2, kPOIFields, 2);
    DeleteFileA((untabled.substr(0, untabled.size() - 4) + ".dbf").c_str());
    EXPECT_EQ(RefusalOf(untabled), Formatted(kPOIDBFOpenReadFailed, "untabled.dbf"));

    // Fields are found by exact name and type, in the order NAME, COLOR, COMMENT.
    EXPECT_EQ(RefusalOf(WriteShapes("bare.shp", SHPT_POINTZ, 2, {}, 0)), Formatted(kPOIMissingName, "bare.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("numname.shp", SHPT_POINTZ, 2, {{"NAME", FTInteger, 5}, {"COLOR", FTInteger, 10}}, 2)),
              Formatted(kPOIMissingName, "numname.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("lower.shp", SHPT_POINTZ, 2, {{"NAME", FTString, 8}, {"color", FTInteger, 10}}, 2)),
              Formatted(kPOIMissingColor, "lower.dbf"));
    EXPECT_EQ(RefusalOf(WriteShapes("nocomment.shp", SHPT_POINTZ, 2, {{"NAME", FTString, 8}, {"COLOR", FTInteger, 10}}, 2)),
              Formatted(kPOIMissingComment, "nocomment.dbf"));

    // A table shorter than the shape file, and a shape file cut short.
    EXPECT_EQ(RefusalOf(WriteShapes("short.shp", SHPT_POINTZ, 3, kPOIFields, 2)), Formatted(kPOIDBFTooShort, "short.dbf"));
    std::string cut = WriteShapes("cut.shp", SHPT_POINTZ, 3, kPOIFields, 3);
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
    std::string path = WriteShapes("odd.shp", SHPT_POINTZ, 3,
                                   {{"NAME", FTString, 8}, {"NAME", FTString, 80}, {"COMMENT", FTString, 400},
                                    {"COLOR", FTInteger, 10}},
                                   3, [&](DBFHandle dbf, int i) {
                                       DBFWriteStringAttribute(dbf, i, 0, "first");
                                       DBFWriteStringAttribute(dbf, i, 1, i == 0 ? longName.c_str() : "");
                                       DBFWriteStringAttribute(dbf, i, 2, i == 0 ? longComment.c_str() : "short");
                                       DBFWriteIntegerAttribute(dbf, i, 3, i == 0 ? 0 : 0x00FF00);
                                   });
    // Shape 1 becomes a null shape.
    SHPHandle shp = SHPOpen(ToNativePath(path.c_str()).c_str(), "rb+");
    ASSERT_NE(shp, nullptr);
    SHPObject* none = SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr);
    SHPWriteObject(shp, 1, none);
    SHPDestroyObject(none);
    SHPClose(shp);

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

SAHooks realIO;
size_t writeBudget;
SAOffset FailingWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    size_t bytes = (size_t)(size * count);
    if (bytes > writeBudget) {
        writeBudget = 0;
        return 0;
    }
    writeBudget -= bytes;
    return realIO.FWrite(p, size, count, file);
}
// A disk that acknowledges writes past the budget and loses them.
SAOffset LostWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    size_t bytes = (size_t)(size * count);
    if (bytes > writeBudget) {
        writeBudget = 0;
        return count;
    }
    writeBudget -= bytes;
    return realIO.FWrite(p, size, count, file);
}

bool LeftoversIn(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + kTempFilePrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

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

    SASetupDefaultHooks(&realIO);
    SAHooks failing = realIO;
    failing.FWrite = FailingWrite;
    SetPOIShapefileIO(&failing);
    for (size_t budget : {0, 150, 400, 1200}) {
        writeBudget = budget;
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << budget;
        ASSERT_EQ(boxes.shown().size(), 1u) << budget;
        const std::string& text = boxes.shown()[0].text;
        EXPECT_TRUE(text == Formatted(kPOIWriteFailed, "keep_poi.shp") ||
                    text == Formatted(kPOIShapeOpenWriteFailed, "keep_poi.shp"))
            << text;
        EXPECT_EQ(set->saved, 0);
        EXPECT_EQ(MarkersIn(path), 2) << budget;
        EXPECT_FALSE(LeftoversIn(TempDir())) << budget;
    }
    // Writes that were lost without a word show only when the files are read back.
    failing.FWrite = LostWrite;
    SetPOIShapefileIO(&failing);
    for (size_t budget : {400, 1200}) {
        writeBudget = budget;
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << budget;
        ASSERT_EQ(boxes.shown().size(), 1u) << budget;
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kPOIWriteFailed, "keep_poi.shp"));
        EXPECT_EQ(MarkersIn(path), 2) << budget;
        EXPECT_FALSE(LeftoversIn(TempDir())) << budget;
    }
    SetPOIShapefileIO(nullptr);
    for (int nth : {1, 6, 12}) {   // a full disk anywhere in the save
        SetWriteFaultAt(nth);
        BoxAnswers boxes;
        EXPECT_EQ(SavePOIShapefile(set), 0) << nth;
        SetWriteFaultAt(0);
        EXPECT_EQ(MarkersIn(path), 2) << nth;
        EXPECT_FALSE(LeftoversIn(TempDir())) << nth;
    }
    ASSERT_EQ(SavePOIShapefile(set), 1);
    EXPECT_EQ(MarkersIn(path), 3);

    // A folder that is not there: nothing is written anywhere.
    std::string missing = TempPath("missing\\keep_poi.shp");
    strcpy(set->path, missing.c_str());
    set->saved = 0;
    BoxAnswers boxes;
    EXPECT_EQ(SavePOIShapefile(set), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kPOIShapeOpenWriteFailed, "keep_poi.shp"));
    EXPECT_EQ(set->saved, 0);
    EXPECT_FALSE(LeftoversIn(TempDir()));
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
        EXPECT_FALSE(LeftoversIn(TempDir())) << readOnly;
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
    for (const char* pattern : { "kill_poi*", "~velka-temp-*" }) {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((TempDir() + pattern).c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) continue;
        do atKill.push_back({ TempDir() + found.cFileName, SharedBytes(TempDir() + found.cFileName) });
        while (FindNextFileA(h, &found));
        FindClose(h);
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
    EXPECT_FALSE(LeftoversIn(TempDir()));
    EXPECT_EQ(GetFileAttributesA((path + "~old").c_str()), INVALID_FILE_ATTRIBUTES);
    DeletePOISet(set);
}
