// Contour lines traced from elevation grids: the heights are smoothed in
// place, the cells on the upper side of each level are marked, each chain of
// marked cells is walked into an outline of cells, thinned and turned into a
// line. The heights from before smoothing are always put back.
#pragma once
#include <windows.h>
#include <cstdint>

struct DataSet;
struct ContourList;
struct JobControl;
struct Polyline;

// One cell of an outline; the list is singly linked.
struct OutlineNode {
    int32_t row, column;
    int32_t spare;
    OutlineNode* next;
};

// A walking probe: its cell and the direction of its last move
// (0 up, 1 left, 2 right, 3 down).
struct WalkProbe {
    int32_t row, column;
    int32_t direction;
    const DataSet* set;   // whose contour marks the probe reads
};

// One smoothing pass (rows, then columns) in place; void cells neither
// change nor contribute. 1, or 0 when `job` (may be null) was cancelled.
int  WeightedAverage(float** grid, int rows, int columns, int width, JobControl* job);
// Marks (1) the inner cells at or above the level with a non-void neighbour below it.
void MarkContourCells(DataSet* set, float level);
OutlineNode* WalkThePoly(int column, int row, DataSet* set, float level);
// 1 when the probe's cell was appended, 0 when the outline already held it.
int  AddPoint(const WalkProbe* probe, OutlineNode** outline);
// 2 outside the grid, 1 on a marked cell, else 0.
int  TestWalkCell(const WalkProbe* probe);
void ProbeOutsideStep(WalkProbe* probe);
void ProbeInsideStep(WalkProbe* probe);
OutlineNode* ReverseLine(OutlineNode* outline);
int  CountLineNodes(const OutlineNode* outline);
void FreeNodeList(OutlineNode* outline);
OutlineNode* CopyPoints(const OutlineNode* outline);
// Thins runs along a row or a column to their ends; returns the unthinned
// copy, or null (and no change) with fewer than 3 nodes.
OutlineNode* CleanupPoints(OutlineNode* outline);
void ClearNodeMask(const OutlineNode* outline, DataSet* set);
// The line of an outline, one vertex a node; nodes that land where the one
// before did are taken out (DropRepeatedVertices).
struct Polyline* CreateLineFromPoints(const OutlineNode* outline, const DataSet* set, float level);

// The first level above the lowest height and the progress range of a run.
float FirstGridLevel(float low, float interval);
// Contours of one grid set appended to the list: `passes` smoothing passes
// first (restored afterwards, also on cancel). 1 done, 0 cancelled, -1 when
// the list could not grow.
int  TraceGridContours(DataSet* set, float interval, int passes, ContourList* list, JobControl* job);

// The thread of a grid view's contour job (parameter: the view window).
DWORD WINAPI CreateContours(LPVOID view);
int  StartGridContourThread(HWND view);

extern const char kBackupCaption[];
extern const char kRestoreCaption[];
extern const char kGridPrepCaption[];
extern const char kFindingContoursCaption[];
