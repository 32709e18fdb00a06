// Save and Save As from a plan view: the commands reach the saver, the
// questions and refusals are the product's own, and the log claims a save
// only when the file was written.
#include "window_fixtures.h"
#include "las_test_files.h"
#include "shell/save_las.h"
#include "shell/view_command.h"
#include "views/gl3d/gl_view.h"
#include "views/profile/profile_window.h"
#include "base/file_dialog.h"
#include "base/paths.h"
#include <algorithm>
#include "data/las_loader.h"
#include "data/las_lock.h"
#include "data/las_save.h"

namespace {

std::vector<std::string>& logged = KeptLog();
bool Logged(const std::string& line)
{
    return std::find(logged.begin(), logged.end(), line) != logged.end();
}

std::string chosenPath;
int ChooseTarget(OPENFILENAMEA* ofn, int save)
{
    if (!save) return 0;
    lstrcpynA(ofn->lpstrFile, chosenPath.c_str(), ofn->nMaxFile);
    lstrcpynA(ofn->lpstrFileTitle, GetPathFileName(chosenPath.c_str()), ofn->nMaxFileTitle);
    return 1;
}

class SaveLASTest : public ViewFixture {
public:
    void SetUp() override
    {
        ViewFixture::SetUp();
        logged.clear();
        SetLogHook(KeepLog);
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        SetFileDialogHook(nullptr);
        BoxAnswers quiet({}, IDNO);   // closing may ask about unsaved layers
        ViewFixture::TearDown();
    }

    // A view holding a fresh copy of a shared sample.
    HWND ViewOf(const char* sample, const char* name)
    {
        path = CopyToTemp(NeedSample(sample), name);
        set = LoadLASData(path.c_str(), name);
        EXPECT_NE(set, nullptr);
        return OpenView({set}, 0, 0, name);
    }
    int Command(HWND view, int id) { return ViewCommand(view, MAKEWPARAM(id, 0), 0); }

    std::string path;
    DataSet* set = nullptr;
};

}  // namespace

TEST_F(SaveLASTest, SaveWritesTheEditedClassesInPlace)
{
    HWND view = ViewOf("simple.las", "simple.las");
    ASSERT_NE(set, nullptr);
    for (int i = 0; i < set->filePointCount; i++)
        if (set->points[i].classification == 2) set->points[i].classification = 6;
    set->points[0].classification = 9;
    set->saved = 0;
    BoxAnswers answers;
    EXPECT_EQ(Command(view, CMD_SAVE_LAS), 1);
    EXPECT_TRUE(answers.shown().empty());
    EXPECT_EQ(set->saved, 1);
    EXPECT_TRUE(Logged("[SAVE]  simple.las"));

    DataSet* back = ReadLASPoints(path.c_str(), "simple.las");
    ASSERT_NE(back, nullptr);
    int differing = 0;
    for (int i = 0; i < back->filePointCount; i++) differing += back->points[i].classification != set->points[i].classification;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(back->points[0].classification, 9);
    FreeDataSet(back);
}

TEST_F(SaveLASTest, SaveAsWritesANewFileAndTheViewFollowsIt)
{
    HWND view = ViewOf("point-time.las", "source.las");
    ASSERT_NE(set, nullptr);
    Bytes before = ReadBytes(path);
    set->points[3].classification = 7;
    chosenPath = TempPath("edited");             // the extension is added
    SetFileDialogHook(ChooseTarget);
    BoxAnswers answers;
    EXPECT_EQ(Command(view, CMD_SAVE_LAS_AS), 1);
    EXPECT_TRUE(answers.shown().empty());
    std::string target = TempPath("edited.las");
    EXPECT_STREQ(set->path, target.c_str());
    EXPECT_STREQ(set->title, "edited.las");
    char caption[256] = "";
    GetWindowTextA(view, caption, sizeof caption);
    EXPECT_STREQ(caption, "edited.las");
    EXPECT_TRUE(Logged("[SAVE AS]  edited.las"));
    EXPECT_EQ(ReadBytes(path), before);
    Bytes after = ReadBytes(target);
    ASSERT_EQ(after.size(), before.size());
    uint32_t offset = FieldAt<uint32_t>(before, 96);
    EXPECT_EQ(after[offset + 3 * 28 + 15] & 0x1F, 7);
}

