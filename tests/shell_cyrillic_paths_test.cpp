// Files in a folder named in Cyrillic, through the program's own roads: open,
// Save As, a ground batch sending its files to another folder, a project and
// its tile, a POI shapefile. Every Win32 call of the program is an "A" call;
// the process's code page (UTF-8, from the manifest) is what carries the names.
#include "batch_test_files.h"
#include "las_test_files.h"
#include "project_test_files.h"
#include "window_fixtures.h"
#include "classify/surface_settings.h"
#include "base/file_replace.h"
#include "base/gdi_text.h"
#include "base/paths.h"
#include "data/las_lock.h"
#include "data/las_save.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "gis/project/batch_dialogs.h"
#include "gis/project/project_window.h"
#include "shell/open_files.h"
#include "shell/registry.h"
#include "app/layer_sets.h"
#include "resource.h"
#include <algorithm>

namespace {

std::vector<std::string>& logged = KeptLog();
bool LoggedLine(const std::string& line) { return std::find(logged.begin(), logged.end(), line) != logged.end(); }

std::string Text(HWND window)
{
    char text[300] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// True when the file exists under the Unicode name its UTF-8 path spells,
// asked through a W call: a name taken through another code page is a file
// of another name, found by the A calls all the same.
bool OnDiskByItsName(const std::string& path)
{
    std::u16string wide(path.size() + 1, 0);   // char16_t: a winelib wchar_t is not WCHAR
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, (WCHAR*)&wide[0], (int)wide.size()) <= 0)
        return false;
    return GetFileAttributesW((const WCHAR*)wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class CyrillicPaths : public ProjectFrameFixture {
protected:
    void SetUp() override
    {
        ProjectFrameFixture::SetUp();
        folder += "Данные\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        logged.clear();
        SetLogHook(KeepLog);
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        BoxAnswers quiet({}, IDNO);   // closing asks about unsaved edits
        ProjectFrameFixture::TearDown();
    }

    // A writable copy of a shared sample in the folder.
    std::string Copy(const char* sample, const char* name)
    {
        std::string to = folder + name;
        EXPECT_TRUE(CopyFileA(NeedSample(sample).c_str(), to.c_str(), FALSE)) << to;
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);   // the samples are read-only
        return to;
    }
    // Opens the file as the user does, through "Open Data Files"; its one view.
    static HWND OpenThroughDialog(const std::string& path)
    {
        FileDialogAnswers files({path});
        SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
        std::vector<HWND> views = PlanViews();
        return views.size() == 1 ? views[0] : nullptr;
    }
    static std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

    // Copies a shared sample to a path of any length.
    static bool CopyTo(const char* sample, const std::string& to)
    {
        return CopyFileA(NeedSample(sample).c_str(), to.c_str(), FALSE) &&
               SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // Changes one class of the view's set and saves it with `command` ('S':
    // Ctrl+S); passes
    // when no box was shown, the log says `logged` and the set's file (the
    // same file as `before`, or a new one) differs from it in that class only,
    // with no temporary file left beside it.
    static testing::AssertionResult EditAndSave(HWND view, int command, const Bytes& before, const std::string& logged)
    {
        DataSet* set = Record(view)->currentDataSet;
        set->points[3].classification = set->points[3].classification == 7 ? 8 : 7;
        set->saved = 0;
        BoxAnswers boxes;
        if (command == 'S') PressCtrl('S');
        else SendMessageA(FrameWindow, WM_COMMAND, command, 0);
        if (!boxes.shown().empty()) return testing::AssertionFailure() << "the box said " << boxes.shown()[0].text;
        if (set->saved != 1 || !LoggedLine(logged)) return testing::AssertionFailure() << "not logged: " << logged;
        std::string folder = GetPathDirectory(set->path);
        int changed = ClassOnlyDifferences(AsText(before), AsText(ReadBytes(set->path)));
        if (changed != 1) return testing::AssertionFailure() << changed << " bytes changed in " << set->path;
        for (const std::string& name : FolderFiles(folder))
            if (name.rfind(kTempFilePrefix, 0) == 0) return testing::AssertionFailure() << "left behind: " << name;
        return testing::AssertionSuccess();
    }
    static std::string PathTooLongText(const std::string& path)
    {
        return PathTooLongMessage(path.c_str(), path.size(), kPathChars - 1);
    }
    // Whether a box of `text` keeps within the screen: its widest line in the
    // box's font, with the room of its icon and edges.
    static testing::AssertionResult FitsTheScreen(const std::string& text)
    {
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        HDC dc = GetDC(nullptr);
        HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
        HGDIOBJ old = SelectObject(dc, font);
        int widest = 0;
        for (size_t at = 0; at < text.size();) {
            size_t end = std::min(text.find('\n', at), text.size());
            widest = std::max<int>(widest, ProgramTextExtent(dc, text.substr(at, end - at).c_str()).cx);
            at = end + 1;
        }
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(nullptr, dc);
        int room = GetSystemMetrics(SM_CXSCREEN) - 2 * GetSystemMetrics(SM_CXICON) - 4 * GetSystemMetrics(SM_CXDLGFRAME);
        if (widest <= room) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "a line of " << widest << " pixels, " << room << " fit";
    }
    static void CloseViews()
    {
        for (HWND view : PlanViews()) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)view, 0);
    }
};

}  // namespace

