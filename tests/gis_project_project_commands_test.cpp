// The project commands through the frame's dispatcher, with their dialogs
// driven as a user would.
#include "project_test_files.h"
#include "saved_projects.h"
#include "layer_test_files.h"
#include "las_test_files.h"
#include "window_fixtures.h"
#include "gis/project/project.h"
#include "gis/project/project_commands.h"
#include "gis/project/project_dialogs.h"
#include "gis/project/project_file.h"
#include "gis/project/project_window.h"
#include "shell/frame_command.h"
#include "shell/view_window.h"
#include "shell/open_files.h"
#include "shell/frame.h"
#include "data/las_lock.h"
#include "base/file_system.h"
#include "resource.h"

namespace {

class ProjectCommands : public ProjectFrameFixture {
protected:
    static int Command(int id) { return FrameCommand(MAKEWPARAM(id, 0), 0); }
    // The tiles tile0.las ... as the multi-selection answer of the tile dialog.
    std::string TileSelection(int count)
    {
        for (int i = 0; i < count; i++)
            MakeTileLAS(folder + "tile" + std::to_string(i) + ".las", 1000.0 + 100 * i, 5000.0, 100.0);
        std::string answer = folder.substr(0, folder.size() - 1);
        for (int i = 0; i < count; i++) answer += "|tile" + std::to_string(i) + ".las";
        return answer;
    }
    // A saved project of three tiles in the folder.
    std::string SavedProject(const char* name = "saved.lep")
    {
        Project* p = MakeRowProject(folder, 3);
        p->tiles[1]->editStatus = 1;
        std::string path = SaveAndFreeProject(p, folder, name);
        EXPECT_FALSE(path.empty());
        return path;
    }
};

void SetText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
void Press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }
void ChooseUnits(HWND dialog, int row)
{
    SendDlgItemMessageA(dialog, IDC_PROJECT_UNITS, CB_SETCURSEL, (WPARAM)row, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROJECT_UNITS, CBN_SELCHANGE), (LPARAM)GetDlgItem(dialog, IDC_PROJECT_UNITS));
}
std::string Text(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
int Rows(HWND dialog) { return (int)SendDlgItemMessageA(dialog, IDC_PROJECT_TILES, LB_GETCOUNT, 0, 0); }

WNDPROC projectProc;
bool shownWhenClosed;
LRESULT CALLBACK WatchClose(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_CLOSE) shownWhenClosed = IsWindowVisible(w) && IsZoomed(w);
    return CallWindowProcA(projectProc, w, m, wp, lp);
}

}  // namespace

TEST_F(ProjectCommands, CommandsThatNeedAProjectSayThereIsNone)
{
    for (int id : {CMD_PROJECT_SAVE, CMD_PROJECT_SAVE_AS, CMD_PROJECT_EDIT, CMD_PROJECT_SHOW, CMD_PROJECT_CLOSE}) {
        BoxAnswers boxes;
        EXPECT_EQ(Command(id), 0) << id;
        ASSERT_TRUE(ShowedOneBox(boxes, kNoProjectText)) << id;
        EXPECT_EQ(boxes.shown()[0].caption, "Project");
        EXPECT_EQ(ProjectWindow(), nullptr);
    }
}

