// The profile's single point, polygon and above/below line reclass tools.
#include "classify/profile_reclass.h"
#include "views/profile/profile_query.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/overlays.h"
#include "views/plan/rubber_bands.h"
#include "app/command_ids.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "classify/class_dialogs.h"
#include "classify/reclass.h"
#include "classify/undo.h"
#include "data/selection.h"

const char kNoPointsFoundLog[] = "No Points Found";

static Vec3 ProfileAt(const ViewRecord* r, int x, int y)
{
    return {x * r->profile.scale + r->profile.left, r->profile.top - y * r->profile.scale, 0.0f};
}

static void PixelOf(const ViewRecord* r, double x, double z, int* px, int* py)
{
    *px = (int)((x - r->profile.left) / r->profile.scale);
    *py = (int)((r->profile.top - z) / r->profile.scale);
}

int ProfilePointReclassMouse(HWND profile, UINT message, LPARAM position)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    if (message == WM_RBUTTONDOWN) {
        if (r->editPending) UndoClassEdit(r->window);
        r->editPending = 0;
        return 1;
    }
    if (message != WM_LBUTTONDOWN || !MayEditClasses()) return 1;
    int i = r->profilePoints && r->profilePoints->count > 0
                ? FindNearestProfilePoint(profile, (short)LOWORD(position), (short)HIWORD(position))
                : -1;
    if (i < 0) {
        LogMessage(kNoPointsFoundLog);
        Beep(1000, 100);
        return 1;
    }
    PointRecord* point = r->profilePoints->items[i];
    PointRecord* copy = &r->profileCopy[i];
    int target = r->classSelectionCopy.targetClass;
    if (!ClassFitsPoints(r, &point, 1, target)) return 1;
    UndoRecord* record = NewUndoRecord(1);
    if (!record) return 1;
    record->points.items[0] = point;
    record->classes[0] = point->classification;
    r->editPending = 1;
    point->classification = copy->classification = (uint8_t)target;
    DrawProfilePointMark(profile, copy);
    PushUndoRecord(r->window, record);
    ShowClassChanges(r->window);
    int x, y;
    PixelOf(r, copy->x, copy->y, &x, &y);
    SetCursorClientPos(profile, x, y);
    return 1;
}

static void DrawBand(HWND profile, ViewRecord* r)
{
    DrawToolRubberBand(profile, r->profileRect, r->profileTool);
}

static int RunEdit(HWND profile, ViewRecord* r)
{
    return r->profileTool == TOOL_POLYGON ? ProfilePolygonReclass(profile) : ProfilePolygonReclassByClass(profile);
}

// The right click: closes the polygon (above and below the line: with two
// corners a pixel beyond the data's height range) and runs the edit.
static int CloseProfilePolygon(HWND profile, ViewRecord* r, int x, int y)
{
    CancelViewDraw(profile);
    DrawBand(profile, r);
    r->profileBandActive = 0;
    struct Polyline* polygon = r->profileEditPolygon;
    int tool = r->profileTool;
    if (polygon && (tool == TOOL_ABOVE_LINE || tool == TOOL_BELOW_LINE) && r->currentDataSet) {
        Vec3 at = ProfileAt(r, x, y);
        AddPolylineVertex(polygon, &at);
        double z = tool == TOOL_ABOVE_LINE ? r->currentDataSet->maxZ + r->profile.scale
                                           : r->currentDataSet->minZ - r->profile.scale;
        Vec3 last = {polygon->vertices[polygon->vertexCount - 1].x, z, 0.0f};
        Vec3 first = {polygon->vertices[0].x, z, 0.0f};
        AddPolylineVertex(polygon, &last);
        AddPolylineVertex(polygon, &first);
    }
    if (!polygon || polygon->vertexCount < 3) {
        InvalidateRect(profile, nullptr, FALSE);
        return 1;
    }
    if (tool == TOOL_POLYGON || tool == TOOL_BY_CLASS) {
        const Vec3& last = polygon->vertices[polygon->vertexCount - 1];
        PixelOf(r, last.x, last.y, &r->profileRect[0], &r->profileRect[1]);
        PixelOf(r, polygon->vertices[0].x, polygon->vertices[0].y, &r->profileRect[2], &r->profileRect[3]);
        DrawBand(profile, r);
    }
    RunEdit(profile, r);
    return 1;
}

