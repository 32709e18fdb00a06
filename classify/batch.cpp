// The batch dialogs and their worker thread, over a list of files or over
// the tiles of a project.
#include "classify/batch.h"
#include "classify/save_classes.h"
#include "classify/surface_run.h"
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
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/las_loader.h"
#include "data/laz_loader.h"
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_geokeys.h"
#include "data/selection.h"
#include "data/statistics.h"
#include "data/las_lock.h"
#include "resource.h"
#include <cstdio>
#include <cstring>
#include <vector>

const char kBatchNoOutputFolderText[] = "Output directory is active but no location has been selected!";
const char kBatchLAZText[] = "LAZ files cannot be saved back point for point; convert the file to LAS first.";
const char kBatchClassRangeFormat[] = "Point format %d holds classes 0 to 31 only; class %d cannot be saved.";
const char kBatchNoReturnsText[] = "No \"Single\" or \"Last\" return points found; the file is left as it was.";
const char kBatchEndFormat[] = "%s %s:  %d succeeded, %d failed, %d stopped";
const char kSMBatchStopQuestion[] = "Are you sure you want to stop Vivuzoz Oduri?";
const char kThinningBatchStopQuestion[] = "Are you sure you want to stop Verudevevur Idudorav?";
const char kBatchTileLockedFormat[] = "Locked:  %s\nThe tile was left as it was.";
const char kBatchTileLockFailedText[] = "Unable to lock file!\nAnother program has it open; the tile was left as it was.";

// State of one opening of a batch dialog.
struct BatchDialog {
    int32_t kind;
    int32_t mode;        // IDC_BATCH_MODE_PROJECT or IDC_BATCH_MODE_FILES
    Project* project;    // project mode: the tiles with their batch marks
    FileList files;
    int32_t outputChosen;
    int32_t paused;
    int32_t settingsConfirmed;
    char outputFolder[260];
    SurfaceAdvancedValues advanced;
    BatchRunParameters run;
    std::vector<BatchFailure> failures;
    BatchOutcome outcome;
};
static BatchDialog smDialog = { BATCH_SURFACE_MAGIC };
static BatchDialog thinDialog = { BATCH_THINNING };
static BatchDialog* lastRun = nullptr;
static BatchProjectMode ProjectMode;

void SetBatchProjectMode(const BatchProjectMode* mode) { ProjectMode = mode ? *mode : BatchProjectMode{}; }

const BatchOutcome* LastBatchOutcome() { return lastRun ? &lastRun->outcome : nullptr; }
int LastBatchFailureCount() { return lastRun ? (int)lastRun->failures.size() : 0; }
const BatchFailure* LastBatchFailure(int index)
{
    if (!lastRun || index < 0 || index >= (int)lastRun->failures.size()) return nullptr;
    return &lastRun->failures[(size_t)index];
}

static JobControl* AppJob() { return (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB); }
static const char* BatchName(int kind) { return kind == BATCH_THINNING ? "Verudevevur Idudorav" : "Vivuzoz Oduri"; }

// ---- per file ------------------------------------------------------------------------------

void CheckBatchFile(const char* path, const BatchRunParameters* run, char* reason, int size)
{
    reason[0] = 0;
    if (IsLAZFile(path)) {
        snprintf(reason, (size_t)size, "%s", kBatchLAZText);
        return;
    }
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (!las) {
        const char* system = GetLastLASSystemError();
        snprintf(reason, (size_t)size, "Unable to open LAS file!\n%s", system ? system : "");
        return;
    }
    int format = las->header.pointDataFormat & 0x3F;
    uint64_t n = las->header.legacyPointCount;
    if (las->header.versionMinor >= 4 && las->header.pointCount64 > 0) n = las->header.pointCount64;
    CloseLASFile(las);
    int written[2] = { run->groundClass, run->featureClass };
    int count = 2;
    if (run->kind == BATCH_THINNING) {
        written[0] = run->keypointClass;
        count = 1;
    }
    for (int k = 0; k < count && format <= 5; k++)
        if (written[k] > 31) {
            snprintf(reason, (size_t)size, kBatchClassRangeFormat, format, written[k]);
            return;
        }
    if (MemoryPartsNeeded(n > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)n) != 1)
        snprintf(reason, (size_t)size, kWholeLoadMemoryText, path);
}