TEST_F(ProjectCommands, CreateTakesTheTilesUnitsAndOverlapThenSavesANewLepFile)
{
    FileDialogAnswers files({TileSelection(3), folder + "block7"});
    std::string unitsLabel;
    DialogDriver driver([&](HWND dialog, int id) {
        ASSERT_EQ(id, IDD_CREATE_PROJECT);
        EXPECT_EQ(Rows(dialog), 3);              // the tile choice ran at once
        EXPECT_EQ(Text(dialog, IDC_PROJECT_OVERLAP), "100");
        ChooseUnits(dialog, 1);
        unitsLabel = Text(dialog, IDC_PROJECT_OVERLAP_UNITS);
        SetText(dialog, IDC_PROJECT_OVERLAP, "50");
        SetText(dialog, IDC_PROJECT_DESCRIPTION, "north block");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Command(CMD_PROJECT_CREATE), 1);
    EXPECT_EQ(unitsLabel, "Feet");
    ASSERT_EQ(files.captions().size(), 2u);
    EXPECT_EQ(files.captions()[0], kSelectTilesTitle);
    EXPECT_EQ(files.captions()[1], "Save VelkaViewer Project As");
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->units, 3);
    EXPECT_EQ(p->bufferSize, 50);
    EXPECT_STREQ(p->description, "north block");
    EXPECT_EQ(p->tileCount, 3);
    EXPECT_EQ(p->saved, 1);
    EXPECT_EQ(std::string(p->path), folder + "block7.lep");
    EXPECT_TRUE(FileExists((folder + "block7_tiles.shp").c_str()));
    char title[300];
    GetWindowTextA(ProjectWindow(), title, sizeof title);
    EXPECT_EQ(std::string(title), std::string(kProjectTitlePrefix) + "block7.lep");
    for (int i = 0; i < 3; i++) EXPECT_EQ(p->tiles[i]->activeStatus, TILE_AVAILABLE);
}

TEST_F(ProjectCommands, CreateWithoutTilesStaysOpenAndCancelChangesNothing)
{
    FileDialogAnswers files({""});
    int boxesWhileOpen = 0;
    DialogDriver driver([&](HWND dialog, int) {
        BoxAnswers boxes;
        Press(dialog, IDOK);
        boxesWhileOpen = (int)boxes.shown().size();
        EXPECT_TRUE(IsWindow(dialog));
        if (!boxes.shown().empty()) { EXPECT_EQ(boxes.shown()[0].text, kNoTilesSelectedText); }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(Command(CMD_PROJECT_CREATE), 1);
    EXPECT_EQ(boxesWhileOpen, 1);
    EXPECT_EQ(ProjectWindow(), nullptr);
}

// A tile that cannot be read takes the user back to the dialog as it was,
// the tile's row selected; no project of the tiles left is made, nor saved.
TEST_F(ProjectCommands, CreateWithAMissingTileGoesBackToTheDialogWithTheTileSelected)
{
    FileDialogAnswers files({TileSelection(2) + "|gone.las", folder + "east"});
    std::string box, description, overlap;
    int selected = -1;
    size_t fileDialogs = 0;
    bool open = false;
    DialogDriver driver([&](HWND dialog, int) {
        SetText(dialog, IDC_PROJECT_DESCRIPTION, "east block");
        SetText(dialog, IDC_PROJECT_OVERLAP, "40");
        {
            BoxAnswers boxes;
            Press(dialog, IDOK);
            box = boxes.shown().size() == 1 ? boxes.shown()[0].text : "boxes: " + std::to_string(boxes.shown().size());
        }
        open = IsWindow(dialog);
        fileDialogs = files.captions().size();
        selected = (int)SendDlgItemMessageA(dialog, IDC_PROJECT_TILES, LB_GETCURSEL, 0, 0);
        description = Text(dialog, IDC_PROJECT_DESCRIPTION);
        overlap = Text(dialog, IDC_PROJECT_OVERLAP);
        Press(dialog, IDC_PROJECT_REMOVE_TILE);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Command(CMD_PROJECT_CREATE), 1);
    EXPECT_EQ(box.rfind(std::string("gone.las") + kUnableToOpenLASText, 0), 0u) << box;
    EXPECT_TRUE(open);
    EXPECT_EQ(fileDialogs, 1u);   // the tile choice alone: no save was offered
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(description, "east block");
    EXPECT_EQ(overlap, "40");
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tileCount, 2);
    EXPECT_EQ(p->bufferSize, 40);
    EXPECT_EQ(p->saved, 1);
    BoxAnswers none;
    Project* again = ReadProjectFile((folder + "east.lep").c_str(), "east.lep");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->tileCount, 2);
    FreeProject(again);
}

// A project of no tiles is refused by the writer, and by Save and Save As
// before a name is asked for; one left so by an older save still opens, so
// that tiles can be added to it.
TEST_F(ProjectCommands, AProjectWithoutTilesIsNeitherWrittenNorOfferedAName)
{
    {
        Project* empty = NewProject();
        snprintf(empty->path, sizeof empty->path, "%snone.lep", folder.c_str());
        BoxAnswers boxes;
        EXPECT_EQ(WriteProjectFile(empty), 0);
        EXPECT_TRUE(ShowedOneBox(boxes, kProjectWithoutTilesText));
        EXPECT_FALSE(FileExists((folder + "none_tiles.shp").c_str()));
        FreeProject(empty);
    }
    std::string path = SavedProject("old.lep");
    ASSERT_TRUE(CutShapefileParts(folder + "old_tiles.shp", 0, 0, 0));
    const Bytes index = ReadBytes(folder + "old_tiles.shp");
    FileDialogAnswers files({path});
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    ASSERT_EQ(CurrentProject()->tileCount, 0);
    for (int id : {CMD_PROJECT_SAVE, CMD_PROJECT_SAVE_AS}) {
        BoxAnswers boxes;
        Command(id);
        EXPECT_TRUE(ShowedOneBox(boxes, kProjectWithoutTilesText)) << id;
    }
    EXPECT_EQ(files.captions().size(), 1u);   // the open alone
    EXPECT_TRUE(ReadBytes(folder + "old_tiles.shp") == index);
}

TEST_F(ProjectCommands, AnUnsavedProjectIsShownAndClosingItAsksToSave)
{
    FileDialogAnswers files({TileSelection(2), ""});   // the save is declined
    DialogDriver driver([](HWND dialog, int) { Press(dialog, IDOK); });
    Command(CMD_PROJECT_CREATE);
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->saved, 0);
    BoxAnswers boxes({IDNO});
    EXPECT_EQ(Command(CMD_PROJECT_CLOSE), 1);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kProjectNotSavedQuestion, kDefaultProjectDescription, "")));
    EXPECT_EQ(ProjectWindow(), nullptr);
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_PROJECTWIN), 0);
}

