// Hand reclassification shared by the plan and profile tools: the checks that
// refuse an edit, and setting a class on chosen points with its undo record.
#pragma once
#include <windows.h>
#include <cstdint>

struct ViewRecord;
struct PointRecord;
struct PointSelection;
struct ClassSelection;
struct UndoRecord;

extern const char kEditZeroLog[];        // "[EDIT]  0"
extern const char kEditWorkerBusyLog[];  // edits refused while a worker changes classes
extern const char kClassTooLargeText[];  // a class the points' file format cannot hold

// 0, with the reason on the status line, while a worker holds the worker lock:
// a thinning or classification run restores classes when it ends and would
// overwrite the edit.
int MayEditClasses();

// 1 when every one of the points can store `target` in its source file's
// point format; otherwise tells the user (a box) and returns 0.
int ClassFitsPoints(ViewRecord* record, PointRecord* const* points, int32_t n, int target);

// Gives `target` to the points of `selection` (only those whose class is
// flagged in `classes` when `byClass`), keeps their old classes on the plan
// view's undo stack and shows the change. Returns the points changed;
// "[EDIT]  0" is logged when none was. Steps the progress bar every
// `stepEvery` points under the caption "Polygon Reclass".
int ReclassSelection(HWND view, const PointSelection* selection, const ClassSelection* classes, int byClass,
                     int stepEvery);