// The profile and 3D windows name the file their edits go to: after Save As
// they read as windows opened on the copy would; another view of the
// original keeps the original's name.
TEST_F(SaveLASTest, SaveAsRetitlesTheLinkedWindowsOfItsViewOnly)
{
    HWND view = ViewOf("point-time.las", "crop.las");
    ASSERT_NE(set, nullptr);
    DataSet* again = LoadLASData(path.c_str(), "crop.las");
    ASSERT_NE(again, nullptr);
    HWND original = OpenView({again}, 0, 0, "crop.las");
    ViewRecord* r = Record(view);
    HWND profile = CreateProfileWindow(r), gl = CreateGLViewWindow(r);
    ASSERT_TRUE(profile && gl);
    auto title = [](HWND w) {
        char text[300] = "";
        GetWindowTextA(w, text, sizeof text);
        return std::string(text);
    };
    std::string oldProfile = title(profile), oldGL = title(gl);
    chosenPath = TempPath("edited.las");
    SetFileDialogHook(ChooseTarget);
    BoxAnswers answers;
    ASSERT_EQ(Command(view, CMD_SAVE_LAS_AS), 1);
    std::string newProfile = title(profile), newGL = title(gl);
    EXPECT_EQ(title(view), "edited.las");
    EXPECT_EQ(title(original), "crop.las");
    SendMessageA(profile, WM_CLOSE, 0, 0);
    SendMessageA(gl, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_EQ(newProfile, title(CreateProfileWindow(r)));
    EXPECT_EQ(newGL, title(CreateGLViewWindow(r)));
    EXPECT_NE(newProfile, oldProfile);
    EXPECT_NE(newGL, oldGL);
}

TEST_F(SaveLASTest, RefusalsSayWhyAndWriteNothing)
{
    HWND view = ViewOf("1815.las", "tile.las");
    ASSERT_NE(set, nullptr);
    Bytes before = ReadBytes(path);
    {
        // Format 1 cannot hold class 40.
        set->points[2].classification = 40;
        BoxAnswers answers;
        EXPECT_EQ(Command(view, CMD_SAVE_LAS), 1);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].caption, "ERROR");
        EXPECT_NE(answers.shown()[0].text.find("above 31"), std::string::npos);
        EXPECT_TRUE(Logged(kSaveFailedLog));
        EXPECT_FALSE(Logged("[SAVE]  tile.las"));
        set->points[2].classification = 2;
    }
    {
        set->decimated = 1;
        BoxAnswers answers;
        Command(view, CMD_SAVE_LAS);
        Command(view, CMD_SAVE_LAS_AS);
        ASSERT_EQ(answers.shown().size(), 2u);
        EXPECT_EQ(answers.shown()[0].text, Formatted(kSaveDecimatedText, "tile.las"));
        EXPECT_EQ(answers.shown()[1].text, Formatted(kSaveDecimatedText, "tile.las"));
        set->decimated = 0;
    }
    {
        // A set read from a LAZ file would become a corrupt LAS file.
        set->source = SOURCE_LAZ;
        chosenPath = TempPath("out.las");
        SetFileDialogHook(ChooseTarget);
        BoxAnswers answers;
        Command(view, CMD_SAVE_LAS_AS);
        ASSERT_TRUE(ShowedOneBox(answers, Formatted(kSaveNotLASText, "tile.las")));
        EXPECT_EQ(GetFileAttributesA(chosenPath.c_str()), INVALID_FILE_ATTRIBUTES);
        set->source = SOURCE_LAS;
    }
    {
        // Save on a set read from a text file says why nothing was saved.
        set->kind = DATA_ASCII;
        set->source = SOURCE_ASCII;
        BoxAnswers answers;
        EXPECT_EQ(Command(view, CMD_SAVE_LAS), 1);
        ASSERT_TRUE(ShowedOneBox(answers, Formatted(kSaveNotLASText, "tile.las")));
        set->kind = DATA_LAS;
        set->source = SOURCE_LAS;
    }
    {
        // Made read-only: the replacing move is refused and the source kept.
        set->points[1].classification = 5;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        logged.clear();
        BoxAnswers answers;
        Command(view, CMD_SAVE_LAS);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].caption, "File Replace Error");
        EXPECT_TRUE(Logged(kSaveFailedLog));
        EXPECT_FALSE(Logged("[SAVE]  tile.las"));
    }
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(SaveLASTest, AnotherUsersMarkerIsAskedAboutAndOurOwnIsNot)
{
    HWND view = ViewOf("point10.las", "locked.las");
    ASSERT_NE(set, nullptr);
    Bytes before = ReadBytes(path);
    set->points[0].classification = 12;
    std::string marker = "SURVEY-PC\\anna\r\n";
    ASSERT_TRUE(WriteBytes(TileLockPath(path.c_str()), Bytes(marker.begin(), marker.end())));
    {
        BoxAnswers answers({IDNO});
        EXPECT_EQ(SaveLASFile(view), 0);
        ASSERT_TRUE(ShowedOneBox(answers, Formatted(kSaveLockedText, marker.c_str())));
        EXPECT_EQ(answers.shown()[0].caption, "Warning");
        EXPECT_EQ(ReadBytes(path), before);
    }
    {
        BoxAnswers answers({IDYES});
        EXPECT_EQ(SaveLASFile(view), 1);
        EXPECT_EQ(answers.shown().size(), 1u);
        EXPECT_NE(ReadBytes(path), before);
    }
    // Another copy of the program run by this user asks as anyone else would.
    OtherProcess other;
    marker = other.MarkerText();
    ASSERT_TRUE(WriteBytes(TileLockPath(path.c_str()), Bytes(marker.begin(), marker.end())));
    {
        BoxAnswers answers({IDNO});
        EXPECT_EQ(SaveLASFile(view), 0);
        EXPECT_EQ(answers.shown().size(), 1u);
    }
    ASSERT_EQ(DeleteFileA(TileLockPath(path.c_str())), TRUE);
    ASSERT_EQ(LockTile(path.c_str()), 1);
    {
        BoxAnswers answers;
        EXPECT_EQ(SaveLASFile(view), 1);
        EXPECT_TRUE(answers.shown().empty());
    }
    EXPECT_EQ(ReleaseOwnTileLock(path.c_str()), 1);
}