TEST_F(ProjectCommands, OpenShowsTheProjectAndAnotherOpenReplacesIt)
{
    std::string first = SavedProject("first.lep");
    std::string second = SavedProject("second.lep");
    FileDialogAnswers files({first, second});
    Command(CMD_PROJECT_OPEN);
    HWND window = ProjectWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(CurrentProject()->title, "first.lep");
    EXPECT_EQ(GetActiveView(), window);
    Command(CMD_PROJECT_OPEN);
    EXPECT_EQ(ProjectWindow(), window);   // the window is used again
    EXPECT_STREQ(CurrentProject()->title, "second.lep");
    char title[300];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string(kProjectTitlePrefix) + "second.lep");
}

TEST_F(ProjectCommands, OpeningReleasesOnlyTheMarkersOfThisProcess)
{
    std::string path = SavedProject();
    ASSERT_EQ(LockTile((folder + "tile1.las").c_str()), 1);
    // Another copy of the program, run by the same user, holds tile 0.
    OtherProcess copy;
    WriteTempFile("tile0.loc", copy.MarkerText());
    FileDialogAnswers files({path});
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->tiles[1]->activeStatus, TILE_AVAILABLE);
    EXPECT_EQ(ReadTileLockOwner((folder + "tile1.las").c_str()), nullptr);
    EXPECT_EQ(CurrentProject()->tiles[0]->activeStatus, TILE_LOCKED);
    EXPECT_STREQ(ReadTileLockOwner((folder + "tile0.las").c_str()), OwnTileLockLine());
}

