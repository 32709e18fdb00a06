// The frame's project commands: open, import, create, edit, save, save as,
// show or hide and close, and the file dialogs of project files.
#include "gis/project/project_commands.h"
#include "gis/project/project.h"
#include "gis/project/project_dialogs.h"
#include "gis/project/project_file.h"
#include "gis/project/project_window.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_arrange.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/messages.h"
#include "base/paths.h"
#include "data/las_lock.h"
#include "resource.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kNoProjectText[] = "No project has been loaded.";
const char kProjectNotSavedQuestion[] = "The current project has not been saved:\n%s\n%s\nWould you like to save it?";
const char kDefaultProjectTitle[] = "project.lep";
const char kDefaultProjectDescription[] = "Current Project";

static const char kProjectFilter[] = "VelkaViewer Project files (*.lep) |*.lep|All files (*.*)|*.*|";

int ChooseProjectToOpen(char* path, char* title)
{
    path[0] = title[0] = 0;
    return ChooseOneFile(FrameWindow, kProjectFilter, "Open VelkaViewer Project", 0, 0, path, title);
}

int ChooseProjectToSave(char* path, char* title, const char* initialFolder)
{
    return ChooseOneFileIn(FrameWindow, kProjectFilter, "Save VelkaViewer Project As", 1, 0, path, title, initialFolder);
}

// Forces ".lep" on the chosen name and keeps it in the project; 0 when it does not fit.
static int TakeChosenName(Project* project, char* path, char* title)
{
    if (!ChangeFileExtensionTo(path, ".lep") || !ChangeFileExtensionTo(title, ".lep")) return 0;
    snprintf(project->path, sizeof project->path, "%s", path);
    snprintf(project->title, sizeof project->title, "%s", title);
    return 1;
}