// The source changed under the loaded set: points appended by another program
// are refused with the reason, and a copy saved by a second view is replaced
// only when the user says so.
TEST_F(SaveLASTest, ASourceChangedSinceTheLoadIsRefusedOrAskedAbout)
{
    HWND view = ViewOf("1815.las", "shared.las");
    ASSERT_NE(set, nullptr);
    set->points[0].classification = 9;
    Bytes loaded = ReadBytes(path);
    uint32_t offset = FieldAt<uint32_t>(loaded, 96);
    uint16_t length = FieldAt<uint16_t>(loaded, 105);
    uint32_t count = FieldAt<uint32_t>(loaded, 107);

    Bytes grown = loaded;   // 100 points appended: copies of the last one
    for (int k = 0; k < 100; k++)
        grown.insert(grown.end(), loaded.begin() + offset + (count - 1) * length, loaded.begin() + offset + count * length);
    SetFieldAt<uint32_t>(grown, 107, count + 100);
    ASSERT_TRUE(WriteBytes(path, grown));
    {
        BoxAnswers answers;
        Command(view, CMD_SAVE_LAS);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_NE(answers.shown()[0].text.find("has changed since it was loaded"), std::string::npos);
        EXPECT_EQ(ReadBytes(path), grown);
        EXPECT_FALSE(Logged("[SAVE]  shared.las"));
    }

    // A second view of the same file saves first.
    ASSERT_TRUE(WriteBytes(path, loaded));
    ASSERT_TRUE(RestampLASSource(set));
    DataSet* other = LoadLASData(path.c_str(), "shared.las");
    ASSERT_NE(other, nullptr);
    HWND otherView = OpenView({other}, 0, 0, "shared.las");
    other->points[1].classification = 17;
    ASSERT_TRUE(WaitForLaterWriteTime(path, 5000));   // a write time of its own
    ASSERT_EQ(Command(otherView, CMD_SAVE_LAS), 1);
    Bytes theirs = ReadBytes(path);
    logged.clear();
    {
        BoxAnswers answers({IDNO});
        Command(view, CMD_SAVE_LAS);
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].caption, "Warning");
        EXPECT_EQ(ReadBytes(path), theirs);
        EXPECT_FALSE(Logged("[SAVE]  shared.las"));
    }
    {
        BoxAnswers answers({IDYES});
        Command(view, CMD_SAVE_LAS);
        EXPECT_EQ(answers.shown().size(), 1u);
        EXPECT_TRUE(Logged("[SAVE]  shared.las"));
        EXPECT_EQ(ReadBytes(path)[offset + 15] & 0x1F, 9);
    }
    BoxAnswers none;   // the set now matches its file: no question
    EXPECT_EQ(Command(view, CMD_SAVE_LAS), 1);
    EXPECT_TRUE(none.shown().empty());
}
