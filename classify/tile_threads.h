// The tile loop on several threads, for tile routines whose only shared state
// is the classes of the points in their boxes (the key-point search).
#pragma once
#include "classify/tile_loop.h"

// RunTileLoop's result, reached on up to kMaxParallelParts threads. A row of
// tiles runs on one thread, left to right as ever, and a tile starts only once
// the row above has finished every tile whose box can meet its own; so each
// tile sees the classes the one-thread loop would show it, and the classes
// come out the same. On a failure the result is the failing tile's that comes
// first in the one-thread order, or -1 on cancel.
int RunTileLoopThreaded(HWND view, DataSet* set, SurfaceMagicSettings* settings, int tileSize, int overlap,
                        const char* text, TileSelector select, BoxedTileRoutine routine);