int SaveProject(Project* project)
{
    if (!project) {
        ShowMessageBox(FrameWindow, kNoProjectText, "Save Project", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    // Refused before a name is asked for.
    if (RefuseProjectWithoutTiles(project)) return 0;
    if (!project->path[0]) {
        char path[256] = "", title[256] = "";
        const char* folder = project->folder[0] ? project->folder : project->dataFolder;
        if (!ChooseProjectToSave(path, title, folder)) return 0;
        if (!TakeChosenName(project, path, title)) return 0;
    }
    return WriteProjectFile(project);
}

int SaveProjectAs(Project* project)
{
    if (!project) {
        ShowMessageBox(FrameWindow, kNoProjectText, "Save Project As", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    if (RefuseProjectWithoutTiles(project)) return 0;
    char path[sizeof project->path], title[sizeof project->title];
    snprintf(path, sizeof path, "%s", project->path);
    snprintf(title, sizeof title, "%s", project->title);
    if (!ChooseProjectToSave(path, title, project->folder)) return 0;
    // The old name stays until the new files are written.
    char oldPath[260], oldTitle[260];
    memcpy(oldPath, project->path, sizeof oldPath);
    memcpy(oldTitle, project->title, sizeof oldTitle);
    if (!TakeChosenName(project, path, title)) return 0;
    int written = WriteProjectFile(project);
    if (!written) {
        memcpy(project->path, oldPath, sizeof oldPath);
        memcpy(project->title, oldTitle, sizeof oldTitle);
    }
    return written;
}

void CloseProject(Project* project)
{
    if (!project) return;
    if (!project->saved) {
        if (!project->title[0]) snprintf(project->title, sizeof project->title, "%s", kDefaultProjectTitle);
        if (!project->description[0])
            snprintf(project->description, sizeof project->description, "%s", kDefaultProjectDescription);
        char question[900];
        snprintf(question, sizeof question, kProjectNotSavedQuestion, project->description, project->path);
        if (ShowMessageBox(FrameWindow, question, "Warning", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) SaveProjectAs(project);
    }
    for (int i = 0; i < project->tileCount; i++)
        if (project->tiles[i] && project->tiles[i]->openCount != 0) UnlockTile(project->tiles[i]->path);
    HWND window = ProjectWindow();
    if (window && (Project*)GetWindowSlot(window, PROJECTWIN_PROJECT) == project)
        SetWindowSlot(window, PROJECTWIN_PROJECT, 0);
    FreeProject(project);
}

Project* OpenProject()
{
    char path[256], title[256];
    if (!ChooseProjectToOpen(path, title)) return nullptr;
    return ReadProjectFile(path, title);
}

void ReleaseOwnTileLocks(Project* project)
{
    if (!project) return;
    for (int i = 0; i < project->tileCount; i++) {
        ProjectTile* t = project->tiles[i];
        if (t && t->activeStatus == TILE_LOCKED && ReleaseOwnTileLock(t->path)) {
            t->activeStatus = TILE_AVAILABLE;
            t->lockOwner[0] = 0;
        }
    }
}

// Markers of tiles still open in a plan view after the project that took
// them was replaced: they go when the tile's last view closes, or to the next
// project that holds the tile.
static std::vector<std::string> carriedLocks;

static bool TileOpenInView(const char* path)
{
    if (!MDIClientWindow) return false;
    for (HWND child = GetWindow(MDIClientWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const ViewRecord* record = ViewRecordOf(child);
        if (record && record->window == child && IsPathInView(record, path)) return true;
    }
    return false;
}

static bool Carried(const char* path)
{
    for (const std::string& p : carriedLocks)
        if (!lstrcmpiA(p.c_str(), path)) return true;
    return false;
}

// The old project's tiles open in a view keep their markers: closing the old
// project must not free them for another user to lock and edit.
static void CarryOpenTileLocks(Project* old)
{
    for (int i = 0; old && i < old->tileCount; i++) {
        ProjectTile* t = old->tiles[i];
        if (!t || t->openCount == 0 || !TileOpenInView(t->path)) continue;
        if (!Carried(t->path)) carriedLocks.push_back(t->path);
        t->openCount = 0;
    }
}

// The new project takes over the carried markers of its tiles: they show Open.
static void AdoptCarriedTileLocks(Project* project)
{
    for (int i = 0; i < project->tileCount; i++) {
        ProjectTile* t = project->tiles[i];
        if (!t || !Carried(t->path) || !TileOpenInView(t->path)) continue;
        t->activeStatus = TILE_OPEN;
        t->lockOwner[0] = 0;
        t->openCount++;
        for (size_t k = 0; k < carriedLocks.size(); k++)
            if (!lstrcmpiA(carriedLocks[k].c_str(), t->path)) carriedLocks.erase(carriedLocks.begin() + (long)k--);
    }
}

void ReleaseCarriedTileLocks()
{
    for (size_t k = 0; k < carriedLocks.size(); k++) {
        if (TileOpenInView(carriedLocks[k].c_str())) continue;
        ReleaseOwnTileLock(carriedLocks[k].c_str());
        carriedLocks.erase(carriedLocks.begin() + (long)k--);
    }
}

// A new project replaces the open one and is shown.
static int TakeNewProject(Project* project)
{
    if (!project) return 1;
    if (!project->saved) SaveProject(project);
    Project* old = CurrentProject();
    if (old) {
        CarryOpenTileLocks(old);
        CloseProject(old);
    }
    HWND window = ShowProjectWindow(project);
    if (!window) {
        FreeProject(project);
        return 1;
    }
    CheckProjectTiles(project);
    AdoptCarriedTileLocks(project);
    ReleaseOwnTileLocks(project);
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

static Project* DialogProject(int templateId, DLGPROC proc, Project* current)
{
    return (Project*)ShowDialog(templateId, FrameWindow, proc, (LPARAM)current);
}

static int NoProject()
{
    ShowMessageBox(FrameWindow, kNoProjectText, "Project", MB_OK | MB_ICONINFORMATION);
    return 0;
}

int ProjectCommand(WPARAM wParam, LPARAM)
{
    Project* current = CurrentProject();
    HWND window = ProjectWindow();
    switch (LOWORD(wParam)) {
    case CMD_PROJECT_IMPORT:
        return TakeNewProject(DialogProject(IDD_TSCAN_PROJECT, ImportTScanProjectDlgProc, nullptr));
    case CMD_PROJECT_OPEN:
        return TakeNewProject(OpenProject());
    case CMD_PROJECT_SAVE:
        if (!current) return NoProject();
        SaveProject(current);
        return 1;
    case CMD_PROJECT_CREATE:
        return TakeNewProject(DialogProject(IDD_CREATE_PROJECT, CreateProjectDlgProc, nullptr));
    case CMD_PROJECT_SAVE_AS:
        if (!current) return NoProject();
        SaveProjectAs(current);
        SetProjectWindowTitle(window, current);
        return 1;
    case CMD_PROJECT_EDIT:
        if (!current) return NoProject();
        return TakeNewProject(DialogProject(IDD_EDIT_PROJECT, EditProjectDlgProc, current));
    case CMD_PROJECT_SHOW: {
        if (!current) return NoProject();
        ViewRecord* record = ViewRecordOf(window);
        if (record && record->projectShown) {
            ShowWindow(window, SW_HIDE);
            record->projectShown = 0;
            ArrangeViewWindows(nullptr);
        } else {
            if (record) record->projectShown = 1;
            ShowWindow(window, SW_SHOWMAXIMIZED);
        }
        return 1;
    }
    case CMD_PROJECT_CLOSE: {
        if (!current) return NoProject();
        ViewRecord* record = ViewRecordOf(window);
        if (record && !record->projectShown) {
            record->projectShown = 1;
            ShowWindow(window, SW_SHOWMAXIMIZED);
        }
        return CloseProjectWindow();
    }
    }
    return 1;
}
