// The undo stack of a plan view and the undo and redo commands.
#include "classify/undo.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "app/frame_bars.h"
#include "app/view_jobs.h"
#include "data/data_set.h"
#include "views/plan/view_mapping.h"
#include <cstdio>

const char kUndoLogFormat[] = "[UNDO]  %d";
const char kRedoLogFormat[] = "[REDO]  %d";

UndoRecord* NewUndoRecord(int32_t n)
{
    if (n < 0) return nullptr;
    UndoRecord* record = (UndoRecord*)NBLCalloc(1, sizeof(UndoRecord));
    if (!record) return nullptr;
    size_t slots = n > 0 ? (size_t)n : 1;
    record->points.items = (PointRecord**)NBLCalloc(slots, sizeof(PointRecord*));
    record->classes = (uint8_t*)NBLCalloc(slots, 1);
    if (!record->points.items || !record->classes) {
        FreeUndoRecord(record);
        return nullptr;
    }
    record->points.count = record->points.capacity = n;
    record->cost = 5 * (int64_t)n;
    return record;
}

void FreeUndoRecord(UndoRecord* record)
{
    if (!record) return;
    NBLFree(record->points.items);
    NBLFree(record->classes);
    NBLFree(record);
}

static bool PointsInto(const PointSelection& points, const DataSet* set);

// Every change of classes in memory (an edit, its undo or redo) leaves the
// sets holding the points unsaved, so closing asks before the edits are lost.
// Undoing back to the loaded classes counts as a change too: the stack cannot
// tell whether a save came in between.
static void MarkEditedSets(ViewRecord* r, const UndoRecord* record)
{
    for (int i = 0; r->dataSets && i < r->dataSetCount; i++) {
        DataSet* set = r->dataSets[i];
        if (set && set->saved && set->points && PointsInto(record->points, set)) set->saved = 0;
    }
}

static void Push(ViewRecord* r, UndoRecord* record)
{
    r->undoTotal += record->cost;
    r->undoCount++;
    record->next = r->undoTop;
    r->undoTop = record;
    MarkEditedSets(r, record);
}

static UndoRecord* Pop(ViewRecord* r)
{
    if (r->undoCount == 0 || !r->undoTop) return nullptr;
    UndoRecord* record = r->undoTop;
    r->undoTop = record->next;
    r->undoCount--;
    r->undoTotal -= record->cost;
    return record;
}

void PushUndoRecord(HWND view, UndoRecord* record)
{
    ViewRecord* r = ViewRecordOf(view);
    if (r && record) Push(r, record);
}

UndoRecord* PopUndoRecord(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    return r ? Pop(r) : nullptr;
}

void FreeUndoStack(ViewRecord* r)
{
    if (!r) return;
    while (UndoRecord* record = Pop(r)) FreeUndoRecord(record);
    FreeUndoRecord(r->undoRedo);
    r->undoRedo = nullptr;
}

// The plan view of a window that may be the plan view's profile.
static HWND PlanViewOf(HWND window, ViewRecord* r)
{
    return r && r->window && window == r->profileWindow ? r->window : window;
}

static void ExchangeClasses(UndoRecord* record)
{
    for (int32_t i = 0; i < record->points.count; i++) {
        uint8_t& held = record->classes[i];
        uint8_t& now = record->points.items[i]->classification;
        uint8_t swap = now;
        now = held;
        held = swap;
    }
}

void ShowClassChanges(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    // Every colour mode may show classes: the cached image and the 3D point
    // list are stale now.
    ResetViewCache(view);
    InvalidateView(view, 1);
    RefreshProfileClasses(view);
    if (r->glWindow && IsWindow(r->glWindow)) InvalidateRect(r->glWindow, nullptr, FALSE);
}

static void LogCount(const char* format, int n)
{
    char line[64];
    snprintf(line, sizeof line, format, n);
    LogMessage(line);
}

int UndoClassEdit(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    HWND view = PlanViewOf(window, r);
    r->editPending = 0;
    UndoRecord* record = Pop(r);
    if (!record) return 0;
    ExchangeClasses(record);
    MarkEditedSets(r, record);
    FreeUndoRecord(r->undoRedo);
    r->undoRedo = record;
    ShowRedoState(GetActiveView());
    LogCount(kUndoLogFormat, record->points.count);
    ShowClassChanges(view);
    return record->points.count;
}

int RedoClassEdit(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    HWND view = PlanViewOf(window, r);
    UndoRecord* record = r->undoRedo;
    if (!record) return 0;
    r->undoRedo = nullptr;
    ShowRedoState(GetActiveView());
    ExchangeClasses(record);
    Push(r, record);
    LogCount(kRedoLogFormat, record->points.count);
    ShowClassChanges(view);
    return record->points.count;
}

int RefreshProfileClasses(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->profileWindow || !r->profilePoints || !r->profileCopy) return 0;
    int changed = 0;
    for (int32_t i = 0; i < r->profilePoints->count; i++) {
        uint8_t now = r->profilePoints->items[i]->classification;
        if (r->profileCopy[i].classification == now) continue;
        r->profileCopy[i].classification = now;
        changed++;
    }
    // The profile draws its copies afresh at every paint.
    if (changed) InvalidateRect(r->profileWindow, nullptr, FALSE);
    return changed;
}

int ReturnZeroStub(HWND) { return 0; }

static bool PointsInto(const PointSelection& points, const DataSet* set)
{
    const PointRecord* first = set->points;
    const PointRecord* end = first + (set->pointCount > 0 ? set->pointCount : 0);
    for (int32_t i = 0; i < points.count; i++)
        if (points.items[i] >= first && points.items[i] < end) return true;
    return false;
}

void ForgetClassEditsOf(ViewRecord* r, const DataSet* set)
{
    if (!r || !set || !set->points) return;
    UndoRecord** link = &r->undoTop;
    while (*link) {
        UndoRecord* record = *link;
        if (!PointsInto(record->points, set)) {
            link = &record->next;
            continue;
        }
        *link = record->next;
        r->undoCount--;
        r->undoTotal -= record->cost;
        FreeUndoRecord(record);
    }
    if (r->undoRedo && PointsInto(r->undoRedo->points, set)) {
        FreeUndoRecord(r->undoRedo);
        r->undoRedo = nullptr;
        ShowRedoState(GetActiveView());
    }
    if (r->profilePoints && PointsInto(*r->profilePoints, set)) {
        // The copies are the selection's, index for index.
        NBLFree(r->profileCopy);
        r->profileCopy = nullptr;
        FreePointSelection(r->profilePoints);
        r->profilePoints = nullptr;
        if (r->profileWindow) InvalidateRect(r->profileWindow, nullptr, FALSE);
    }
}
