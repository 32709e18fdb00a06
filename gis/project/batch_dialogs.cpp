// The batch dialogs: their state, the file and project modes, Start, Pause
// and Stop; the batch runner (classify/batch.h) does the files.
#include "gis/project/batch_dialogs.h"
#include "gis/project/project.h"
#include "gis/project/project_commands.h"
#include "classify/surface_settings.h"
#include "classify/thinning.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/file_list_dialogs.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/path_label.h"
#include "base/progress.h"
#include "base/shell_hooks.h"
#include "data/decimation.h"
#include "data/las_lock.h"
#include "resource.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kBatchNoOutputFolderText[] = "Output directory is active but no location has been selected!";
const char kBatchEndFormat[] = "%s %s:  %d succeeded, %d failed, %d stopped";
const char kSMBatchStopQuestion[] = "Are you sure you want to stop Vivuzoz Oduri?";
const char kThinningBatchStopQuestion[] = "Are you sure you want to stop Verudevevur Idudorav?";
const char kBatchTileLockedFormat[] = "Locked:  %s\nThe tile was left as it was.";
const char kBatchTileLockFailedText[] = "Unable to lock file!\nAnother program has it open; the tile was left as it was.";
const char kBatchStartFailedFormat[] = "The batch could not be started:\n\n%s";
const char kBatchStartText[] = "Start";
const char kBatchResumeText[] = "Resume";

// Project mode runs the marked tiles of the dialog's project in order.
struct TileSource {
    BatchSource base;   // first: the runner sees only this
    Project* project;
    int at;             // the tile in work
};

// State of one opening of a batch dialog.
struct BatchDialog {
    int32_t kind;
    int32_t mode;        // IDC_BATCH_MODE_PROJECT or IDC_BATCH_MODE_FILES
    Project* project;    // project mode: the tiles with their batch marks
    FileList files;
    int32_t outputChosen;
    int32_t paused;
    int32_t running;     // from Start until the dialog has seen WM_BATCH_DONE: the run owns `run` and `report`
    size_t filesShown;   // files done whose rows the dialog has updated
    size_t rowsGone;     // rows of saved files taken out of the list meanwhile
    size_t failuresShown;
    int32_t settingsConfirmed;
    char outputFolder[260];
    SurfaceAdvancedValues advanced;
    BatchRunParameters run;
    BatchReport report;
    TileSource tiles;
};
static BatchDialog smDialog = { BATCH_SURFACE_MAGIC };
static BatchDialog thinDialog = { BATCH_THINNING };
static BatchDialog* lastRun = nullptr;

int LastBatchFailureCount() { return lastRun ? (int)lastRun->report.failures.size() : 0; }
const BatchFailure* LastBatchFailure(int index)
{
    if (!lastRun || index < 0 || index >= (int)lastRun->report.failures.size()) return nullptr;
    return &lastRun->report.failures[(size_t)index];
}

static JobControl* AppJob() { return (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB); }

// ---- project mode ----------------------------------------------------------------------------

struct TileBuffer {
    Project* project;
    ProjectTile* tile;
};

static int AddTileBuffer(DataSet* set, void* context)
{
    TileBuffer* b = (TileBuffer*)context;
    return LoadBufferPoints(b->project, b->tile, set);
}

// A tile is rewritten in place: it is run only under a lock marker of this
// run, never while someone else's marker names it or another program has it open.
static int RunBatchTile(Project* project, ProjectTile* tile, const BatchRunParameters* run, char* reason, int size)
{
    if (const char* owner = ReadTileLockOwner(tile->path)) {
        char name[300];
        snprintf(name, sizeof name, "%s", owner);
        name[strcspn(name, "\r\n")] = 0;
        snprintf(reason, (size_t)size, kBatchTileLockedFormat, name);
        return 0;
    }
    if (!LockTile(tile->path)) {
        snprintf(reason, (size_t)size, "%s", TileFileExists(tile->path) ? kBatchTileLockFailedText : "Unable to open LAS file!");
        return 0;
    }
    TileBuffer buffer = {project, tile};
    int result = RunBatchFile(tile->path, tile->name, AddTileBuffer, &buffer, run, reason, size);
    UnlockTile(tile->path);
    return result;
}