int RunBatchFile(const char* path, const char* title, int (*addBuffer)(DataSet* set, void* context), void* context,
                 const BatchRunParameters* run, char* reason, int size)
{
    CheckBatchFile(path, run, reason, size);
    if (reason[0]) return 0;
    // Boxes of the loader and of saving become the file's reason: the run goes on.
    SetThreadBoxCapture(reason, size);
    DataSet* set = LoadLASDataWhole(path, title);
    int result = 0;
    if (!set) {
        if (!reason[0]) snprintf(reason, (size_t)size, "Unable to open LAS file!");
    } else {
        if (addBuffer) {
            addBuffer(set, context);                // also the project's units
            reason[0] = 0;                          // a neighbour that failed is no failure of this tile
        } else if (set->units != 1 && set->units != kUnitsFeet) {
            // The units the user chose apply to files without a units key.
            set->units = run->units;
        }
        set->tiles = BuildPointTiles(set);
        DensityCheck(set);
        int r;
        if (AppJobCheckpoint()) r = -1;
        else if (run->kind == BATCH_THINNING)
            r = FindKeyPoints(nullptr, set, run->surfaceAccuracy, run->fromClasses, (uint8_t)run->keypointClass);
        else
            r = RunSurfaceMagic(nullptr, set, run->groundClass, run->featureClass, run->terrainBias, run->aesthetics);
        if (r == -1) {
            result = -1;
        } else if (r < 0) {
            snprintf(reason, (size_t)size, "%s failed (%d).", BatchName(run->kind), r);
        } else if (r == 0 && run->kind == BATCH_SURFACE_MAGIC) {
            snprintf(reason, (size_t)size, "%s", kBatchNoReturnsText);
        } else if (AppJobCheckpoint()) {
            // A pause asked during the classification holds here: no file is
            // written while the dialog says paused.
            result = -1;
        } else if (run->outputFolder[0] && !addBuffer) {
            char target[600];
            snprintf(target, sizeof target, "%s%s", run->outputFolder, title);
            result = SaveDataSetClassesAs(set, target, title);
        } else {
            result = SaveDataSetClasses(set);
        }
        if (result == 0 && !reason[0]) snprintf(reason, (size_t)size, "Saving failed.");
        FreeDataSet(set);
    }
    SetThreadBoxCapture(nullptr, 0);
    return result;
}

void RecordBatchFailure(BatchDialog* state, const char* path, const char* title, BatchFailure* failure)
{
    snprintf(failure->path, sizeof failure->path, "%s", path);
    state->failures.push_back(*failure);
    state->outcome.failed++;
    char line[700];
    snprintf(line, sizeof line, "%s\n%s", title, failure->reason);
    LogMessage(line);
}

// The end of a run: the job is given back and the dialog told.
DWORD EndBatchRun(BatchDialog* state, HWND bar, bool stopped, int left)
{
    JobControl* app = AppJob();
    state->outcome.stopped = stopped ? left : 0;
    state->outcome.complete = stopped ? 0 : 1;
    JobCancelled(app);   // a request that came after the last check is not meant for the next job
    ContinueJob(app);
    ResetBatchProgress(bar);
    EndJob(app);
    SendMessageA(state->run.dialog, WM_BATCH_DONE, 0, 0);
    return stopped ? 0 : 1;
}

// The thread's copy of its start block, once the starter has stored the handle.
BatchThreadStart TakeBatchThreadStart(void* parameter)
{
    BatchThreadStart start = *(BatchThreadStart*)parameter;
    JobControl* app = AppJob();
    // The starter stores the handle under the mutex before the thread goes on.
    WaitForSingleObject(app->mutex, INFINITE);
    ReleaseMutex(app->mutex);
    NBLFree(parameter);
    return start;
}

const BatchRunParameters* BatchRunOf(const BatchDialog* state) { return &state->run; }
void CountBatchSuccess(BatchDialog* state) { state->outcome.succeeded++; }

