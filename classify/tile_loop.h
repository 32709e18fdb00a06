// The tile loop of the surface steps and the key-point search: the data set's
// extent cut into overlapping square tiles, each selected, run and freed in
// turn, row by row from the top.
#pragma once
#include <windows.h>

struct DataSet;
struct PointSelection;
struct SurfaceMagicSettings;

// The tile loop with its own selection and a routine that also
// gets the tile's box (left, top, right, bottom); the sum, or -1 on cancel, or
// the first negative result of the routine.
typedef PointSelection* (*TileSelector)(DataSet* set, const double box[4]);
typedef int (*BoxedTileRoutine)(PointSelection* tile, const double box[4], SurfaceMagicSettings* settings);
int RunTileLoop(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap,
                const char* text, TileSelector select, BoxedTileRoutine routine);
// One tile of a loop: selected, run and freed; 0 for a tile without points.
// With a view the tile is outlined there (XOR) while it is selected and, in
// yellow, while its routine runs.
int RunOneTile(HWND view, DataSet* set, const double box[4], SurfaceMagicSettings* settings, TileSelector select,
               BoxedTileRoutine routine);
extern const COLORREF kTileSelectColour, kTileRoutineColour;

// The tiles of a tile loop: rows from the top, columns from the left, each
// tile `size` square and `step` on from the one before.
struct TileGrid {
    double left, top;
    int size, step;
    int rows, columns;
};
void PlanTileGrid(const DataSet* set, int tileSize, int overlap, TileGrid* grid);
// Tile (row, column)'s box: left, top, right, bottom.
void TileGridBox(const TileGrid* grid, int row, int column, double box[4]);