static int MarkedTileCount(const Project* project)
{
    int n = 0;
    for (int i = 0; project && i < project->tileCount; i++)
        if (project->tiles[i] && project->tiles[i]->batchMark) n++;
    return n;
}

static bool NextMarkedTile(BatchSource* source, const char** path, const char** name)
{
    TileSource* s = (TileSource*)source;
    for (; s->at < s->project->tileCount; s->at++) {
        const ProjectTile* tile = s->project->tiles[s->at];
        if (!tile || !tile->batchMark) continue;
        *path = tile->path;
        *name = tile->name;
        return true;
    }
    return false;
}

static int RunMarkedTile(BatchSource* source, const BatchRunParameters* run, char* reason, int size)
{
    TileSource* s = (TileSource*)source;
    return RunBatchTile(s->project, s->project->tiles[s->at], run, reason, size);
}

static void FinishMarkedTile(BatchSource* source, int)
{
    TileSource* s = (TileSource*)source;
    s->at++;
}

static BatchSource* TileBatchSource(BatchDialog* d)
{
    d->tiles = {};
    d->tiles.base = {NextMarkedTile, RunMarkedTile, FinishMarkedTile, nullptr, MarkedTileCount(d->project)};
    d->tiles.project = d->project;
    return &d->tiles.base;
}

// The tiles take the project's units; the overlap is fixed for the batches.
static void PrepareTileRun(Project* project) { project->bufferSize = project->units == kUnitsFeet ? 327 : 100; }

// ---- the dialogs ---------------------------------------------------------------------------

// Fills a class combo with the global class table, row = class code.
static void FillBatchClassCombo(HWND combo, int selection)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const ClassTable& table = GlobalDisplaySettings.classTable;
    for (int i = 0; i < table.count && i < 256; i++) {
        char text[96];
        snprintf(text, sizeof text, " %3d - %s", i, table.entries[i].name);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)selection, 0);
}

static const char* FailureOf(const BatchDialog* d, const char* path)
{
    for (const BatchFailure& f : d->report.failures)
        if (!strcmp(f.path, path)) return f.reason;
    return nullptr;
}

// A row names its file, and a failed one the first line of why.
static void FormatBatchRow(char* row, int size, const char* text, const char* reason)
{
    snprintf(row, (size_t)size, "%s", text);
    if (!reason) return;
    char first[300];
    snprintf(first, sizeof first, "%s", reason);
    char* end = strchr(first, '\n');
    if (end) *end = 0;
    snprintf(row, (size_t)size, "%s   <failed: %s>", text, first);
}

static void AddBatchRow(HWND list, const BatchDialog* d, const char* text, const char* path)
{
    char row[700];
    FormatBatchRow(row, sizeof row, text, FailureOf(d, path));
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)row);
}

static void FillTileRows(HWND list, const BatchDialog* d, const Project* project)
{
    for (int i = 0; i < project->tileCount; i++) {
        const ProjectTile* t = project->tiles[i];
        if (t && t->batchMark) AddBatchRow(list, d, t->name, t->path);
    }
}

// The list by mode: the files' paths, or the names of the marked tiles.
static void FillBatchRows(HWND dialog, BatchDialog* d)
{
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    bool any = false;
    if (d->mode == IDC_BATCH_MODE_PROJECT) {
        if (d->project) FillTileRows(list, d, d->project);
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
        any = MarkedTileCount(d->project) > 0;
    } else {
        for (int i = 0; i < d->files.count; i++) AddBatchRow(list, d, d->files.entries[i]->path, d->files.entries[i]->path);
        SetListBoxExtent(list, &d->files);
        any = d->files.count > 0;
    }
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_START), any);
}

static void MarkAllTiles(Project* project)
{
    for (int i = 0; project && i < project->tileCount; i++)
        if (project->tiles[i]) project->tiles[i]->batchMark = 1;
}

static void OpenBatchProject(HWND dialog, BatchDialog* d)
{
    Project* project = OpenProject();
    if (!project) return;
    FreeProject(d->project);
    d->project = project;
    MarkAllTiles(project);
    d->report.failures.clear();
    SetDlgItemTextA(dialog, IDC_BATCH_PROJECT_TEXT, project->path);
    FillBatchRows(dialog, d);
}

