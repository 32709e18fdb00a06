// The checks before a hand edit, and a class set on chosen points with its undo record.
#include "classify/reclass.h"
#include "classify/undo.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/progress.h"
#include "data/selection.h"
#include <cstdio>

const char kEditZeroLog[] = "[EDIT]  0";
const char kEditWorkerBusyLog[] = "[EDIT]  Refused while a classification or thinning run works";
const char kClassTooLargeText[] = "Class %d cannot be stored in:\n\n    %s\n\n"
                                  "Its point format holds classes 0 to %d only. No point was changed.";

int MayEditClasses()
{
    // Workers run only under a frame.
    if (!FrameWindow || !IsWorkerBusy()) return 1;
    LogMessage(kEditWorkerBusyLog);
    return 0;
}

int ClassFitsPoints(ViewRecord* r, PointRecord* const* points, int32_t n, int target)
{
    for (int d = 0; d < r->dataSetCount; d++) {
        const DataSet* set = r->dataSets[d];
        if (!set || !set->points || set->fileClassLimit <= 0 || target <= set->fileClassLimit) continue;
        const PointRecord* first = set->points;
        const PointRecord* end = first + set->pointCount;
        for (int32_t i = 0; i < n; i++) {
            if (points[i] < first || points[i] >= end) continue;
            char text[700];
            snprintf(text, sizeof text, kClassTooLargeText, target, set->title, set->fileClassLimit);
            ShowMessageBox(FrameWindow, text, "Warning", MB_OK | MB_ICONWARNING);
            return 0;
        }
    }
    return 1;
}

int ReclassSelection(HWND view, const PointSelection* selection, const ClassSelection* classes, int byClass,
                     int stepEvery)
{
    ViewRecord* r = ViewRecordOf(view);
    int32_t n = selection ? selection->count : 0;
    if (!r || n <= 0) {
        LogMessage(kEditZeroLog);
        return 0;
    }
    if (stepEvery < 1) stepEvery = 1;
    int passes = byClass ? 2 : 1;
    StartProgress((unsigned)((int64_t)passes * n / stepEvery + 2), "Polygon Reclass");
    auto chosen = [&](const PointRecord* p) { return !byClass || classes->fromClasses[p->classification] != 0; };
    int32_t count = n;
    if (byClass) {
        count = 0;
        for (int32_t i = 0; i < n; i++) {
            if (i % stepEvery == 0) StepProgress();
            if (chosen(selection->items[i])) count++;
        }
    }
    UndoRecord* record = count > 0 ? NewUndoRecord(count) : nullptr;
    if (!record) {
        EndProgress();
        LogMessage(kEditZeroLog);
        return 0;
    }
    int32_t k = 0;
    for (int32_t i = 0; i < n && k < count; i++) {
        if (i % stepEvery == 0) StepProgress();
        PointRecord* p = selection->items[i];
        if (!chosen(p)) continue;
        record->points.items[k++] = p;
    }
    if (!ClassFitsPoints(r, record->points.items, count, classes->targetClass)) {
        EndProgress();
        FreeUndoRecord(record);
        return 0;
    }
    uint8_t target = (uint8_t)classes->targetClass;
    for (int32_t i = 0; i < count; i++) {
        record->classes[i] = record->points.items[i]->classification;
        record->points.items[i]->classification = target;
    }
    EndProgress();
    PushUndoRecord(view, record);
    ShowClassChanges(view);
    return count;
}
