// The batch runner: the checks and the run of one file, and the worker
// thread that takes its files from a source.
#include "classify/batch.h"
#include "classify/save_classes.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "classify/thinning.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/las_save.h"
#include "data/laz_loader.h"
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_geokeys.h"
#include "data/lasfile/las_points.h"
#include "data/selection.h"
#include "data/statistics.h"
#include "resource.h"
#include <cstdio>
#include <cstring>

const char kBatchLAZText[] = "LAZ files cannot be saved back point for point; convert the file to LAS first.";
const char kBatchClassRangeFormat[] = "Point format %d holds classes 0 to 31 only; class %d cannot be saved.";
const char kBatchNoReturnsText[] = "No \"Single\" or \"Last\" return points found; the file is left as it was.";

static JobControl* AppJob() { return (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB); }
const char* BatchKindName(int kind) { return kind == BATCH_THINNING ? "Verudevevur Idudorav" : "Vivuzoz Oduri"; }

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
    // A damaged count asks for no memory the file cannot fill.
    uint64_t n = GetLASHeldPointCount(las);
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
    // Where the classes go is known before the classifying: a file that
    // cannot be saved there is not classified for nothing.
    char target[600];
    bool inPlace = !run->outputFolder[0] || addBuffer;
    snprintf(target, sizeof target, "%s%s", inPlace ? path : run->outputFolder, inPlace ? "" : title);
    LASClassSave fits;
    if (!LASSaveTargetFits(target, title, &fits)) {
        snprintf(reason, (size_t)size, "%s", fits.message);
        return 0;
    }
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
            snprintf(reason, (size_t)size, "%s failed (%d).", BatchKindName(run->kind), r);
        } else if (r == 0 && run->kind == BATCH_SURFACE_MAGIC) {
            snprintf(reason, (size_t)size, "%s", kBatchNoReturnsText);
        } else if (AppJobCheckpoint()) {
            // A pause asked during the classification holds here: no file is
            // written while the dialog says paused.
            result = -1;
        } else if (!inPlace) {
            result = SaveDataSetClassesAs(set, target, title);
        } else {
            result = SaveDataSetClasses(set);
        }
        if (result == 0 && !reason[0]) snprintf(reason, (size_t)size, "Saving failed.");
        FreeDataSet(set);
    }
    SetThreadBoxCapture(nullptr, 0);
    // A loader's box opens with the file's title, which the batch's row
    // already shows: the reason is what follows.
    size_t named = strlen(title);
    if (!strncmp(reason, title, named) && reason[named] == '\n') {
        const char* why = reason + named;
        while (*why == '\n') why++;
        memmove(reason, why, strlen(why) + 1);
    }
    return result;
}

// ---- the thread ----------------------------------------------------------------------------

const char kBatchJobBusyText[] = "Another job is running; start the batch when it has ended.";

struct BatchThreadStart {
    BatchSource* source;
    const BatchRunParameters* run;
    BatchReport* report;
};

void ClearBatchReport(BatchReport* report)
{
    std::lock_guard<std::mutex> held(report->lock);
    report->outcome = {};
    report->failures.clear();
    report->finished.clear();
    report->current[0] = 0;
}

static void ShowCurrentFile(const BatchThreadStart& start, const char* name)
{
    {
        std::lock_guard<std::mutex> held(start.report->lock);
        snprintf(start.report->current, sizeof start.report->current, "%s", name);
    }
    PostMessageA(start.run->dialog, WM_BATCH_PROGRESS, 0, 0);
}

static void RecordBatchResult(const BatchThreadStart& start, const char* path, const char* name, int result,
                              BatchFailure* failure)
{
    {
        std::lock_guard<std::mutex> held(start.report->lock);
        BatchReport* report = start.report;
        if (result > 0) {
            report->outcome.succeeded++;
        } else {
            snprintf(failure->path, sizeof failure->path, "%s", path);
            report->failures.push_back(*failure);
            report->outcome.failed++;
        }
        report->finished.push_back(result > 0 ? 1 : 0);
        report->current[0] = 0;
    }
    if (result <= 0) {
        char line[700];
        snprintf(line, sizeof line, "%s\n%s", name, failure->reason);
        LogMessage(line);
    }
    PostMessageA(start.run->dialog, WM_BATCH_PROGRESS, 0, 0);
}

