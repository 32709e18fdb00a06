// Cell ranges of elevation grids.
#include "data/gridcells.h"
#include "data/dataset.h"

static int ClampCell(int v, int limit) { return v < 0 ? 0 : (v > limit - 1 ? limit - 1 : v); }

int PolygonBounds(gpc_polygon* polygon, DataSet* grid, int* rowMin, int* rowMax, int* columnMin, int* columnMax)
{
    const gpc_vertex_list* ring = &polygon->contour[0];
    double minX = 3.37e38, maxX = -3.37e38, minY = 3.37e38, maxY = -3.37e38;
    for (int i = 0; i < ring->num_vertices; i++) {
        if (ring->vertex[i].x < minX) minX = ring->vertex[i].x;
        if (ring->vertex[i].x > maxX) maxX = ring->vertex[i].x;
        if (ring->vertex[i].y < minY) minY = ring->vertex[i].y;
        if (ring->vertex[i].y > maxY) maxY = ring->vertex[i].y;
    }
    *rowMin = ClampCell((int)((grid->originY - maxY) / grid->cellSize), grid->rows);
    *rowMax = ClampCell((int)((grid->originY - minY) / grid->cellSize), grid->rows);
    *columnMin = ClampCell((int)((minX - grid->originX) / grid->cellSize), grid->columns);
    *columnMax = ClampCell((int)((maxX - grid->originX) / grid->cellSize), grid->columns);
    return 1;
}