static DWORD WINAPI BatchFilesThread(void* parameter)
{
    BatchThreadStart start = TakeBatchThreadStart(parameter);
    BatchDialog* state = start.state;
    FileList* files = start.files;
    HWND dialog = state->run.dialog;
    HWND bar = GetDlgItem(dialog, IDC_BATCH_FILES_BAR);
    InitBatchProgress(bar, (unsigned)files->count);
    int index = 0;
    bool stopped = false;
    while (index < files->count) {
        FileListEntry* entry = files->entries[index];
        SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, entry->title);
        if (AppJobCheckpoint()) {
            stopped = true;
            break;
        }
        BatchFailure failure = {};
        int r = RunBatchFile(entry->path, entry->title, nullptr, nullptr, &state->run, failure.reason,
                             sizeof failure.reason);
        if (r < 0) {
            stopped = true;
            break;
        }
        if (r == 0) {
            RecordBatchFailure(state, entry->path, entry->title, &failure);
            index++;
        } else {
            state->outcome.succeeded++;
            RemoveFileListEntry(files, index);
            StepBatchProgress(bar);
        }
        SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, "");
    }
    return EndBatchRun(state, bar, stopped, files->count - index);
}

int StartBatchThread(FileList* files, BatchRunParameters* run, Project* project)
{
    if (project && !ProjectMode.thread) return 0;
    BatchDialog* state = run->kind == BATCH_THINNING ? &thinDialog : &smDialog;
    BatchThreadStart* start = (BatchThreadStart*)NBLCalloc(1, sizeof(BatchThreadStart));
    if (!start) return 0;
    start->files = files;
    start->project = project;
    start->state = state;
    JobControl* app = AppJob();
    // The job is busy from here: a second Start can never begin a second run.
    if (!BeginJob(app)) {
        NBLFree(start);
        return 0;
    }
    state->failures.clear();
    state->outcome = {};
    lastRun = state;
    ContinueJob(app);
    if (!StartAppJobThread(project ? ProjectMode.thread : BatchFilesThread, start)) {
        EndJob(app);
        NBLFree(start);
        return 0;
    }
    return 1;
}

bool CheckFilesHaveUnits(const FileList* files)
{
    for (int i = 0; i < files->count; i++) {
        if (IsLAZFile(files->entries[i]->path)) continue;
        LASFile* las = OpenLASFile(files->entries[i]->path, LAS_MODE_READ);
        if (!las) continue;
        int units = GetLASLinearUnitsKey(las);
        CloseLASFile(las);
        if (units < 9001 || units > 9003) return false;
    }
    return true;
}

void FillBatchClassCombo(HWND combo, int selection)
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

// ---- the dialogs ---------------------------------------------------------------------------

static const char* FailureOf(const BatchDialog* d, const char* path)
{
    for (const BatchFailure& f : d->failures)
        if (!strcmp(f.path, path)) return f.reason;
    return nullptr;
}

void AddBatchRow(HWND list, const BatchDialog* d, const char* text, const char* path)
{
    char row[700];
    snprintf(row, sizeof row, "%s", text);
    if (const char* reason = FailureOf(d, path)) {
        char first[300];
        snprintf(first, sizeof first, "%s", reason);
        char* end = strchr(first, '\n');
        if (end) *end = 0;
        snprintf(row, sizeof row, "%s   <failed: %s>", text, first);
    }
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)row);
}

