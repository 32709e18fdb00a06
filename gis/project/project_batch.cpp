// The project mode of the batch dialogs: opening a project, marking its
// tiles, and the worker that runs the marked tiles in place.
#include "gis/project/project_batch.h"
#include "gis/project/project.h"
#include "gis/project/project_commands.h"
#include "classify/batch.h"
#include "classify/surface_settings.h"
#include "app/job_control.h"
#include "base/progress.h"
#include "data/las_lock.h"
#include "resource.h"
#include <cstdio>
#include <cstring>
#include <vector>

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

static DWORD WINAPI BatchProjectThread(void* parameter)
{
    BatchThreadStart start = TakeBatchThreadStart(parameter);
    BatchDialog* state = start.state;
    Project* project = start.project;
    const BatchRunParameters* run = BatchRunOf(state);
    HWND dialog = run->dialog;
    HWND bar = GetDlgItem(dialog, IDC_BATCH_FILES_BAR);
    int left = MarkedTileCount(project);
    InitBatchProgress(bar, (unsigned)left);
    bool stopped = false;
    for (int i = 0; i < project->tileCount && !stopped; i++) {
        ProjectTile* tile = project->tiles[i];
        if (!tile || !tile->batchMark) continue;
        SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, tile->name);
        if (AppJobCheckpoint()) {
            stopped = true;
            break;
        }
        BatchFailure failure = {};
        int r = RunBatchTile(project, tile, run, failure.reason, sizeof failure.reason);
        if (r < 0) {
            stopped = true;
            break;
        }
        if (r == 0) {
            RecordBatchFailure(state, tile->path, tile->name, &failure);
        } else {
            CountBatchSuccess(state);
            StepBatchProgress(bar);
        }
        left--;
        SendDlgItemMessageA(dialog, IDC_BATCH_LIST, LB_DELETESTRING, 0, 0);
        SetDlgItemTextA(dialog, IDC_BATCH_CURRENT, "");
    }
    return EndBatchRun(state, bar, stopped, left);
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
    Project** held = BatchProjectOf(d);
    FreeProject(*held);
    *held = project;
    MarkAllTiles(project);
    ClearBatchFailures(d);
    SetDlgItemTextA(dialog, IDC_BATCH_PROJECT_TEXT, project->path);
    FillBatchRows(dialog, d);
}

// The rows list the marked tiles in project order (a failed one with its
// reason after the name), so a row's number names its tile.
static void UnmarkSelectedTiles(HWND dialog, BatchDialog* d)
{
    Project* project = *BatchProjectOf(d);
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
        MarkAllTiles(*BatchProjectOf(d));
        FillBatchRows(dialog, d);
        break;
    }
}

static void FillTileRows(HWND list, const BatchDialog* d, const Project* project)
{
    for (int i = 0; i < project->tileCount; i++) {
        const ProjectTile* t = project->tiles[i];
        if (t && t->batchMark) AddBatchRow(list, d, t->name, t->path);
    }
}

static int TileCount(const Project* project) { return project->tileCount; }

// The tiles take the project's units; the overlap is fixed for the batches.
static void PrepareTileRun(Project* project) { project->bufferSize = project->units == kUnitsFeet ? 327 : 100; }

void InstallBatchProjectMode()
{
    static const BatchProjectMode mode = {ProjectCommand, FillTileRows, TileCount, PrepareTileRun, FreeProject,
                                          BatchProjectThread};
    SetBatchProjectMode(&mode);
}
