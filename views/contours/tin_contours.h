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

// One triangle as the tracers read it, in one small record so that a step
// of a line touches few cache lines. Made once a run, then only read.
struct ContourTriangle {
    float   z[3];            // the corners' Z
    int32_t corner[3];       // the corners' point indices
    int32_t across[3];       // the triangle across side e (corners e and e + 1), -1 on the hull
    uint8_t acrossSide[3];   // that triangle's side facing side e
    uint8_t saved[3];        // the side states after hull blocking
};

// A triangle's working state in one tracer.
struct ContourMarks {
    uint8_t state[3];        // 0 open, 1 used or blocked, 2 start side of the line
    uint8_t mark;            // 1: on the level's list and no line passed yet
};

struct ContourXY {
    double x, y;
};

// What every tracer of a run reads: the records, the points' X and Y and each
// triangle's levels. Only the arrays belong to it; everything else is the TIN's.
// The records are filled in slices, before any tracer starts.
struct ContourWork {
    ContourTriangle* tris;
    ContourXY* xy;           // a point: its X and Y
    int32_t* levelRanges;    // 2 a triangle: its first and last level (first > last: none)
    int32_t  triangleCount;
    const int32_t* triangles;
    const int32_t* neighbors;
    const int32_t* markers;
    float    lowZ, highZ;
    const float* zRanges;
    PointSelection* points;
    // The levels firstLevel .. endLevel - 1 and how many triangles each reaches.
    float    interval;
    int32_t  firstLevel, endLevel;
    std::vector<int64_t> levelCounts;
};

// One tracer: its own marks and level lists, so that tracers on several
// threads share nothing they write.
struct ContourTracer {
    const ContourWork* work;
    ContourMarks* marks;
    // The lists of levels listFirst .. listEnd - 1, in triangle order.
    std::vector<int32_t> levelStarts;
    int32_t* levelTriangles;
    int64_t  levelCapacity;
    int32_t  listFirst, listEnd;
    const int32_t* current;  // the level's list
    int32_t  currentCount;
    int32_t  scanFrom;       // list entries before it have no start side left at this level
    std::vector<Vec3> nodes; // the line being traced
};

// The run's arrays, not yet filled; null when out of memory.
ContourWork* NewContourWork(const TINModel* tin);
// Copies slice `slice` of `slices` of the points and triangles into the records.
void CopyContourSlice(ContourWork* work, int slice, int slices);
void FreeContourTIN(ContourWork* work);
void BlockHullTriangles(ContourWork* work);
// Finds each triangle's levels among first .. end - 1 and counts the
// triangles of each level.
void SetContourLevels(ContourWork* work, float interval, int first, int end);
// A tracer whose sides have the states after hull blocking, or null.
ContourTracer* NewContourTracer(const ContourWork* work);
void FreeContourTracer(ContourTracer* tracer);
// Fills the tracer's lists of the levels first .. end - 1; 0 when out of memory.
int  FillLevelLists(ContourTracer* tracer, int first, int end);
// Marks the triangles of level k (within the filled lists).
void BeginContourLevel(ContourTracer* tracer, int k);
// Gives the level's triangles the states from after hull blocking.
void EndContourLevel(ContourTracer* tracer);
// 1 and the level's next line (made in the list's blocks, not yet on the
// list; its repeated vertices taken out, and a line of no length skipped),
// 0 when the level has no more, -1 when the line could not be made.
int  TraceContourLine(ContourTracer* tracer, float level, ContourList* list, struct Polyline** line);
bool LevelBetween(float z1, float z2, float level);
// 0 and the neighbour and its matching side, or -1 at the hull.
int  TriangleAcrossEdge(int32_t t, int e, const int32_t* neighbors, int32_t* neighbor, int* neighborEdge);

// The levels of a run: k * interval for first <= k < end.
void ContourLevelRange(float low, float high, float interval, int* first, int* end);
// 3 (index line) or 4 (intermediate line).
int  ContourLineType(float level, float interval);

// The threads a trace uses: one a processor, at most kMaxParallelParts.
int  ContourThreadCount();

// Traces every level into the list (empty, as NewContourList makes it), on
// `threads` worker threads (0: ContourThreadCount), each taking runs of
// levels of at most `listEntries` level-list entries (0: as suits the
// threads; a single level may need more). The lines come in level order,
// each level's lines as one tracer finds them, whatever the threads. This
// thread reports progress and polls `job` (may be null) while it waits.
// Returns 1 when finished; 0 when cancelled, the list then holds the lines of
// a first run of whole levels; -1 when out of memory (the list is then freed
// and *list set to null).
int  TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job,
                      int64_t listEntries = 0, int threads = 0);

// The thread of a point view's contour job (parameter: the view window).
DWORD WINAPI TINContourThread(LPVOID view);

extern const char kContourOutOfMemoryText[];