// Without UTF-8 as the process's code page every case below fails as a file
// that is not there; this one names the cause.
TEST_F(CyrillicPaths, TheProcessCodePageIsUTF8)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8) << "the manifest's active code page (resources/velka.manifest) did not apply";
    // A name written through an A call is the Unicode name the file system holds.
    ASSERT_TRUE(WriteBytes(folder + "съёмка.las", Bytes(10, 1)));
    EXPECT_TRUE(OnDiskByItsName(folder + "съёмка.las"));
    EXPECT_EQ(FolderFiles(folder), std::vector<std::string>{"съёмка.las"});
}

TEST_F(CyrillicPaths, OpenEditAndSaveAsKeepTheNames)
{
    REQUIRE_SAMPLES();
    std::string source = Copy("point-time.las", "съёмка.las");
    BoxAnswers boxes;
    HWND view = OpenThroughDialog(source);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    DataSet* set = Record(view)->currentDataSet;
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->path, source.c_str());
    EXPECT_EQ(Text(view), "съёмка.las");
    EXPECT_TRUE(LoggedLine("[LOAD]  съёмка.las"));
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], source.c_str());
    char item[300] = "";
    GetMenuStringA(GetMenu(FrameWindow), CMD_RECENT_1, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "&1  съёмка.las");

    Bytes before = ReadBytes(source);
    set->points[3].classification = 7;
    set->saved = 0;
    FileDialogAnswers target({folder + "правка"});   // the extension is added
    SendMessageA(FrameWindow, WM_COMMAND, CMD_SAVE_LAS_AS, 0);
    EXPECT_EQ(target.calls(), 1);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    std::string edited = folder + "правка.las";
    EXPECT_STREQ(set->path, edited.c_str());
    EXPECT_STREQ(set->title, "правка.las");
    EXPECT_EQ(Text(view), "правка.las");
    EXPECT_TRUE(LoggedLine("[SAVE AS]  правка.las"));
    EXPECT_TRUE(OnDiskByItsName(edited));
    EXPECT_EQ(ReadBytes(source), before);
    Bytes after = ReadBytes(edited);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(ClassOnlyDifferences(AsText(before), AsText(after)), 1);
    uint32_t offset = FieldAt<uint32_t>(before, 96);
    uint16_t length = FieldAt<uint16_t>(before, 105);
    EXPECT_EQ(after[offset + 3 * length + 15] & 0x1F, 7);
}

