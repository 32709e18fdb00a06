// The tile loop of the key-point search, row by row on several threads.
#include "classify/tile_threads.h"
#include "app/job_control.h"
#include "base/parallel.h"
#include "base/progress.h"
#include "data/selection.h"
#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

struct TileRows {
    HWND view;                       // outlines the tiles; may be null
    TileGrid grid;
    int reach;                       // columns apart that two boxes can still meet
    DataSet* set;
    SurfaceMagicSettings* settings;
    TileSelector select;
    BoxedTileRoutine routine;

    std::mutex lock;                 // guards everything below
    std::condition_variable changed;
    std::vector<int> finished;       // tiles finished in each row
    int nextRow = 0;
    int rowsDone = 0;
    int64_t result = 0;
    bool cancelled = false;          // a checkpoint said so: every thread stops
    int failure = 0;
    int64_t failedTile = INT64_MAX;  // one-thread order of the first failing tile
    int stepped = 0;                 // rows the progress bar shows (part 0 only)

    // Whether the tile at one-thread place `tile` is still to run: after a
    // failure only the tiles before it are, since one of them may fail too
    // and would have come first.
    bool Runs(int64_t tile) const { return !cancelled && tile < failedTile; }
};

// Only the calling thread may step the progress bar: the window's thread may
// be waiting for nothing but this loop.
void ShowRowsDone(TileRows* run, std::unique_lock<std::mutex>& held)
{
    int done = run->rowsDone;
    held.unlock();
    for (; run->stepped < done; run->stepped++) StepProgress();
    held.lock();
}

void Fail(TileRows* run, int result, int64_t tile)
{
    std::lock_guard<std::mutex> held(run->lock);
    if (tile < run->failedTile) {
        run->failedTile = tile;
        run->failure = result;
    }
    run->changed.notify_all();
}

// A checkpoint hands the cancel to one caller only: the others learn of it here.
void Cancel(TileRows* run)
{
    std::lock_guard<std::mutex> held(run->lock);
    run->cancelled = true;
    run->changed.notify_all();
}

// Waits until the row above is far enough along for tile (row, column);
// false when the tile is not to run.
bool WaitForRowAbove(TileRows* run, int row, int column, bool showsProgress)
{
    std::unique_lock<std::mutex> held(run->lock);
    int needed = std::min(run->grid.columns, column + run->reach + 1);
    int64_t tile = (int64_t)row * run->grid.columns + column;
    for (;;) {
        if (!run->Runs(tile)) return false;
        if (row == 0 || run->finished[(size_t)row - 1] >= needed) return true;
        if (showsProgress) {
            ShowRowsDone(run, held);
            run->changed.wait_for(held, std::chrono::milliseconds(50));
        } else {
            run->changed.wait(held);
        }
    }
}

void RunRows(void* context, int part, int)
{
    TileRows* run = (TileRows*)context;
    const bool showsProgress = part == 0;
    for (;;) {
        int row;
        {
            std::lock_guard<std::mutex> held(run->lock);
            if (run->nextRow >= run->grid.rows || !run->Runs((int64_t)run->nextRow * run->grid.columns)) break;
            row = run->nextRow++;
        }
        for (int c = 0; c < run->grid.columns; c++) {
            int64_t tile = (int64_t)row * run->grid.columns + c;
            if (!WaitForRowAbove(run, row, c, showsProgress)) return;
            // Between tiles no lock is held: a paused batch waits here.
            if (AppJobCheckpoint()) {
                Cancel(run);
                return;
            }
            double box[4];
            TileGridBox(&run->grid, row, c, box);
            int n = RunOneTile(run->view, run->set, box, run->settings, run->select, run->routine);
            if (n < 0) {
                Fail(run, n, tile);
                return;
            }
            std::unique_lock<std::mutex> held(run->lock);
            run->result += n;
            run->finished[(size_t)row] = c + 1;
            if (c + 1 == run->grid.columns) run->rowsDone++;
            run->changed.notify_all();
            if (showsProgress) ShowRowsDone(run, held);
        }
    }
    if (!showsProgress) return;
    std::unique_lock<std::mutex> held(run->lock);
    while (!run->cancelled && !run->failure && run->rowsDone < run->grid.rows) {
        ShowRowsDone(run, held);
        run->changed.wait_for(held, std::chrono::milliseconds(50));
    }
}

}  // namespace

int RunTileLoopThreaded(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap,
                        const char* text, TileSelector select, BoxedTileRoutine routine)
{
    TileRows run;
    PlanTileGrid(set, tileSize, overlap, &run.grid);
    int parts = ParallelParts(run.grid.rows, 2);
    if (parts <= 1) return RunTileLoop(view, set, settings, tileSize, overlap, text, select, routine);
    // Boxes are closed: tiles size / step columns apart still touch.
    run.reach = run.grid.size / run.grid.step + 1;
    run.view = view;
    run.set = set;
    run.settings = settings;
    run.select = select;
    run.routine = routine;
    run.finished.assign((size_t)run.grid.rows, 0);
    StartProgress((unsigned)run.grid.rows, text);
    RunParallel(parts, RunRows, &run);
    EndProgress();
    if (run.cancelled) return -1;
    if (run.failure) return run.failure;
    return run.result > INT_MAX ? INT_MAX : (int)run.result;
}