int ProfilePolygonToolMouse(HWND profile, UINT message, LPARAM position)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int x = (short)LOWORD(position), y = (short)HIWORD(position);
    if (message == WM_RBUTTONDOWN) return r->profileBandActive ? CloseProfilePolygon(profile, r, x, y) : 1;
    if (message != WM_LBUTTONDOWN) return 1;
    CancelViewDraw(profile);
    Vec3 at = ProfileAt(r, x, y);
    if (r->profileBandActive && r->profileEditPolygon) {
        AddPolylineVertex(r->profileEditPolygon, &at);
        r->profileRect[0] = r->profileRect[2];
        r->profileRect[1] = r->profileRect[3];
    } else {
        FreePolyline(r->profileEditPolygon);
        r->profileEditPolygon = CreatePolyline(1);
        if (!r->profileEditPolygon) return 1;
        r->profileEditPolygon->vertices[0] = at;
        r->profileEditPolygon->type = r->profileTool;
        r->profileRect[0] = x;
        r->profileRect[1] = y;
        r->profileBandActive = 1;
    }
    r->profileRect[2] = r->profileRect[0] + 1;
    r->profileRect[3] = r->profileRect[1] + 1;
    DrawBand(profile, r);
    return 1;
}

int TrackProfilePolygonBand(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profileBandActive) return 0;
    CancelViewDraw(profile);
    DrawBand(profile, r);
    r->profileRect[2] = r->profileMouseX;
    r->profileRect[3] = r->profileMouseY;
    DrawBand(profile, r);
    return 1;
}

// Reclassifies the profile points inside the edit polygon and inside the
// visible part of the profile (bounds included), whatever the display flags.
static int ReclassInsideProfilePolygon(HWND profile, int byClass)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profileEditPolygon || !r->profilePoints || !r->profileCopy) return 0;
    if (!MayEditClasses()) return 0;
    if (byClass && !r->classSelectionSaved) {
        if (!ShowClassifyByClass(r->window)) return 0;
        r->classSelectionCopy = r->classSelection;
        r->classSelectionSaved = 1;
    }
    const ClassSelection& classes = r->classSelectionCopy;
    RingPolygon* ring = PolylineToGpcPolygon(r->profileEditPolygon);
    if (!ring) return 0;
    const ViewMapping& m = r->profile;
    int32_t n = r->profilePoints->count;
    auto passes = [&](int32_t i) {
        const PointRecord& c = r->profileCopy[i];
        if (c.x < m.left || c.x > m.right || c.y < m.bottom || c.y > m.top) return false;
        if (!PointInPolygon(&ring->contour[0], c.x, c.y)) return false;
        return !byClass || classes.fromClasses[r->profilePoints->items[i]->classification] != 0;
    };
    StartProgress((unsigned)(2 * (int64_t)n / 32768 + 2), "Polygon Reclass");
    int32_t count = 0;
    for (int32_t i = 0; i < n; i++) {
        if (i % 32768 == 0) StepProgress();
        if (passes(i)) count++;
    }
    UndoRecord* record = count > 0 ? NewUndoRecord(count) : nullptr;
    int32_t k = 0;
    for (int32_t i = 0; record && i < n && k < count; i++) {
        if (i % 32768 == 0) StepProgress();
        if (passes(i)) record->points.items[k++] = r->profilePoints->items[i];
    }
    FreePolygon(ring);
    EndProgress();
    if (!record) {
        LogMessage(kEditZeroLog);
        return 0;
    }
    if (!ClassFitsPoints(r, record->points.items, count, classes.targetClass)) {
        FreeUndoRecord(record);
        return 0;
    }
    uint8_t target = (uint8_t)classes.targetClass;
    for (int32_t i = 0; i < count; i++) {
        record->classes[i] = record->points.items[i]->classification;
        record->points.items[i]->classification = target;
    }
    PushUndoRecord(r->window, record);
    // The copies follow their points; the profile and plan redraw with them.
    ShowClassChanges(r->window);
    return count;
}

int ProfilePolygonReclass(HWND profile) { return ReclassInsideProfilePolygon(profile, 0); }
int ProfilePolygonReclassByClass(HWND profile) { return ReclassInsideProfilePolygon(profile, 1); }
