// The three project dialogs and what they share: the tile list, the data
// folder, the description, the tile overlap and the units.
#include "gis/project/project_dialogs.h"
#include "gis/project/project.h"
#include "gis/project/project_file.h"
#include "gis/project/tscan_project.h"
#include "app/app_windows.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/file_list_dialogs.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/stored_text.h"
#include "resource.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const char kNoTilesSelectedText[] = "No Tiles have been selected!";
const char kSelectTilesTitle[] = "Select Tiles For Project";

// State of the open project dialog (they are modal: one at a time).
struct ProjectDialogState {
    FileList files;
    char     folder[MAX_PATH];   // "Separate directory"
    Project* project;            // edit: the current project; import: the project read
};
static ProjectDialogState state;

static void ShowUnitsLabel(HWND dialog, int feet)
{
    SetDlgItemTextA(dialog, IDC_PROJECT_OVERLAP_UNITS, feet ? "Feet" : "Meters");
}

static void FillUnitsCombo(HWND dialog, int feet)
{
    HWND combo = GetDlgItem(dialog, IDC_PROJECT_UNITS);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "Meters");
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "Feet");
    SendMessageA(combo, CB_SETCURSEL, feet ? 1 : 0, 0);
    ShowUnitsLabel(dialog, feet);
}

static void FillTileRows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_PROJECT_TILES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < state.files.count; i++) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)state.files.entries[i]->title);
    SetListBoxExtent(list, &state.files);
}

static void ShowSeparateFolder(HWND dialog)
{
    BOOL on = IsDlgButtonChecked(dialog, IDC_PROJECT_SEPARATE) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_PROJECT_BROWSE), on);
    SetDlgItemTextA(dialog, IDC_PROJECT_FOLDER, on ? state.folder : "");
}

static void OpenDialogState(Project* project)
{
    ClearFileList(&state.files);
    state.folder[0] = 0;
    state.project = project;
}

void FillProjectDialog(HWND dialog, const Project* project, FileList* files)
{
    FillUnitsCombo(dialog, project->units != 1);
    SetDlgItemInt(dialog, IDC_PROJECT_OVERLAP, (UINT)project->bufferSize, TRUE);
    SetDlgItemTextA(dialog, IDC_PROJECT_DESCRIPTION, project->description);
    SetDlgItemTextA(dialog, IDC_PROJECT_FOLDER, project->dataFolder);
    bool separate = project->dataFolder[0] != 0;
    CheckDlgButton(dialog, IDC_PROJECT_SEPARATE, separate ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_PROJECT_BROWSE), separate);
    ClearFileList(files);
    for (int i = 0; i < project->tileCount; i++) {
        const ProjectTile* t = project->tiles[i];
        if (!t) continue;
        int before = files->count;
        if (AddFileListEntry(files, t->path, t->name) == before) continue;
        FileListEntry* e = files->entries[files->count - 1];
        e->minX = t->minX;
        e->maxX = t->maxX;
        e->minY = t->minY;
        e->maxY = t->maxY;
        e->extent = CopyGpcPolygon(t->boundary);
        e->kind = 1;
    }
    HWND list = GetDlgItem(dialog, IDC_PROJECT_TILES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < project->tileCount; i++)
        if (project->tiles[i]) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)project->tiles[i]->name);
    SetListBoxExtent(list, files);
}

// Units, overlap and description from the controls.
static void SettingsFromDialog(HWND dialog, Project* project)
{
    project->units = SendDlgItemMessageA(dialog, IDC_PROJECT_UNITS, CB_GETCURSEL, 0, 0) == 1 ? 3 : 1;
    char text[64] = "";
    GetDlgItemTextA(dialog, IDC_PROJECT_OVERLAP, text, sizeof text);
    project->bufferSize = (int32_t)atoi(text);
    GetDialogText(dialog, IDC_PROJECT_DESCRIPTION, project->description, sizeof project->description);
}

// The tile of `listed` that the entry of `path` was listed from, else null.
static const ProjectTile* ListedTile(const Project* listed, const char* path)
{
    for (int i = 0; listed && i < listed->tileCount; i++)
        if (listed->tiles[i] && !lstrcmpiA(listed->tiles[i]->path, path)) return listed->tiles[i];
    return nullptr;
}

