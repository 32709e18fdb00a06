// The contour lines of a view: index lines (type 3) and intermediate lines
// (type 4), each a Polyline whose vertices carry the level as Z.
#pragma once
#include <cstdint>
#include "base/vector.h"

struct Polyline;
struct ContourBlock;

#define CONTOUR_INDEX        3
#define CONTOUR_INTERMEDIATE 4

struct ContourList {
    int32_t count;
    struct Polyline** lines;   // room for count + 1 pointers
    // When set, every line lives in these blocks and goes with them: a TIN
    // traces a hundred thousand short lines, two heap blocks each would cost
    // more than the tracing.
    ContourBlock* blocks;
};

// A line of `vertices` vertices (type 1, the rest zero) in the list's blocks,
// or null; the list is not changed otherwise.
struct Polyline* NewBlockContourLine(ContourList* list, int32_t vertices);
void FreeContourList(ContourList* list);
// Takes out, in place, each vertex at the X and Y of the one before it
// (exactly: a level through a TIN vertex gives that vertex on every side
// that ends there); the number left. A line left with fewer than 2 has no
// length and is not kept: other programs refuse such lines.
int32_t DropRepeatedVertices(Vec3* vertices, int32_t count);
// Moves the blocks of `from` to `into`; the lines of `from` go with them,
// and `from` is left with none.
void TakeContourBlocks(ContourList* into, ContourList* from);
