// The tile loop: the grid of tiles over a data set and the run over it.
#include "classify/tile_loop.h"
#include "app/job_control.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "views/plan/rubber_bands.h"

void PlanTileGrid(const DataSet* set, int tileSize, int overlap, TileGrid* grid)
{
    // Very dense data gives tiles below 2 units: bound them so the tile step stays positive.
    if (tileSize - overlap < 1) {
        tileSize = 2;
        overlap = 1;
    }
    grid->size = tileSize;
    grid->step = tileSize - overlap;
    grid->left = set->minX - overlap;
    grid->top = set->maxY + overlap;
    grid->rows = (int)((set->maxY + overlap - (set->minY - overlap)) / grid->step + 1);
    grid->columns = (int)((set->maxX + overlap - (set->minX - overlap)) / grid->step + 1);
}

void TileGridBox(const TileGrid* grid, int row, int column, double box[4])
{
    double top = grid->top - (double)row * grid->step;
    double left = grid->left + (double)column * grid->step;
    box[0] = left;
    box[1] = top;
    box[2] = left + grid->size;
    box[3] = top - grid->size;
}

const COLORREF kTileSelectColour = 0x8000FF, kTileRoutineColour = 0x00FFFF;

static void OutlineTile(HWND view, const double box[4], COLORREF colour)
{
    if (view) DrawMapRectXor(view, box[0], box[1], box[2], box[3], colour);
}

int RunOneTile(HWND view, DataSet* set, const double box[4], SurfaceMagicSettings* settings, TileSelector select,
               BoxedTileRoutine routine)
{
    OutlineTile(view, box, kTileSelectColour);
    PointSelection* tile = select(set, box);
    OutlineTile(view, box, kTileSelectColour);
    if (!tile) return 0;
    OutlineTile(view, box, kTileRoutineColour);
    int n = routine(tile, box, settings);
    FreePointSelection(tile);
    OutlineTile(view, box, kTileRoutineColour);
    return n;
}

int RunTileLoop(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap, const char* text,
                TileSelector select, BoxedTileRoutine routine)
{
    TileGrid grid;
    PlanTileGrid(set, tileSize, overlap, &grid);
    StartProgress((unsigned)grid.rows, text);
    int result = 0;
    for (int r = 0; r < grid.rows; r++) {
        StepProgress();
        for (int c = 0; c < grid.columns; c++) {
            // Between tiles no lock is held: a paused batch waits here.
            if (AppJobCheckpoint()) {
                EndProgress();
                return -1;
            }
            double box[4];
            TileGridBox(&grid, r, c, box);
            int n = RunOneTile(view, set, box, settings, select, routine);
            if (n < 0) {
                EndProgress();
                return n;
            }
            result += n;
        }
    }
    EndProgress();
    return result;
}