// The rows list the marked tiles in project order (a failed one with its
// reason after the name), so a row's number names its tile.
static void UnmarkSelectedTiles(HWND dialog, BatchDialog* d)
{
    Project* project = d->project;
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    int count = (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0 || !project) return;
    std::vector<int> rows((size_t)count);
    count = (int)SendMessageA(list, LB_GETSELITEMS, (WPARAM)count, (LPARAM)rows.data());
    std::vector<ProjectTile*> marked;
    for (int i = 0; i < project->tileCount; i++)
        if (project->tiles[i] && project->tiles[i]->batchMark) marked.push_back(project->tiles[i]);
    for (int k = 0; k < count; k++)
        if (rows[(size_t)k] >= 0 && rows[(size_t)k] < (int)marked.size()) marked[(size_t)rows[(size_t)k]]->batchMark = 0;
    FillBatchRows(dialog, d);
}

static void ProjectCommand(HWND dialog, BatchDialog* d, int id)
{
    switch (id) {
    case IDC_BATCH_OPEN_PROJECT: OpenBatchProject(dialog, d); break;
    case IDC_BATCH_REMOVE_TILES: UnmarkSelectedTiles(dialog, d); break;
    case IDC_BATCH_RESET:
        MarkAllTiles(d->project);
        FillBatchRows(dialog, d);
        break;
    }
}

static void ShowBatchModeControls(HWND dialog, BatchDialog* d)
{
    static const int project[] = { IDC_BATCH_PROJECT_TEXT, IDC_BATCH_OPEN_PROJECT, IDC_BATCH_REMOVE_TILES,
                                   IDC_BATCH_RESET };
    static const int files[] = { IDC_BATCH_ADD, IDC_BATCH_REMOVE, IDC_BATCH_REMOVE_ALL, IDC_BATCH_OUTPUT_CHECK,
                                 IDC_BATCH_SET_DIRECTORY, IDC_BATCH_OUTPUT_TEXT };
    bool projectMode = d->mode == IDC_BATCH_MODE_PROJECT;
    for (int id : project) ShowWindow(GetDlgItem(dialog, id), projectMode ? SW_SHOW : SW_HIDE);
    for (int id : files) ShowWindow(GetDlgItem(dialog, id), projectMode ? SW_HIDE : SW_SHOW);
    CheckRadioButton(dialog, IDC_BATCH_MODE_PROJECT, IDC_BATCH_MODE_FILES, d->mode);
    FillBatchRows(dialog, d);
}

static void SetRunningButtons(HWND dialog, bool start, bool pause, bool stop)
{
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_START), start);
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_PAUSE), pause);
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_STOP), stop);
}

// The worker pauses at its next checkpoint, which a long step reaches only
// at its end: until then Pause reads "Pausing..." and Start stays off; then
// Start reads "Resume".
static const UINT_PTR kPauseTimer = 1;
const char kBatchPausingText[] = "Pausing...";

static void EndPausing(HWND dialog)
{
    KillTimer(dialog, kPauseTimer);
    SetDlgItemTextA(dialog, IDC_BATCH_PAUSE, "Pause");
    SetDlgItemTextA(dialog, IDC_BATCH_START, kBatchStartText);
}

static void WatchPausing(HWND dialog)
{
    JobControl* app = AppJob();
    if (!JobBusy(app)) {
        EndPausing(dialog);
    } else if (JobPauseTaken(app)) {
        EndPausing(dialog);
        SetDlgItemTextA(dialog, IDC_BATCH_START, kBatchResumeText);
        SetRunningButtons(dialog, true, false, true);
    }
}

