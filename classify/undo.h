// Undo and redo of hand class edits. Each edit keeps, per changed point, the
// point's address and the class it had; undo and redo exchange those classes
// with the points' own, so one record serves both directions. The stack
// belongs to the plan view's record and holds addresses into its data sets.
#pragma once
#include <windows.h>
#include <cstdint>
#include "data/selection.h"

struct ViewRecord;
struct DataSet;

#pragma pack(push, 1)
struct UndoRecord {
    int64_t        cost;      // 5 bytes per point: its address as stored in 32 bits and its class
    PointSelection points;    // only count and items are used
    uint8_t*       classes;   // on the stack: classes before the edit; as the redo record: after it
    UndoRecord*    next;      // the record below on the stack
};
#pragma pack(pop)

extern const char kUndoLogFormat[];   // "[UNDO]  %d"
extern const char kRedoLogFormat[];   // "[REDO]  %d"

UndoRecord* NewUndoRecord(int32_t n);
void        FreeUndoRecord(UndoRecord* record);
void        PushUndoRecord(HWND view, UndoRecord* record);
UndoRecord* PopUndoRecord(HWND view);
void        FreeUndoStack(ViewRecord* record);

// Accept the plan view or its profile window; return the points changed.
int  UndoClassEdit(HWND window);
int  RedoClassEdit(HWND window);
int  RefreshProfileClasses(HWND view);
int  ReturnZeroStub(HWND window);

// Drops the undo and redo records and the profile selection that point into
// `set`, before the set leaves the view and its points are freed.
void ForgetClassEditsOf(ViewRecord* record, const DataSet* set);

// Shows class changes at once: plan view (cached image reset), profile and 3D.
void ShowClassChanges(HWND view);
