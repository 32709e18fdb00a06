// Contour lines traced through a view's TIN, level by level: every fifth
// level an index line, the others intermediate lines. Triangles that touch
// the boundary of the triangulation, and their neighbours, carry no lines.
#pragma once
#include <windows.h>
#include <cstdint>

struct TINModel;
struct PointSelection;
struct ContourList;
struct JobControl;
struct Polyline;

// The working state of one run. Only the three byte arrays and the record
// belong to it; everything else is the TIN's.
struct ContourWork {
    uint8_t* levelMarks;     // 1 a triangle: its range holds the level and no line passed yet
    uint8_t* edgeStates;     // 3 a triangle: 0 open, 1 used or blocked, 2 start side of the line
    uint8_t* savedStates;    // the states after hull blocking
    int32_t  triangleCount;
    const int32_t* triangles;
    const int32_t* markers;
    const int32_t* neighbors;
    float    lowZ, highZ;
    const float* zRanges;
    PointSelection* points;
    int32_t  scanFrom;       // triangles before it have no start side left at this level
};

ContourWork* CopyTINForContours(const TINModel* tin);
void FreeContourTIN(ContourWork* work);
void BlockHullTriangles(ContourWork* work);
void RestoreEdgeStates(ContourWork* work);
void MarkLevelTriangles(ContourWork* work, float level);
// The next line of the level, or null when the level has no more.
struct Polyline* TraceContourLine(ContourWork* work, float level);
bool LevelBetween(float z1, float z2, float level);
// 0 and the neighbour and its matching side, or -1 at the hull.
int  TriangleAcrossEdge(int32_t t, int e, const int32_t* neighbors, int32_t* neighbor, int* neighborEdge);

// The levels of a run: k * interval for first <= k < end.
void ContourLevelRange(float low, float high, float interval, int* first, int* end);
// 3 (index line) or 4 (intermediate line).
int  ContourLineType(float level, float interval);

// Traces every level into the list (which the caller made); polls `job`
// (may be null) once a level and once a line. Returns 1 when finished, 0 when
// cancelled, -1 when the list could not grow (the list is then freed and
// *list set to null).
int  TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job);

// The thread of a point view's contour job (parameter: the view window).
DWORD WINAPI TINContourThread(LPVOID view);

extern const char kContourOutOfMemoryText[];