static void OpenBatchDialog(HWND dialog, BatchDialog* d)
{
    ClearFileList(&d->files);
    ClearBatchReport(&d->report);
    d->outputChosen = d->paused = d->settingsConfirmed = d->running = 0;
    d->outputFolder[0] = 0;
    d->run = {};
    FreeProject(d->project);
    d->project = nullptr;
    d->mode = IDC_BATCH_MODE_PROJECT;
    SetDlgItemTextA(dialog, IDC_BATCH_PROJECT_TEXT, "");
    CenterOnFrame(dialog);
    SetDialogProgressWindows(dialog);
    SetProgressNotify(dialog, WM_BATCH_PROGRESS);
    ShowBatchModeControls(dialog, d);
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_SET_DIRECTORY), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_OUTPUT_TEXT), FALSE);
    SetRunningButtons(dialog, false, false, false);
    if (d->kind == BATCH_SURFACE_MAGIC) {
        FillBatchClassCombo(GetDlgItem(dialog, IDC_BATCH_GROUND_CLASS), 2);
        FillBatchClassCombo(GetDlgItem(dialog, IDC_BATCH_FEATURE_CLASS), 5);
        d->advanced.aesthetics = kDefaultAesthetics;
        d->advanced.terrainBias = kDefaultTerrainBias;
    } else {
        UseThinningSettings();
    }
}

// The key-point settings; the accuracy is labelled with the unit of the
// listed files, or of the project's tiles.
static int ShowThinningSetup(HWND dialog, BatchDialog* d, int fileUnits)
{
    if (d->mode == IDC_BATCH_MODE_FILES) return ShowThinningBatchSetup(dialog, &d->files, fileUnits);
    return ShowThinningBatchSetup(dialog, nullptr, d->project ? d->project->units : 0);
}

static void StartRun(HWND dialog, BatchDialog* d)
{
    bool projectMode = d->mode == IDC_BATCH_MODE_PROJECT;
    if (projectMode ? MarkedTileCount(d->project) == 0 : d->files.count == 0) return;
    bool checked = !projectMode && IsDlgButtonChecked(dialog, IDC_BATCH_OUTPUT_CHECK) == BST_CHECKED;
    d->run = {};
    d->run.dialog = dialog;
    d->run.kind = d->kind;
    d->run.units = 1;
    if (projectMode) {
        PrepareTileRun(d->project);
    } else if (checked) {
        if (!d->outputChosen || !d->outputFolder[0]) {
            ErrorMessage(kBatchNoOutputFolderText);
            return;
        }
        snprintf(d->run.outputFolder, sizeof d->run.outputFolder, "%s", d->outputFolder);
    }
    if (!projectMode && !CheckFilesHaveUnits(&d->files)) {
        INT_PTR units = ShowDialog(IDD_NOUNITS, dialog, NoUnitsDlgProc, (LPARAM) "Batch Files");
        if (units == 0) return;
        d->run.units = (int32_t)units;
    }
    if (d->kind == BATCH_THINNING) {
        if (!d->settingsConfirmed) {
            if (ShowThinningSetup(dialog, d, d->run.units) != 1) return;
            d->settingsConfirmed = 1;
        }
        d->run.surfaceAccuracy = GlobalThinningSettings.surfaceAccuracy;
        d->run.fromClasses = GlobalThinningSettings.fromClasses;
        d->run.keypointClass = GlobalThinningSettings.keypointClass;
    } else {
        d->run.groundClass = (int32_t)SendDlgItemMessageA(dialog, IDC_BATCH_GROUND_CLASS, CB_GETCURSEL, 0, 0);
        d->run.featureClass = (int32_t)SendDlgItemMessageA(dialog, IDC_BATCH_FEATURE_CLASS, CB_GETCURSEL, 0, 0);
        d->run.terrainBias = d->advanced.terrainBias;
        d->run.aesthetics = d->advanced.aesthetics;
    }
    // The rows are the files of the run in its order, without the reasons of the last one.
    ClearBatchReport(&d->report);
    FillBatchRows(dialog, d);
    d->filesShown = d->rowsGone = d->failuresShown = 0;
    HWND bar = GetDlgItem(dialog, IDC_BATCH_FILES_BAR);
    BatchSource* source = projectMode ? TileBatchSource(d) : NewFileListBatchSource(&d->files);
    if (source) InitBatchProgress(bar, (unsigned)source->left);
    lastRun = d;
    char reason[300] = "";
    if (!source) snprintf(reason, sizeof reason, "%s", SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
    else if (StartBatchThread(source, &d->run, &d->report, reason, sizeof reason)) {
        d->running = 1;
        d->paused = 0;
        SetRunningButtons(dialog, false, true, true);
        return;
    }
    char text[400];
    snprintf(text, sizeof text, kBatchStartFailedFormat, reason);
    ErrorMessage(text);
}

// What the worker did since the dialog last looked: the file in work, the
// files done (a saved one leaves the list, a failed one shows why) and the
// bar of saved files.
static void ShowBatchNews(HWND dialog, BatchDialog* d)
{
    ShowPostedProgress();
    WriteQueuedStatusLines();
    if (!d->running) return;
    char current[256];
    std::vector<int8_t> finished;
    std::vector<std::string> reasons;
    {
        std::lock_guard<std::mutex> held(d->report.lock);
        snprintf(current, sizeof current, "%s", d->report.current);
        finished.assign(d->report.finished.begin() + (ptrdiff_t)d->filesShown, d->report.finished.end());
        for (size_t k = d->failuresShown; k < d->report.failures.size(); k++) reasons.push_back(d->report.failures[k].reason);
    }
    char shown[256];
    GetDlgItemTextA(dialog, IDC_BATCH_CURRENT, shown, sizeof shown);
    if (strcmp(shown, current)) SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, current);
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    size_t failure = 0;
    for (int8_t saved : finished) {
        int row = (int)(d->filesShown++ - d->rowsGone);
        if (saved) {
            SendMessageA(list, LB_DELETESTRING, (WPARAM)row, 0);
            d->rowsGone++;
            StepBatchProgress(GetDlgItem(dialog, IDC_BATCH_FILES_BAR));
            continue;
        }
        const char* reason = reasons[failure++].c_str();
        char text[700], annotated[700];
        if (SendMessageA(list, LB_GETTEXTLEN, (WPARAM)row, 0) >= (LRESULT)sizeof text) continue;
        SendMessageA(list, LB_GETTEXT, (WPARAM)row, (LPARAM)text);
        FormatBatchRow(annotated, sizeof annotated, text, reason);
        SendMessageA(list, LB_DELETESTRING, (WPARAM)row, 0);
        SendMessageA(list, LB_INSERTSTRING, (WPARAM)row, (LPARAM)annotated);
    }
    d->failuresShown += failure;
}

