// Saving a view's edited classes: refusals, the lock question, the copy
// through a temporary file (data/las_save), and what the user and the log are
// told. Nothing is logged as saved until the saved file is in place.
#include "shell/save_las.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include "base/paths.h"
#include "base/text.h"
#include "data/data_set.h"
#include "data/las_lock.h"
#include "data/las_save.h"
#include "views/gl3d/gl_view.h"
#include "views/profile/profile_window.h"
#include <cstdio>
#include <cstring>
#include <string>

const char kSaveLockedText[] = "The target file appears to be locked by:\n\n%s\n\nAre you sure you want to save?";
const char kSaveFailedLog[] = "[ERROR]  Save File";

static DataSet* CurrentSet(HWND view)
{
    if (!view || !IsWindow(view)) return nullptr;
    ViewRecord* record = ViewRecordOf(view);
    return record ? record->currentDataSet : nullptr;
}

static void ShowError(const char* format, const char* name)
{
    char text[700];
    snprintf(text, sizeof text, format, name);
    ShowMessageBox(FrameWindow, text, "ERROR", MB_OK | MB_ICONERROR);
}

// The refusals both saves share: 1 when the set may be saved.
static int MaySave(const DataSet* set)
{
    if (set->decimated == 1) {
        ShowError(kSaveDecimatedText, set->title);
        return 0;
    }
    if (set->source != SOURCE_LAS) {
        ShowError(kSaveNotLASText, set->title);
        return 0;
    }
    return 1;
}

// 1 to go on: no marker, our own marker, or the user accepts someone else's.
static int AcceptLock(const char* path)
{
    const char* owner = ReadTileLockOwner(path);
    if (!owner || IsOwnTileLock(path)) return 1;
    char text[700];
    snprintf(text, sizeof text, kSaveLockedText, owner);
    return ShowMessageBox(FrameWindow, text, "Warning", MB_YESNO | MB_ICONWARNING) == IDYES;
}

static void ReportFailure(const LASClassSave& outcome)
{
    char text[1100];
    const char* caption = "ERROR";
    if (outcome.status == LAS_SAVE_REPLACE) {
        caption = "File Replace Error";
        snprintf(text, sizeof text, "%s", outcome.message);
    } else if (outcome.status == LAS_SAVE_SOURCE_OPEN || outcome.status == LAS_SAVE_CREATE) {
        snprintf(text, sizeof text, "[ERROR] %s", outcome.message);
    } else {
        snprintf(text, sizeof text, "%s", outcome.message);
    }
    ShowMessageBox(FrameWindow, text, caption, MB_OK | MB_ICONERROR);
    LogMessage(kSaveFailedLog);
}

int SaveCurrentLASFile(HWND view)
{
    // Save is the user's request to keep the edits: a set of any other kind
    // gets the refusal with its reason, never silence.
    return CurrentSet(view) ? SaveLASFile(view) : 0;
}

int SaveLASFile(HWND view)
{
    DataSet* set = CurrentSet(view);
    return set ? SaveLASDataSet(set) : 0;
}

int SaveLASClassesAsking(DataSet* set, const char* target, const char* targetTitle, LASClassSave* outcome)
{
    int ok = SaveLASClasses(set, target, targetTitle, outcome);
    if (!ok && outcome->status == LAS_SAVE_SOURCE_REWRITTEN) {
        if (ShowMessageBox(MessageOwner(), outcome->message, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) return 0;
        ok = SaveLASClasses(set, target, targetTitle, outcome, 1);
    }
    if (ok && lstrcmpiA(target, set->path) == 0) RestampLASSource(set);
    return ok;
}

int SaveLASDataSet(DataSet* set)
{
    if (!MaySave(set)) return 0;
    if (!set->projectTile && !AcceptLock(set->path)) return 0;
    LASClassSave outcome;
    if (!SaveLASClassesAsking(set, set->path, set->title, &outcome)) {
        if (outcome.status != LAS_SAVE_SOURCE_REWRITTEN) ReportFailure(outcome);
        return 0;
    }
    set->saved = 1;
    char line[300];
    snprintf(line, sizeof line, "[SAVE]  %s", set->title);
    LogMessage(line);
    return 1;
}

int ChooseSaveLASFile(char* path, char* title)
{
    // The dialog starts in the file's own folder, with its name in the box.
    char folder[kPathChars];
    CopyBounded(folder, sizeof folder, GetPathDirectory(path));
    if (folder[0]) CopyBounded(path, kPathChars, GetPathFileName(path));
    return ChooseOneFileIn(FrameWindow, "LAS Files (*.las) |*.las|All files (*.*)|*.*|", "Save LAS File As", 1, 0, path,
                           title, folder);
}

// The view takes the name of the file its edits now go to, and so do its
// profile and 3D windows.
static void RetitleView(HWND view, const char* title)
{
    ViewRecord* record = ViewRecordOf(view);
    CopyBounded(record->title, sizeof record->title, title);
    SetWindowTextA(record->window ? record->window : view, title);
    RetitleProfileWindow(record);
    RetitleGLViewWindow(record);
}

int SaveLASFileAs(HWND view)
{
    DataSet* set = CurrentSet(view);
    if (!set || !MaySave(set)) return 0;
    char path[kPathChars], title[kPathChars];
    CopyBounded(path, sizeof path, set->path);
    CopyBounded(title, sizeof title, set->title);
    if (!ChooseSaveLASFile(path, title)) return 0;
    if (!ChangeFileExtensionTo(path, ".las")) {
        // A name chosen without ".las" at the limit: the file would be another.
        std::string wanted = PathWithExtension(path, ".las");
        ShowPathTooLong(FrameWindow, wanted.c_str(), wanted.size(), kPathChars - 1);
        return 0;
    }
    ChangeFileExtensionTo(title, ".las");
    if (!AcceptLock(path)) return 0;
    LASClassSave outcome;
    if (!SaveLASClasses(set, path, title, &outcome)) {
        ReportFailure(outcome);
        return 0;
    }
    set->saved = 1;
    CopyBounded(set->path, sizeof set->path, path);
    CopyBounded(set->title, sizeof set->title, title);
    RestampLASSource(set);
    RetitleView(view, title);
    char line[300];
    snprintf(line, sizeof line, "[SAVE AS]  %s", title);
    LogMessage(line);
    return 1;
}