int ProjectFromDialog(HWND dialog, Project* project, const FileList* files, const char* dataFolder, const Project* listed,
                      int* unusable)
{
    if (unusable) *unusable = -1;
    SettingsFromDialog(dialog, project);
    bool separate = IsDlgButtonChecked(dialog, IDC_PROJECT_SEPARATE) == BST_CHECKED;
    snprintf(project->dataFolder, sizeof project->dataFolder, "%s", separate && dataFolder ? dataFolder : "");
    // What the user left as it was keeps the letters it was read with.
    KeepLettersOf(project->description, listed ? listed->description : nullptr, sizeof project->description);
    KeepLettersOf(project->dataFolder, listed ? listed->dataFolder : nullptr, sizeof project->dataFolder);
    for (int i = 0; i < files->count; i++) {
        const FileListEntry* e = files->entries[i];
        ProjectTile* t = nullptr;
        // A tile of the project stays as it is, also without an outline: its
        // header is not read again, so a missing file does not drop it.
        const ProjectTile* kept = e->extent ? nullptr : ListedTile(listed, e->path);
        if (e->extent || kept) {
            t = NewProjectTile(0);
            if (!t) return 0;
            snprintf(t->path, sizeof t->path, "%s", e->path);
            snprintf(t->name, sizeof t->name, "%s", e->title);
            KeepLettersOf(t->path, kept ? kept->path : nullptr, sizeof t->path);
            KeepLettersOf(t->name, kept ? kept->name : nullptr, sizeof t->name);
            t->boundary = e->extent ? CopyGpcPolygon(e->extent) : nullptr;
            t->minX = e->minX;
            t->maxX = e->maxX;
            t->minY = e->minY;
            t->maxY = e->maxY;
            t->boundsKnown = kept ? kept->boundsKnown : 1;
        } else {
            // A tile whose header cannot be used is not left out unseen: the
            // user was told, and the project is not made without it.
            t = TileFromLASHeader(e->path);
            if (!t) {
                if (unusable) *unusable = i;
                return 0;
            }
        }
        if (!AddProjectTile(project, t)) {
            FreeProjectTile(t);
            return 0;
        }
    }
    // The tiles are where the project file will look for them: in the data
    // folder when one is given, so that an edit that names it takes at once.
    for (int i = 0; project->dataFolder[0] && i < project->tileCount; i++) {
        ProjectTile* t = project->tiles[i];
        size_t n = strlen(project->dataFolder);
        const char* separator = project->dataFolder[n - 1] == '\\' ? "" : "\\";
        std::string path = t ? std::string(project->dataFolder) + separator + t->name : std::string();
        if (t && path.size() < sizeof t->path) memcpy(t->path, path.c_str(), path.size() + 1);
    }
    SetProjectBoundsFromTiles(project);
    return 1;
}

// The controls every project dialog has; 1 when the command was one of them.
static int CommonCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_PROJECT_UNITS:
        if (code == CBN_SELCHANGE)
            ShowUnitsLabel(dialog, SendDlgItemMessageA(dialog, IDC_PROJECT_UNITS, CB_GETCURSEL, 0, 0) == 1);
        return 1;
    case IDC_PROJECT_SEPARATE:
        ShowSeparateFolder(dialog);
        return 1;
    case IDC_PROJECT_BROWSE: {
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%s", state.project && !state.folder[0] ? state.project->dataFolder : state.folder);
        if (BrowseForFolder(dialog, folder, kTilesLocationTitle)) {
            snprintf(state.folder, sizeof state.folder, "%s", folder);
            SetDlgItemTextA(dialog, IDC_PROJECT_FOLDER, folder);
        }
        return 1;
    }
    case IDC_PROJECT_ADD_TILES:
        OpenProjectLASFilesDialog(dialog, &state.files, kSelectTilesTitle);
        FillTileRows(dialog);
        return 1;
    case IDC_PROJECT_REMOVE_TILE: {
        LRESULT row = SendDlgItemMessageA(dialog, IDC_PROJECT_TILES, LB_GETCURSEL, 0, 0);
        if (row >= 0 && row < state.files.count) {
            // The entry's outline is a copy of the tile's own (removing an entry leaves it).
            FreePolygon(state.files.entries[row]->extent);
            state.files.entries[row]->extent = nullptr;
            RemoveFileListEntry(&state.files, (int)row);
            FillTileRows(dialog);
        }
        return 1;
    }
    case IDC_PROJECT_REMOVE_ALL:
        ClearFileList(&state.files);
        FillTileRows(dialog);
        return 1;
    }
    return 0;
}

static void EndProjectDialog(HWND dialog, Project* result)
{
    ClearFileList(&state.files);
    state.project = nullptr;
    EndDialog(dialog, (INT_PTR)result);
}

// The project's folder: the data folder, else that of the first tile.
static void SetProjectFolder(Project* project)
{
    const char* folder = project->dataFolder[0] ? project->dataFolder
                         : project->tileCount > 0 && project->tiles[0] ? GetPathDirectory(project->tiles[0]->path)
                                                                        : "";
    snprintf(project->folder, sizeof project->folder, "%s", folder);
}

// OK of the create and edit dialogs: a new project from the tile list, with
// the name of `named` when given; null (the dialog stays, as the user left
// it) without tiles, or with a tile whose header cannot be used, whose row is
// then selected.
static Project* NewProjectFromList(HWND dialog, const Project* named)
{
    if (state.files.count == 0) {
        ErrorMessage(kNoTilesSelectedText);
        return nullptr;
    }
    Project* project = NewProject();
    if (!project) return nullptr;
    if (named) {
        snprintf(project->path, sizeof project->path, "%s", named->path);
        snprintf(project->title, sizeof project->title, "%s", named->title);
        snprintf(project->folder, sizeof project->folder, "%s", named->folder);
    }
    int unusable = -1;
    if (!ProjectFromDialog(dialog, project, &state.files, state.folder, state.project, &unusable)) {
        FreeProject(project);
        if (unusable >= 0) SendDlgItemMessageA(dialog, IDC_PROJECT_TILES, LB_SETCURSEL, (WPARAM)unusable, 0);
        return nullptr;
    }
    return project;
}

