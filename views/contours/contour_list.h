// The contour lines of a view: index lines (type 3) and intermediate lines
// (type 4), each a Polyline whose vertices carry the level as Z.
#pragma once
#include <cstdint>

struct Polyline;

#define CONTOUR_INDEX        3
#define CONTOUR_INTERMEDIATE 4

struct ContourList {
    int32_t count;
    struct Polyline** lines;   // room for count + 1 pointers
};

void FreeContourList(ContourList* list);