TEST_F(ProjectCommands, HiddenWindowIsShownAgainBeforeItCloses)
{
    FileDialogAnswers files({SavedProject()});
    Command(CMD_PROJECT_OPEN);
    HWND window = ProjectWindow();
    ASSERT_NE(window, nullptr);
    // A plan view hides the project window; 9057 brings it back and hides it again.
    ViewRecord* record = CreateViewRecord();
    strcpy(record->title, "view");
    ASSERT_NE(CreateViewWindow(record), nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    Command(CMD_PROJECT_SHOW);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsZoomed(window));
    EXPECT_EQ(Record(window)->projectShown, 1);
    Command(CMD_PROJECT_SHOW);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(Record(window)->projectShown, 0);
    shownWhenClosed = false;
    projectProc = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)WatchClose);
    Command(CMD_PROJECT_CLOSE);
    EXPECT_TRUE(shownWhenClosed);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(CurrentProject(), nullptr);
}

TEST_F(ProjectCommands, EditRebuildsTheTilesAndKeepsWhatTheIndexKeepsOfThem)
{
    FileDialogAnswers files({SavedProject()});
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    std::string fileShown;
    DialogDriver driver([&](HWND dialog, int id) {
        ASSERT_EQ(id, IDD_EDIT_PROJECT);
        fileShown = Text(dialog, IDC_PROJECT_FILE);
        EXPECT_EQ(Rows(dialog), 3);
        SendDlgItemMessageA(dialog, IDC_PROJECT_TILES, LB_SETCURSEL, 2, 0);
        Press(dialog, IDC_PROJECT_REMOVE_TILE);
        EXPECT_EQ(Rows(dialog), 2);
        SetText(dialog, IDC_PROJECT_OVERLAP, "25");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Command(CMD_PROJECT_EDIT), 1);
    EXPECT_EQ(fileShown, folder + "saved.lep");
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tileCount, 2);
    EXPECT_EQ(p->bufferSize, 25);
    EXPECT_EQ(p->tiles[1]->editStatus, 1);   // not lost by the rebuild
    EXPECT_EQ(p->saved, 1);                  // written under its own name
}