// "Send to surfaced files to another directory", the folder named in Cyrillic.
TEST_F(CyrillicPaths, AGroundBatchSendsItsFilesToAnotherFolder)
{
    REQUIRE_SAMPLES();
    BatchScenario run;
    run.folder = folder;
    std::string source = Copy("autzen_trim.las", "съёмка.las");
    run.names.push_back("съёмка.las");
    run.outputFolder = folder + "Земля\\";
    ASSERT_TRUE(CreateDirectoryA(run.outputFolder.c_str(), nullptr));
    std::string before = AsText(ReadBytes(source));
    SetDefaultSurfaceMagicSettings();
    scenario = &run;
    SetDialogDriver(DriveBatch);
    EXPECT_EQ(ShowDialog(IDD_SM_BATCH, FrameWindow, SMBatchDlgProc, 0), 1);
    SetDialogDriver(nullptr);
    scenario = nullptr;
    EXPECT_EQ(run.outputTip, run.outputFolder);
    EXPECT_EQ(run.outputShown.substr(0, 3), "C:\\");
    EXPECT_EQ(run.outputShown.substr(run.outputShown.size() - 12), "\\Земля\\");
    EXPECT_EQ(run.notice, Notice("Vivuzoz Oduri", "complete", 1, 0, 0));
    EXPECT_TRUE(run.rows.empty()) << run.rows[0];
    EXPECT_EQ(AsText(ReadBytes(source)), before);
    EXPECT_EQ(FolderFiles(run.outputFolder), std::vector<std::string>{"съёмка.las"});
    EXPECT_TRUE(OnDiskByItsName(run.outputFolder + "съёмка.las"));
    EXPECT_GT(ClassOnlyDifferences(before, AsText(ReadBytes(run.outputFolder + "съёмка.las"))), 1000);
}

// Created, saved, closed and opened again: the tile is found by its name, and
// opening it takes its lock marker beside it.
TEST_F(CyrillicPaths, AProjectFindsAndLocksItsTile)
{
    std::string tile = folder + "участок.las";
    ASSERT_TRUE(MakeTileLAS(tile, 1000.0, 5000.0, 100.0));
    {
        FileDialogAnswers files({folder.substr(0, folder.size() - 1) + "|участок.las", folder + "проект"});
        DialogDriver driver([](HWND dialog, int) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); });
        SendMessageA(FrameWindow, WM_COMMAND, CMD_PROJECT_CREATE, 0);
        EXPECT_EQ(files.calls(), 2);
    }
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->saved, 1);
    EXPECT_EQ(std::string(CurrentProject()->path), folder + "проект.lep");
    for (const char* name : {"проект.lep", "проект_tiles.shp", "проект_tiles.shx", "проект_tiles.dbf"})
        EXPECT_TRUE(OnDiskByItsName(folder + name)) << name;
    SendMessageA(FrameWindow, WM_COMMAND, CMD_PROJECT_CLOSE, 0);
    ASSERT_EQ(ProjectWindow(), nullptr);

    FileDialogAnswers files({folder + "проект.lep"});
    BoxAnswers boxes;
    SendMessageA(FrameWindow, WM_COMMAND, CMD_PROJECT_OPEN, 0);
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(Text(ProjectWindow()), std::string(kProjectTitlePrefix) + "проект.lep");
    ASSERT_EQ(p->tileCount, 1);
    EXPECT_STREQ(p->tiles[0]->name, "участок.las");
    EXPECT_STREQ(p->tiles[0]->path, tile.c_str());
    EXPECT_EQ(p->tiles[0]->activeStatus, TILE_AVAILABLE);

    ClickProjectWindow(ProjectWindow(), 1050, 5050);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(p->tiles[0]->activeStatus, TILE_OPEN);
    EXPECT_TRUE(OnDiskByItsName(folder + "участок.loc"));
    EXPECT_STREQ(ReadTileLockOwner(tile.c_str()), OwnTileLockLine());
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(Text(views[0]), "участок.las");
}

// Markers saved as a shapefile come back with their names and comments.
TEST_F(CyrillicPaths, POIShapefileKeepsItsNamesAndMarkers)
{
    REQUIRE_SAMPLES();
    HWND view = OpenThroughDialog(Copy("simple.las", "съёмка.las"));
    ASSERT_NE(view, nullptr);
    SendMessageA(view, WM_COMMAND, TOOL_POI, 0);
    RECT area;
    GetClientRect(view, &area);
    LPARAM at = MAKELPARAM(area.right / 2, area.bottom / 3);
    SendMessageA(view, WM_MOUSEMOVE, 0, at);
    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(view, WM_LBUTTONUP, 0, at);
    POISet* set = Record(view)->poiSet;
    ASSERT_EQ(set->count, 1);
    POIRecord& marker = set->records[0];
    snprintf(marker.name, sizeof marker.name, "%s", "Вышка «Ёлка» №2");
    snprintf(marker.comment, sizeof marker.comment, "%s", "съёмка с крыши, ξ ≈ 3 м");

    std::string path = folder + "точки.shp";
    FileDialogAnswers files({path});
    BoxAnswers boxes;
    SendMessageA(view, WM_COMMAND, CMD_SAVE_POI, 0);
    EXPECT_EQ(files.calls(), 1);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(set->saved, 1);
    EXPECT_STREQ(set->title, "точки.shp");
    EXPECT_EQ(logged.back(), "[SAVE]  точки.shp:  POI markers:  1");
    for (const char* name : {"точки.shp", "точки.shx", "точки.dbf"})
        EXPECT_TRUE(OnDiskByItsName(folder + name)) << name;

    POISet* back = LoadPOIShapefile(path.c_str(), "точки.shp");
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    ASSERT_EQ(back->count, 1);
    EXPECT_STREQ(back->records[0].name, marker.name);
    EXPECT_STREQ(back->records[0].comment, marker.comment);
    EXPECT_EQ(back->records[0].x, marker.x);
    EXPECT_EQ(back->records[0].y, marker.y);
    EXPECT_EQ(back->records[0].z, marker.z);
    DeletePOISet(back);
}