// Pause, Resume and Stop while the worker runs; the rest waits for idle.
static void RunningCommand(HWND dialog, BatchDialog* d, int id)
{
    JobControl* app = AppJob();
    switch (id) {
    case IDC_BATCH_PAUSE:
        if (PauseJob(app)) {
            SetRunningButtons(dialog, false, false, true);
            SetDlgItemTextA(dialog, IDC_BATCH_PAUSE, kBatchPausingText);
            d->paused = 1;
            SetTimer(dialog, kPauseTimer, 100, nullptr);
            WatchPausing(dialog);
        }
        break;
    case IDC_BATCH_START:
        if (d->paused) {
            ContinueJob(app);
            EndPausing(dialog);
            SetRunningButtons(dialog, false, true, true);
            d->paused = 0;
        }
        break;
    case IDC_BATCH_STOP: {
        EndPausing(dialog);
        // The worker holds at its next checkpoint while the user answers: a
        // file is never written between the click and a Yes.
        PauseJob(app);
        char caption[64];
        snprintf(caption, sizeof caption, "Stop %s", BatchKindName(d->kind));
        const char* question = d->kind == BATCH_THINNING ? kThinningBatchStopQuestion : kSMBatchStopQuestion;
        bool stop = ShowMessageBox(dialog, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
        // Yes: cancel, and release the hold even when the run has just ended,
        // so that the next job of the application does not start held.
        // No: the run goes on, a paused one too.
        if (stop) CancelJob(app);
        ContinueJob(app);
        d->paused = 0;
        // A run that ended while the question was open has set the buttons itself.
        if (d->running) SetRunningButtons(dialog, false, !stop, !stop);
        break;
    }
    }
}

static void RemoveSelectedFiles(HWND dialog, BatchDialog* d)
{
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    int count = (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return;
    std::vector<int> rows((size_t)count);
    SendMessageA(list, LB_GETSELITEMS, (WPARAM)count, (LPARAM)rows.data());
    RemoveFileListEntries(&d->files, count, rows.data());
    FillBatchRows(dialog, d);
}

static void EndBatchNotice(HWND dialog, BatchDialog* d)
{
    char text[200];
    snprintf(text, sizeof text, kBatchEndFormat, BatchKindName(d->kind), d->report.outcome.complete ? "complete" : "stopped",
             d->report.outcome.succeeded, d->report.outcome.failed, d->report.outcome.stopped);
    SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, text);
    char line[220];
    snprintf(line, sizeof line, "[BATCH]  %s", text);
    LogMessage(line);
}

static INT_PTR BatchDlgProc(BatchDialog* d, HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenBatchDialog(dialog, d);
        return TRUE;
    case WM_TIMER:
        if (wParam == kPauseTimer) WatchPausing(dialog);
        return TRUE;
    case WM_BATCH_PROGRESS:
        ShowBatchNews(dialog, d);
        return TRUE;
    case WM_BATCH_DONE:
        ShowBatchNews(dialog, d);
        d->running = 0;
        // A Pause or Stop handled as the run was ending may have set a hold
        // after the run released its own: the next job must not start held.
        ContinueJob(AppJob());
        EndPausing(dialog);
        ResetBatchProgress(GetDlgItem(dialog, IDC_BATCH_FILES_BAR));
        FillBatchRows(dialog, d);
        EnableWindow(GetDlgItem(dialog, IDC_BATCH_PAUSE), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_BATCH_STOP), FALSE);
        d->paused = 0;
        EndBatchNotice(dialog, d);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (d->running) {
            RunningCommand(dialog, d, id);
            return TRUE;
        }
        switch (id) {
        case IDC_BATCH_MODE_PROJECT:
        case IDC_BATCH_MODE_FILES:
            d->mode = id;
            ShowBatchModeControls(dialog, d);
            return TRUE;
        case IDC_BATCH_OPEN_PROJECT:
        case IDC_BATCH_REMOVE_TILES:
        case IDC_BATCH_RESET:
            ProjectCommand(dialog, d, id);
            return TRUE;
        case IDC_BATCH_ADD:
            OpenLASFilesDialog(dialog, &d->files, "Select Files For SM Batch");
            FillBatchRows(dialog, d);
            return TRUE;
        case IDC_BATCH_REMOVE:
            RemoveSelectedFiles(dialog, d);
            return TRUE;
        case IDC_BATCH_REMOVE_ALL:
            ClearFileList(&d->files);
            FillBatchRows(dialog, d);
            return TRUE;
        case IDC_BATCH_OUTPUT_CHECK: {
            BOOL on = IsDlgButtonChecked(dialog, IDC_BATCH_OUTPUT_CHECK) == BST_CHECKED;
            EnableWindow(GetDlgItem(dialog, IDC_BATCH_SET_DIRECTORY), on);
            EnableWindow(GetDlgItem(dialog, IDC_BATCH_OUTPUT_TEXT), on);
            return TRUE;
        }
        case IDC_BATCH_SET_DIRECTORY: {
            char folder[MAX_PATH] = "";
            if (BrowseForFolder(dialog, folder, "Vivuzoz Oduri Output Directory") && folder[0] &&
                IsDlgButtonChecked(dialog, IDC_BATCH_OUTPUT_CHECK) == BST_CHECKED) {
                snprintf(d->outputFolder, sizeof d->outputFolder, "%s", folder);
                d->outputChosen = 1;
                ShowPathInLabel(dialog, IDC_BATCH_OUTPUT_TEXT, folder);
            }
            return TRUE;
        }
        case IDC_BATCH_THIN_SETTINGS:
            if (ShowThinningSetup(dialog, d, 0) == 1) d->settingsConfirmed = 1;
            return TRUE;
        case IDC_BATCH_ADVANCED: {
            SurfaceAdvancedValues edited = d->advanced;
            if (ShowSurfaceMagicAdvanced(dialog, &edited) == 1) d->advanced = edited;
            return TRUE;
        }
        case IDC_BATCH_START:
            StartRun(dialog, d);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            ClearFileList(&d->files);
            FreeProject(d->project);
            d->project = nullptr;
            SetProgressNotify(nullptr, 0);
            RestoreFrameProgressWindows();
            EndDialog(dialog, 1);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        if (d->running) return TRUE;
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK SMBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return BatchDlgProc(&smDialog, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ThinningBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return BatchDlgProc(&thinDialog, dialog, message, wParam, lParam);
}