// A tile the index holds without an outline, its file gone: the edit keeps
// it as it was rather than reading its header, and the save keeps its record.
TEST_F(ProjectCommands, EditKeepsATileWithoutOutlineOrFileAndTheSaveKeepsItsRecord)
{
    Project* p = MakeRowProject(folder, 3);
    DropTileOutline(p->tiles[1]);
    DeleteFileA(p->tiles[1]->path);
    ASSERT_FALSE(SaveAndFreeProject(p, folder, "gap.lep").empty());
    BoxAnswers boxes;   // the tile without an outline is named on opening
    FileDialogAnswers files({folder + "gap.lep"});
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    ASSERT_EQ(CurrentProject()->tileCount, 3);
    DialogDriver driver([&](HWND dialog, int) {
        EXPECT_EQ(Rows(dialog), 3);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(Command(CMD_PROJECT_EDIT), 1);
    ASSERT_NE(CurrentProject(), nullptr);
    ASSERT_EQ(CurrentProject()->tileCount, 3);
    EXPECT_EQ(CurrentProject()->tiles[1]->boundary, nullptr);
    EXPECT_EQ(CurrentProject()->tiles[1]->activeStatus, TILE_NOT_FOUND);
    CurrentProject()->saved = 0;
    Command(CMD_PROJECT_SAVE);
    EXPECT_EQ(CurrentProject()->saved, 1);
    Project* back = ReadProjectFile((folder + "gap.lep").c_str(), "gap.lep");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->tileCount, 3);
    EXPECT_STREQ(back->tiles[1]->name, "tile1.las");
    EXPECT_EQ(back->tiles[1]->boundary, nullptr);
    EXPECT_NE(back->tiles[2]->boundary, nullptr);
    FreeProject(back);
}

namespace {
std::string folderAnswer;
int AnswerFolder(char* path, const char*)
{
    snprintf(path, MAX_PATH, "%s", folderAnswer.c_str());
    return 1;
}
}  // namespace

TEST_F(ProjectCommands, TilesAwayFromTheProjectFileAreFoundOnReopeningAndAtOnceAfterAnEdit)
{
    // "Separate directory" unticked, the project file one folder above its tiles.
    std::string tiles = folder + "tiles\\";
    CreateDirectoryA(tiles.c_str(), nullptr);
    EXPECT_FALSE(SaveAndFreeProject(MakeRowProject(tiles, 2), folder, "above.lep").empty());
    // A file that lost them: written with the tiles beside it, which are elsewhere now.
    EXPECT_FALSE(SaveAndFreeProject(MakeRowProject(folder, 2, false), folder, "lost.lep").empty());

    FileDialogAnswers files({folder + "above.lep", folder + "lost.lep"});
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(std::string(CurrentProject()->dataFolder), tiles);
    EXPECT_EQ(CurrentProject()->tiles[1]->activeStatus, TILE_AVAILABLE);
    Command(CMD_PROJECT_OPEN);
    ASSERT_NE(CurrentProject(), nullptr);
    EXPECT_EQ(CurrentProject()->tiles[1]->activeStatus, TILE_NOT_FOUND);

    folderAnswer = tiles;
    SetFolderDialogHook(AnswerFolder);
    DialogDriver driver([&](HWND dialog, int) {
        CheckDlgButton(dialog, IDC_PROJECT_SEPARATE, BST_CHECKED);
        Press(dialog, IDC_PROJECT_SEPARATE);
        Press(dialog, IDC_PROJECT_BROWSE);
        Press(dialog, IDOK);
    });
    Command(CMD_PROJECT_EDIT);
    SetFolderDialogHook(nullptr);
    ASSERT_NE(CurrentProject(), nullptr);
    for (int i = 0; i < 2; i++) EXPECT_EQ(CurrentProject()->tiles[i]->activeStatus, TILE_AVAILABLE) << i;
}

TEST_F(ProjectCommands, EditWithTheListEmptiedIsRefusedAndTheDialogStays)
{
    FileDialogAnswers files({SavedProject()});
    Command(CMD_PROJECT_OPEN);
    Project* before = CurrentProject();
    int refused = 0;
    DialogDriver driver([&](HWND dialog, int) {
        Press(dialog, IDC_PROJECT_REMOVE_ALL);
        BoxAnswers boxes;
        Press(dialog, IDOK);
        refused = (int)boxes.shown().size();
        EXPECT_TRUE(IsWindow(dialog));
        Press(dialog, IDCANCEL);
    });
    Command(CMD_PROJECT_EDIT);
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(CurrentProject(), before);
    EXPECT_EQ(CurrentProject()->tileCount, 3);
}

TEST_F(ProjectCommands, ImportReadsATerraScanProjectIntoAnUnsavedProject)
{
    TileSelection(2);
    std::string text = "[TerraScan project]\nDescription=imported\nDirectory=" + folder + "\nStorage=LAS\n";
    for (int i = 0; i < 2; i++) {
        text += "Block " + folder + "tile" + std::to_string(i) + ".las\n";
        double x = 1000 + 100 * i;
        text += std::to_string(x) + " 5000\n" + std::to_string(x) + " 5100\n" + std::to_string(x + 100) + " 5100\n" +
                std::to_string(x + 100) + " 5000\nEnd\n";
    }
    std::string prj = WriteTempFile("survey.prj", text);
    FileDialogAnswers files({prj, folder + "imported"});
    DialogDriver driver([&](HWND dialog, int id) {
        ASSERT_EQ(id, IDD_TSCAN_PROJECT);
        EXPECT_EQ(Rows(dialog), 2);
        EXPECT_EQ(Text(dialog, IDC_PROJECT_DESCRIPTION), "imported");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PROJECT_SEPARATE), BST_CHECKED);
        Press(dialog, IDOK);
    });
    Command(CMD_PROJECT_IMPORT);
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tileCount, 2);
    EXPECT_EQ(std::string(p->tiles[1]->path), folder + "tile1.las");
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_AVAILABLE);
    EXPECT_EQ(std::string(p->path), folder + "imported.lep");
    EXPECT_EQ(files.captions()[0], "Import TScan Project File");
}