INT_PTR CALLBACK CreateProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenDialogState(nullptr);
        FillUnitsCombo(dialog, 0);
        SetDlgItemTextA(dialog, IDC_PROJECT_OVERLAP, "100");
        CenterOnFrame(dialog);
        SendMessageA(dialog, WM_COMMAND, IDC_PROJECT_ADD_TILES, 0);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK) {
            Project* project = NewProjectFromList(dialog, nullptr);
            if (!project) return TRUE;
            SetProjectFolder(project);
            EndProjectDialog(dialog, project);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndProjectDialog(dialog, nullptr);
            return TRUE;
        }
        return CommonCommand(dialog, id, HIWORD(wParam));
    }
    }
    return FALSE;
}

// The edit list rebuilds every tile; what the tile index keeps of a tile that
// the program never changes goes over to its new record.
static void KeepEditStatus(Project* to, const Project* from)
{
    for (int i = 0; i < to->tileCount; i++)
        for (int k = 0; k < from->tileCount; k++)
            if (to->tiles[i] && from->tiles[k] && !lstrcmpiA(to->tiles[i]->path, from->tiles[k]->path)) {
                to->tiles[i]->editStatus = from->tiles[k]->editStatus;
                break;
            }
}

INT_PTR CALLBACK EditProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        Project* current = (Project*)lParam;
        OpenDialogState(current);
        if (!current) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        SetDlgItemTextA(dialog, IDC_PROJECT_FILE, current->path);
        snprintf(state.folder, sizeof state.folder, "%s", current->dataFolder);
        FillProjectDialog(dialog, current, &state.files);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK) {
            Project* project = NewProjectFromList(dialog, state.project);
            if (!project) return TRUE;
            KeepEditStatus(project, state.project);
            EndProjectDialog(dialog, project);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndProjectDialog(dialog, nullptr);
            return TRUE;
        }
        return CommonCommand(dialog, id, HIWORD(wParam));
    }
    }
    return FALSE;
}

static int ChooseAndReadTScan(HWND dialog)
{
    char path[256] = "", title[256] = "";
    if (!ChooseTScanProject(path, title)) return 0;
    state.project = ReadTScanProject(path, title);
    if (!state.project) return 0;
    snprintf(state.folder, sizeof state.folder, "%s", state.project->dataFolder);
    FillProjectDialog(dialog, state.project, &state.files);
    return 1;
}

// OK of the import dialog; 0 when the dialog ends without a project.
static int AcceptTScanProject(HWND dialog)
{
    Project* p = state.project;
    SettingsFromDialog(dialog, p);
    if (IsDlgButtonChecked(dialog, IDC_PROJECT_SEPARATE) != BST_CHECKED) p->dataFolder[0] = 0;
    else if (strcmp(p->dataFolder, state.folder) != 0) snprintf(p->dataFolder, sizeof p->dataFolder, "%s", state.folder);
    // A folder that is not chosen after all stays as typed.
    if (p->dataFolder[0] && !FileExists(p->dataFolder) && AskForMissingDataFolder(dialog, p) == DATA_FOLDER_CANCELLED)
        return 0;
    SetProjectFolder(p);
    return 1;
}

INT_PTR CALLBACK ImportTScanProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenDialogState(nullptr);
        FillUnitsCombo(dialog, 0);
        CenterOnFrame(dialog);
        SendMessageA(dialog, WM_COMMAND, IDC_PROJECT_CHOOSE_TSCAN, 0);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        switch (id) {
        case IDC_PROJECT_CHOOSE_TSCAN:
            if (!ChooseAndReadTScan(dialog)) EndProjectDialog(dialog, nullptr);
            return TRUE;
        case IDC_PROJECT_BROWSE: {
            char folder[MAX_PATH];
            snprintf(folder, sizeof folder, "%s", state.project ? state.project->dataFolder : "");
            if (BrowseForFolder(dialog, folder, kTilesLocationTitle)) {
                snprintf(state.folder, sizeof state.folder, "%s", folder);
                if (state.project && strlen(folder) < sizeof state.project->dataFolder)
                    snprintf(state.project->dataFolder, sizeof state.project->dataFolder, "%s", folder);
                SetDlgItemTextA(dialog, IDC_PROJECT_FOLDER, folder);
            }
            return TRUE;
        }
        case IDOK: {
            Project* p = state.project;
            if (!p) return TRUE;
            if (!AcceptTScanProject(dialog)) {
                FreeProject(p);
                p = nullptr;
            }
            EndProjectDialog(dialog, p);
            return TRUE;
        }
        case IDCANCEL:
            FreeProject(state.project);
            EndProjectDialog(dialog, nullptr);
            return TRUE;
        }
        return CommonCommand(dialog, id, HIWORD(wParam));
    }
    }
    return FALSE;
}