// A path holds 255 bytes, a Cyrillic letter two of them and a Chinese one
// three: in a folder of 249 bytes "x.las" (254) and "л.las" or "xy.las"
// (255), in one of 250 "p.las" (255), open and save in place (Ctrl+S)
// through the temporary file beside them, whose name passes MAX_PATH bytes;
// "лx.las" or "xyz.las" (256), and "p.las" in a folder of 557 bytes, are
// refused on every road as they are chosen, naming the limit in a box within
// the screen that shows the file's name.
TEST_F(CyrillicPaths, AFileThatOpensSavesInPlaceUpToThePathLimit)
{
    REQUIRE_SAMPLES();
    struct Case {
        const char* letter;
        size_t folder;
        std::vector<std::string> names;
    };
    for (const Case& c : {Case{"д", 249, {"x.las", "л.las", "лx.las"}}, Case{"中", 249, {"x.las", "xy.las", "xyz.las"}},
                          Case{"д", 250, {"p.las"}}, Case{"中", 250, {"p.las"}}, Case{"中", 557, {"p.las"}}}) {
        std::string deep = MakeFolderOfBytes(c.folder, c.letter);
        for (const std::string& name : c.names) {
            std::string path = deep + name;
            ASSERT_TRUE(CopyTo("point-time.las", path)) << name;
            Bytes before = ReadBytes(path);
            BoxAnswers boxes;
            HWND view = OpenThroughDialog(path);
            if (path.size() > 255) {
                EXPECT_EQ(view, nullptr);
                EXPECT_EQ(OpenFileInNewView(path.c_str()), 0);
                DropOnFrame({path});
                EXPECT_EQ(PlanViews().size(), 0u);
                ASSERT_EQ(boxes.shown().size(), 3u) << path.size();
                for (const auto& box : boxes.shown()) EXPECT_EQ(box.text, PathTooLongText(path));
                EXPECT_TRUE(FitsTheScreen(boxes.shown()[0].text));
                EXPECT_NE(boxes.shown()[0].text.find(name + "\n"), std::string::npos) << boxes.shown()[0].text;
                continue;
            }
            ASSERT_NE(view, nullptr) << name;
            EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
            EXPECT_TRUE(EditAndSave(view, 'S', before, "[SAVE]  " + name)) << name;
            CloseViews();
        }
    }
}

// Save As takes a name up to the same limit, counting the ".las" it adds;
// beyond it the user is told, and the set keeps its file.
TEST_F(CyrillicPaths, SaveAsTakesANameUpToThePathLimit)
{
    REQUIRE_SAMPLES();
    std::string source = Copy("point-time.las", "съёмка.las");
    Bytes before = ReadBytes(source);
    HWND view = OpenThroughDialog(source);
    ASSERT_NE(view, nullptr);
    DataSet* set = Record(view)->currentDataSet;
    std::string deep = MakeFolderOfBytes(249, "д");
    std::string tooLong = deep + "юx.las";
    FileDialogAnswers targets({tooLong, deep + "юx", deep + "ю"});
    for (const std::string& refused : {tooLong, tooLong}) {
        BoxAnswers boxes;
        SendMessageA(FrameWindow, WM_COMMAND, CMD_SAVE_LAS_AS, 0);
        EXPECT_TRUE(ShowedOneBox(boxes, PathTooLongText(refused)));
        EXPECT_STREQ(set->path, source.c_str());
        EXPECT_EQ(FolderFiles(deep), std::vector<std::string>{});
    }
    std::string edited = deep + "ю.las";
    ASSERT_EQ(edited.size(), 255u);
    EXPECT_TRUE(EditAndSave(view, CMD_SAVE_LAS_AS, before, "[SAVE AS]  ю.las"));
    EXPECT_EQ(targets.calls(), 3);
    EXPECT_STREQ(set->path, edited.c_str());
    EXPECT_EQ(ReadBytes(source), before);
    EXPECT_TRUE(EditAndSave(view, CMD_SAVE_LAS, before, "[SAVE]  ю.las"));
}