TEST_F(ProjectCommands, ADeclinedTerraScanChoiceEndsTheDialogWithoutAProject)
{
    FileDialogAnswers files({""});
    DialogDriver driver([&](HWND dialog, int) { Press(dialog, IDCANCEL); });
    EXPECT_EQ(Command(CMD_PROJECT_IMPORT), 1);
    EXPECT_EQ(ProjectWindow(), nullptr);
}

TEST_F(ProjectCommands, ClosingRemovesTheMarkersOfTilesLoadedWithBufferPoints)
{
    FileDialogAnswers files({SavedProject()});
    Command(CMD_PROJECT_OPEN);
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(LockTile(p->tiles[0]->path), 1);
    p->tiles[0]->openCount = 1;
    std::string tile = p->tiles[0]->path;
    Command(CMD_PROJECT_CLOSE);
    EXPECT_EQ(ReadTileLockOwner(tile.c_str()), nullptr);
}

// A tile open in a view keeps the marker its project took while other
// projects replace that one: a project holding the tile shows it Open, and
// the marker goes when the view closes.
TEST_F(ProjectCommands, ATileOpenInAViewKeepsItsMarkerWhateverProjectReplacesItsOwn)
{
    std::string saved = SavedProject();
    std::string elsewhere = folder + "other\\";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    std::string other = SaveAndFreeProject(MakeRowProject(elsewhere, 1), elsewhere, "other.lep");
    ASSERT_FALSE(other.empty());

    FileDialogAnswers files({ saved, other, saved, other });
    Command(CMD_PROJECT_OPEN);
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    std::string tile = p->tiles[0]->path;
    ASSERT_EQ(LockTile(tile.c_str()), 1);   // as the project window does when it opens a tile
    p->tiles[0]->openCount = 1;
    ASSERT_EQ(OpenFilesInNewView(tile.c_str(), 0), 1);
    ASSERT_EQ(PlanViews().size(), 1u);

    Command(CMD_PROJECT_OPEN);   // a project without the tile
    EXPECT_STREQ(CurrentProject()->title, "other.lep");
    EXPECT_NE(ReadTileLockOwner(tile.c_str()), nullptr);
    Command(CMD_PROJECT_OPEN);   // the tile's own project again
    EXPECT_EQ(CurrentProject()->tiles[0]->activeStatus, TILE_OPEN);
    EXPECT_NE(ReadTileLockOwner(tile.c_str()), nullptr);
    Command(CMD_PROJECT_OPEN);
    EXPECT_NE(ReadTileLockOwner(tile.c_str()), nullptr);
    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)PlanViews()[0], 0);
    EXPECT_EQ(ReadTileLockOwner(tile.c_str()), nullptr);
}

TEST_F(ProjectCommands, ClosingTheFrameOffersToSaveAnUnsavedProject)
{
    FileDialogAnswers files({TileSelection(1), ""});
    DialogDriver driver([](HWND dialog, int) { Press(dialog, IDOK); });
    Command(CMD_PROJECT_CREATE);
    ASSERT_NE(CurrentProject(), nullptr);
    BoxAnswers boxes({IDNO});
    EXPECT_EQ(FrameClose(FrameWindow), 1);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kProjectNotSavedQuestion, kDefaultProjectDescription, "")));
    EXPECT_EQ(ProjectWindow(), nullptr);
}
