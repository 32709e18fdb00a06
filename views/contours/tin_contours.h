// Contour lines traced through a view's TIN, level by level: every fifth
// level an index line, the others intermediate lines. Triangles that touch
// the boundary of the triangulation, and their neighbours, carry no lines.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>
#include "base/vector.h"

struct TINModel;
struct PointSelection;
struct ContourList;
struct JobControl;
struct Polyline;

// One triangle as the tracer reads it, in one small record so that a step
// of a line touches few cache lines.
struct ContourTriangle {
    float   z[3];            // the corners' Z
    int32_t corner[3];       // the corners' point indices
    int32_t across[3];       // the triangle across side e (corners e and e + 1), -1 on the hull
    uint8_t acrossSide[3];   // that triangle's side facing side e
    uint8_t state[3];        // 0 open, 1 used or blocked, 2 start side of the line
    uint8_t saved[3];        // the states after hull blocking
    uint8_t mark;            // 1: on the level's list and no line passed yet
};

struct ContourXY {
    double x, y;
};

// The working state of one run. Only the arrays and the record belong to it;
// everything else is the TIN's.
struct ContourWork {
    ContourTriangle* tris;
    ContourXY* xy;           // a point: its X and Y
    int32_t* levelRanges;    // 2 a triangle: its first and last level (first > last: none)
    int32_t  triangleCount;
    const int32_t* triangles;
    const int32_t* markers;
    float    lowZ, highZ;
    const float* zRanges;
    PointSelection* points;
    // The levels firstLevel .. endLevel - 1 and how many triangles each reaches;
    // the lists of listFirst .. listEnd - 1 are filled, in triangle order.
    float    interval;
    int32_t  firstLevel, endLevel;
    std::vector<int64_t> levelCounts;
    int32_t* levelStarts;
    int32_t* levelTriangles;
    int64_t  levelCapacity;
    int32_t  listFirst, listEnd;
    const int32_t* current;  // the level's list
    int32_t  currentCount;
    int32_t  scanFrom;       // list entries before it have no start side left at this level
    std::vector<Vec3> nodes; // the line being traced
};

ContourWork* CopyTINForContours(const TINModel* tin);
void FreeContourTIN(ContourWork* work);
void BlockHullTriangles(ContourWork* work);
// Counts the triangles of each level first .. end - 1 and makes room for the
// lists of `listEntries` entries (0: as many as suits the TIN); 0 when out of memory.
int  SetContourLevels(ContourWork* work, float interval, int first, int end, int64_t listEntries);
// Marks the triangles of level k (within the run's levels).
void BeginContourLevel(ContourWork* work, int k);
// Gives the level's triangles and their neighbours the states from after hull blocking.
void EndContourLevel(ContourWork* work);
// 1 and the level's next line (made in the list's blocks, not yet on the
// list), 0 when the level has no more, -1 when the line could not be made.
int  TraceContourLine(ContourWork* work, float level, ContourList* list, struct Polyline** line);
bool LevelBetween(float z1, float z2, float level);
// 0 and the neighbour and its matching side, or -1 at the hull.
int  TriangleAcrossEdge(int32_t t, int e, const int32_t* neighbors, int32_t* neighbor, int* neighborEdge);

// The levels of a run: k * interval for first <= k < end.
void ContourLevelRange(float low, float high, float interval, int* first, int* end);
// 3 (index line) or 4 (intermediate line).
int  ContourLineType(float level, float interval);

// Traces every level into the list (empty, as NewContourList makes it);
// polls `job` (may be null) once a level and once a line. `listEntries` as
// for SetContourLevels. Returns 1 when finished, 0 when cancelled, -1 when
// the list could not grow (the list is then freed and *list set to null).
int  TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job,
                      int64_t listEntries = 0);

// The thread of a point view's contour job (parameter: the view window).
DWORD WINAPI TINContourThread(LPVOID view);

extern const char kContourOutOfMemoryText[];