// A LAS file opens wherever its path fits. In a long folder of one-byte
// letters it saves in place up to the folder's limit (at it and one under);
// one over, only its save is refused, naming the folder's length as Windows
// shows it and the limit, and Save As to a shorter folder saves it. A name
// with ".las" fits wherever its path does.
TEST_F(CyrillicPaths, ALASFileOpensWhereverItsPathFitsAndOnlyASaveWithoutRoomIsRefused)
{
    REQUIRE_SAMPLES();
    const int limit = (int)LongestTempFolder(kTempFileExtension);
    struct Case {
        int folder;
        const char* name;
    };
    for (const Case& c : {Case{limit, "x.las"}, Case{limit - 1, "x"}, Case{limit, "x"}, Case{limit + 1, "x"}}) {
        std::string path = MakeFolderOfUnits((size_t)c.folder, "d") + c.name;
        ASSERT_TRUE(CopyTo("point-time.las", path)) << path;
        Bytes before = ReadBytes(path);
        BoxAnswers boxes;
        HWND view = OpenThroughDialog(path);
        ASSERT_NE(view, nullptr) << c.folder << c.name;
        EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
        if (c.folder <= limit) {
            EXPECT_TRUE(EditAndSave(view, CMD_SAVE_LAS, before, std::string("[SAVE]  ") + c.name)) << c.folder << c.name;
            CloseViews();
            continue;
        }
        DataSet* set = Record(view)->currentDataSet;
        set->points[3].classification = 7;
        set->saved = 0;
        SendMessageA(FrameWindow, WM_COMMAND, CMD_SAVE_LAS, 0);
        EXPECT_TRUE(ShowedOneBox(boxes, Formatted(kSaveFolderTooLongText, "x", limit + 1, limit)));
        EXPECT_EQ(set->saved, 0);
        EXPECT_TRUE(LoggedLine("[ERROR]  Save File"));
        EXPECT_EQ(ReadBytes(path), before);
        FileDialogAnswers target({folder + "saved.las"});
        EXPECT_TRUE(EditAndSave(view, CMD_SAVE_LAS_AS, before, "[SAVE AS]  saved.las"));
        EXPECT_EQ(ReadBytes(path), before);
        CloseViews();
    }
}

// A project tile at the path limit gets its lock marker beside it (the same
// length: ".loc" for ".las") and is saved in place.
TEST_F(CyrillicPaths, AProjectTileAtThePathLimitIsLockedAndSaved)
{
    std::string tile = MakeFolderOfBytes(249, "д") + "л.las";
    ASSERT_EQ(tile.size(), 255u);
    ASSERT_TRUE(MakeTileLAS(tile, 1000.0, 5000.0, 100.0));
    Project* p = NewProject();
    ProjectTile* t = SquareTile("л.las", 1000.0, 5000.0, 100.0);
    snprintf(t->path, sizeof t->path, "%s", tile.c_str());
    AddProjectTile(p, t);
    SetProjectBoundsFromTiles(p);
    p->saved = 1;
    HWND window = ShowProjectWindow(p);
    ASSERT_NE(window, nullptr);
    Bytes before = ReadBytes(tile);
    BoxAnswers boxes;
    ClickProjectWindow(window, 1050, 5050);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(t->activeStatus, TILE_OPEN);
    EXPECT_STREQ(TileLockPath(tile.c_str()), (tile.substr(0, tile.size() - 4) + ".loc").c_str());
    EXPECT_STREQ(ReadTileLockOwner(tile.c_str()), OwnTileLockLine());
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_TRUE(EditAndSave(views[0], CMD_SAVE_LAS, before, "[SAVE]  л.las"));
    EXPECT_EQ(IsOwnTileLock(tile.c_str()), 1);
}