// The end of a run: the job is given back and the dialog told. Nothing of
// the run is touched once the job is idle: a new run may begin at once.
static DWORD EndBatchRun(const BatchThreadStart& start, bool stopped)
{
    JobControl* app = AppJob();
    HWND dialog = start.run->dialog;
    {
        std::lock_guard<std::mutex> held(start.report->lock);
        start.report->outcome.stopped = stopped ? start.source->left : 0;
        start.report->outcome.complete = stopped ? 0 : 1;
        start.report->current[0] = 0;
    }
    if (start.source->release) start.source->release(start.source);
    QueueThreadStatusLines(nullptr, 0);
    JobCancelled(app);   // a request that came after the last check is not meant for the next job
    ContinueJob(app);
    EndJob(app);
    PostMessageA(dialog, WM_BATCH_DONE, 0, 0);
    return stopped ? 0 : 1;
}

static DWORD WINAPI BatchThread(void* parameter)
{
    BatchThreadStart start = *(BatchThreadStart*)parameter;
    JobControl* app = AppJob();
    // The starter stores the handle under the mutex before the thread goes on.
    WaitForSingleObject(app->mutex, INFINITE);
    ReleaseMutex(app->mutex);
    NBLFree(parameter);
    QueueThreadStatusLines(start.run->dialog, WM_BATCH_PROGRESS);
    BatchSource* source = start.source;
    bool stopped = false;
    const char* path;
    const char* name;
    while (source->next(source, &path, &name)) {
        ShowCurrentFile(start, name);
        if (AppJobCheckpoint()) {
            stopped = true;
            break;
        }
        BatchFailure failure = {};
        int r = source->run(source, start.run, failure.reason, sizeof failure.reason);
        if (r < 0) {
            stopped = true;
            break;
        }
        RecordBatchResult(start, path, name, r, &failure);
        source->left--;
        source->finished(source, r);
    }
    return EndBatchRun(start, stopped);
}

int StartBatchThread(BatchSource* source, const BatchRunParameters* run, BatchReport* report, char* reason, int size)
{
    reason[0] = 0;
    BatchThreadStart* start = (BatchThreadStart*)NBLCalloc(1, sizeof(BatchThreadStart));
    JobControl* app = AppJob();
    // The job is busy from here: a second Start can never begin a second run.
    if (!start || !app || !TryBeginJob(app)) {
        snprintf(reason, (size_t)size, "%s", start && app ? kBatchJobBusyText : SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
        NBLFree(start);
        if (source->release) source->release(source);
        return 0;
    }
    start->source = source;
    start->run = run;
    start->report = report;
    ClearBatchReport(report);
    ContinueJob(app);
    if (!StartAppJobThread(BatchThread, start)) {
        snprintf(reason, (size_t)size, "%s", SystemErrorText(GetLastError()));
        EndJob(app);
        NBLFree(start);
        if (source->release) source->release(source);
        return 0;
    }
    return 1;
}

// ---- a list of files -------------------------------------------------------------------------

struct FileListSource {
    BatchSource base;   // first: the thread sees only this
    FileList* files;
    int index;          // the file in work; failed files stay before it
};

static bool NextListedFile(BatchSource* source, const char** path, const char** name)
{
    FileListSource* s = (FileListSource*)source;
    if (s->index >= s->files->count) return false;
    *path = s->files->entries[s->index]->path;
    *name = s->files->entries[s->index]->title;
    return true;
}

static int RunListedFile(BatchSource* source, const BatchRunParameters* run, char* reason, int size)
{
    FileListSource* s = (FileListSource*)source;
    const FileListEntry* entry = s->files->entries[s->index];
    return RunBatchFile(entry->path, entry->title, nullptr, nullptr, run, reason, size);
}

static void FinishListedFile(BatchSource* source, int result)
{
    FileListSource* s = (FileListSource*)source;
    if (result > 0) RemoveFileListEntry(s->files, s->index);
    else s->index++;
}

static void ReleaseFileListSource(BatchSource* source) { NBLFree(source); }

BatchSource* NewFileListBatchSource(FileList* files)
{
    FileListSource* s = (FileListSource*)NBLCalloc(1, sizeof(FileListSource));
    if (!s) return nullptr;
    s->base = {NextListedFile, RunListedFile, FinishListedFile, ReleaseFileListSource, files->count};
    s->files = files;
    return &s->base;
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