// The list by mode: the files' paths, or the names of the marked tiles.
void FillBatchRows(HWND dialog, BatchDialog* d)
{
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    bool any = false;
    if (d->mode == IDC_BATCH_MODE_PROJECT) {
        if (d->project) ProjectMode.fillRows(list, d, d->project);
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
        any = d->project && ProjectMode.tileCount(d->project) > 0;
    } else {
        for (int i = 0; i < d->files.count; i++) AddBatchRow(list, d, d->files.entries[i]->path, d->files.entries[i]->path);
        SetListBoxExtent(list, &d->files);
        any = d->files.count > 0;
    }
    EnableWindow(GetDlgItem(dialog, IDC_BATCH_START), any);
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
// at its end: until then Pause reads "Pausing..." and Start stays off.
static const UINT_PTR kPauseTimer = 1;
const char kBatchPausingText[] = "Pausing...";

static void EndPausing(HWND dialog)
{
    KillTimer(dialog, kPauseTimer);
    SetDlgItemTextA(dialog, IDC_BATCH_PAUSE, "Pause");
}

static void WatchPausing(HWND dialog)
{
    JobControl* app = AppJob();
    if (!JobBusy(app)) {
        EndPausing(dialog);
    } else if (JobPauseTaken(app)) {
        EndPausing(dialog);
        SetRunningButtons(dialog, true, false, true);
    }
}

static void OpenBatchDialog(HWND dialog, BatchDialog* d)
{
    ClearFileList(&d->files);
    d->failures.clear();
    d->outcome = {};
    d->outputChosen = d->paused = d->settingsConfirmed = 0;
    d->outputFolder[0] = 0;
    d->run = {};
    if (d->project) ProjectMode.freeProject(d->project);
    d->project = nullptr;
    d->mode = IDC_BATCH_MODE_PROJECT;
    SetDlgItemTextA(dialog, IDC_BATCH_PROJECT_TEXT, "");
    CenterOnFrame(dialog);
    SetDialogProgressWindows(dialog);
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

static void StartRun(HWND dialog, BatchDialog* d)
{
    bool projectMode = d->mode == IDC_BATCH_MODE_PROJECT;
    if (projectMode ? !d->project || ProjectMode.tileCount(d->project) == 0 : d->files.count == 0) return;
    bool checked = !projectMode && IsDlgButtonChecked(dialog, IDC_BATCH_OUTPUT_CHECK) == BST_CHECKED;
    d->run = {};
    d->run.dialog = dialog;
    d->run.kind = d->kind;
    d->run.units = 1;
    if (projectMode) {
        ProjectMode.prepareRun(d->project);
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
            if (ShowDialog(IDD_THINNING_SETUP, dialog, ThinningSetupDlgProc, 0) != 1) return;
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
    SetRunningButtons(dialog, false, true, true);
    d->paused = 0;
    d->failures.clear();
    if (!StartBatchThread(&d->files, &d->run, projectMode ? d->project : nullptr))
        SetRunningButtons(dialog, true, false, false);
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
        snprintf(caption, sizeof caption, "Stop %s", BatchName(d->kind));
        const char* question = d->kind == BATCH_THINNING ? kThinningBatchStopQuestion : kSMBatchStopQuestion;
        bool stop = ShowMessageBox(dialog, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
        if (stop) CancelJob(app);   // also ends the hold, so the worker sees the request
        else ContinueJob(app);
        d->paused = 0;
        // A run that ended while the question was open has set the buttons itself.
        if (JobBusy(app)) SetRunningButtons(dialog, false, !stop, !stop);
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
    snprintf(text, sizeof text, kBatchEndFormat, BatchName(d->kind), d->outcome.complete ? "complete" : "stopped",
             d->outcome.succeeded, d->outcome.failed, d->outcome.stopped);
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
    case WM_BATCH_DONE:
        EndPausing(dialog);
        FillBatchRows(dialog, d);
        EnableWindow(GetDlgItem(dialog, IDC_BATCH_PAUSE), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_BATCH_STOP), FALSE);
        d->paused = 0;
        EndBatchNotice(dialog, d);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (IsAppJobBusy()) {
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
            if (ProjectMode.command) ProjectMode.command(dialog, d, id);
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
                SetDlgItemTextA(dialog, IDC_BATCH_OUTPUT_TEXT, folder);
            }
            return TRUE;
        }
        case IDC_BATCH_THIN_SETTINGS:
            if (ShowDialog(IDD_THINNING_SETUP, dialog, ThinningSetupDlgProc, 0) == 1) d->settingsConfirmed = 1;
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
            if (d->project) ProjectMode.freeProject(d->project);
            d->project = nullptr;
            RestoreFrameProgressWindows();
            EndDialog(dialog, 1);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        if (IsAppJobBusy()) return TRUE;
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

Project** BatchProjectOf(BatchDialog* d) { return &d->project; }
void ClearBatchFailures(BatchDialog* d) { d->failures.clear(); }
