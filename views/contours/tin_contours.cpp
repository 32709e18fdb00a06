// Contours from TINs: each level's lines are walked from triangle to
// triangle across the sides whose ends bracket the level.
#include "views/contours/tin_contours.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

const char kContourOutOfMemoryText[] =
    "Ran out of memory!\nUnable to create all contours.\nTry reducing the number of point classes included.";

ContourWork* CopyTINForContours(const TINModel* tin)
{
    ContourWork* w = (ContourWork*)NBLCalloc(1, sizeof(ContourWork));
    if (!w) return nullptr;
    int32_t n = tin->triangleCount;
    w->levelMarks = (uint8_t*)NBLCalloc(n > 0 ? n : 1, 1);
    w->edgeStates = (uint8_t*)NBLCalloc(n > 0 ? 3 * (uint64_t)n : 1, 1);
    w->savedStates = (uint8_t*)NBLCalloc(n > 0 ? 3 * (uint64_t)n : 1, 1);
    if (!w->levelMarks || !w->edgeStates || !w->savedStates) {
        FreeContourTIN(w);
        return nullptr;
    }
    w->triangleCount = n;
    w->triangles = tin->triangles;
    w->markers = tin->pointMarkers;
    w->neighbors = tin->neighbors;
    w->lowZ = (float)tin->minZ;
    w->highZ = (float)tin->maxZ;
    w->zRanges = tin->zRanges;
    w->points = tin->points;
    return w;
}

void FreeContourTIN(ContourWork* w)
{
    if (!w) return;
    NBLFree(w->levelMarks);
    NBLFree(w->edgeStates);
    NBLFree(w->savedStates);
    NBLFree(w);
}

// Side e joins vertices e and e + 1; the triangle across it is neighbour e + 2.
int TriangleAcrossEdge(int32_t t, int e, const int32_t* neighbors, int32_t* neighbor, int* neighborEdge)
{
    int32_t n = neighbors[3 * t + (e + 2) % 3];
    if (n < 0) return -1;
    *neighbor = n;
    *neighborEdge = 0;
    for (int k = 0; k < 3; k++)
        if (neighbors[3 * n + k] == t) *neighborEdge = (k + 1) % 3;
    return 0;
}

static void BlockTriangle(ContourWork* w, int32_t t)
{
    w->levelMarks[t] = 0;
    for (int s = 0; s < 3; s++) {
        if (w->edgeStates[3 * t + s] == 0) w->edgeStates[3 * t + s] = 1;
        int32_t n;
        int ns;
        if (TriangleAcrossEdge(t, s, w->neighbors, &n, &ns) == 0 && w->edgeStates[3 * n + ns] == 0)
            w->edgeStates[3 * n + ns] = 1;
    }
}

static void BlockHullTriangle(ContourWork* w, int32_t t)
{
    for (int s = 0; s < 3; s++) w->edgeStates[3 * t + s] = 1;
    for (int k = 0; k < 3; k++) {
        int32_t n = w->neighbors[3 * t + k];
        if (n >= 0) BlockTriangle(w, n);
    }
}

void BlockHullTriangles(ContourWork* w)
{
    memset(w->edgeStates, 0, 3 * (size_t)w->triangleCount);
    for (int32_t t = 0; t < w->triangleCount; t++) {
        const int32_t* v = w->triangles + 3 * t;
        if (w->markers && (w->markers[v[0]] || w->markers[v[1]] || w->markers[v[2]])) BlockHullTriangle(w, t);
    }
    memcpy(w->savedStates, w->edgeStates, 3 * (size_t)w->triangleCount);
}

void RestoreEdgeStates(ContourWork* w) { memcpy(w->edgeStates, w->savedStates, 3 * (size_t)w->triangleCount); }

void MarkLevelTriangles(ContourWork* w, float h)
{
    for (int32_t t = 0; t < w->triangleCount; t++)
        w->levelMarks[t] = w->zRanges[2 * t] <= h && h <= w->zRanges[2 * t + 1];
    w->scanFrom = 0;
}

bool LevelBetween(float z1, float z2, float h)
{
    if (z1 == z2) return h == z1;
    return z1 < z2 ? z1 <= h && h <= z2 : z2 <= h && h <= z1;
}

static const PointRecord* Corner(const ContourWork* w, int32_t t, int k)
{
    return w->points->items[w->triangles[3 * t + k]];
}

static bool SideBrackets(const ContourWork* w, int32_t t, int e, float h)
{
    return LevelBetween(Corner(w, t, e)->z, Corner(w, t, (e + 1) % 3)->z, h);
}

// Where the level crosses side e of t: from the lower end towards the upper
// end in proportion to the heights; half-way on a level side.
static Vec3 ContourEdgePoint(const ContourWork* w, float h, int32_t t, int e)
{
    const PointRecord* a = Corner(w, t, e);
    const PointRecord* b = Corner(w, t, (e + 1) % 3);
    const PointRecord* lower = b->z < a->z ? b : a;
    const PointRecord* upper = lower == a ? b : a;
    double f = upper->z == lower->z ? 0.5 : ((double)h - lower->z) / ((double)upper->z - lower->z);
    return {lower->x + (upper->x - lower->x) * f, lower->y + (upper->y - lower->y) * f, h};
}

// 0 and the start side, -1 when it lies on the hull, -3 when the level has
// no more start.
static int FindStartEdge(ContourWork* w, float h, int32_t* t, int* e)
{
    for (int32_t i = w->scanFrom; i < w->triangleCount; i++) {
        if (!w->levelMarks[i]) continue;
        for (int s = 0; s < 3; s++) {
            if (w->edgeStates[3 * i + s] != 0 || !SideBrackets(w, i, s, h)) continue;
            w->scanFrom = i;
            w->edgeStates[3 * i + s] = 2;
            *t = i;
            *e = s;
            int32_t n;
            int ns;
            if (TriangleAcrossEdge(i, s, w->neighbors, &n, &ns) != 0) return -1;
            w->edgeStates[3 * n + ns] = 2;
            return 0;
        }
    }
    w->scanFrom = w->triangleCount;
    return -3;
}

// From triangle t entered by side e: 0 with the next triangle and its entry
// side, -1 at the hull (t and e then name the exit side), -2 back at the
// line's start, -4 at a dead end.
static int NextContourEdge(ContourWork* w, float h, int32_t* t, int* e)
{
    static const int candidates[3][2] = {{1, 2}, {0, 2}, {0, 1}};
    int32_t cur = *t;
    int chosen = -1;
    for (int c : candidates[*e]) {
        if (w->edgeStates[3 * cur + c] == 0 && SideBrackets(w, cur, c, h)) {
            chosen = c;
            break;
        }
    }
    if (chosen < 0) {
        const uint8_t* s = w->edgeStates + 3 * cur;
        return s[0] == 2 || s[1] == 2 || s[2] == 2 ? -2 : -4;
    }
    w->edgeStates[3 * cur + chosen] = 1;
    BlockTriangle(w, cur);
    int32_t n;
    int ns;
    if (TriangleAcrossEdge(cur, chosen, w->neighbors, &n, &ns) != 0) {
        *e = chosen;
        return -1;
    }
    *t = n;
    *e = ns;
    w->edgeStates[3 * n + ns] = 1;
    return 0;
}

static void CloseTriangleEdges(ContourWork* w, int32_t t)
{
    for (int s = 0; s < 3; s++)
        if (w->edgeStates[3 * t + s] == 2) w->edgeStates[3 * t + s] = 1;
}

struct Polyline* TraceContourLine(ContourWork* w, float h)
{
    int32_t t0;
    int e0;
    int start = FindStartEdge(w, h, &t0, &e0);
    if (start == -3) return nullptr;
    int open = start == -1 ? 1 : 0;
    std::vector<Vec3> nodes;
    nodes.push_back(ContourEdgePoint(w, h, t0, e0));
    int32_t t = t0;
    int e = e0;
    for (;;) {
        int step = NextContourEdge(w, h, &t, &e);
        if (step == 0) {
            nodes.push_back(ContourEdgePoint(w, h, t, e));
            continue;
        }
        if (step == -2) {
            if (open == 0) nodes.push_back(nodes.front());
            CloseTriangleEdges(w, t0);
            break;
        }
        if (step == -1) nodes.push_back(ContourEdgePoint(w, h, t, e));
        if (open >= 1) break;
        // Walk on from the start the other way, so the line grows at its other end.
        open = 1;
        if (nodes.size() >= 2) std::reverse(nodes.begin(), nodes.end());
        if (TriangleAcrossEdge(t0, e0, w->neighbors, &t, &e) != 0) break;
    }
    struct Polyline* line = CreatePolyline((int32_t)nodes.size());
    if (!line) return nullptr;
    memcpy(line->vertices, nodes.data(), nodes.size() * sizeof(Vec3));
    line->type = 0;
    return line;
}

void ContourLevelRange(float low, float high, float interval, int* first, int* end)
{
    *first = (int)(low / interval) - 1;
    *end = (int)(high / interval) + 1;
}

int ContourLineType(float h, float interval)
{
    float g = (float)(interval * 5.0);
    return (double)h == (double)g * trunc((double)h / g) ? CONTOUR_INDEX : CONTOUR_INTERMEDIATE;
}

int TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job)
{
    ContourWork* w = CopyTINForContours(tin);
    if (!w) return -1;
    BlockHullTriangles(w);
    int first, end;
    ContourLevelRange(w->lowZ, w->highZ, interval, &first, &end);
    StartProgress((unsigned)(end - first + 1), "Create Contours");
    int result = 1;
    for (int k = first; k < end && result == 1; k++) {
        if (job && JobCancelled(job)) {
            result = 0;
            break;
        }
        StepProgress();
        float h = (float)(k * interval);
        int type = ContourLineType(h, interval);
        RestoreEdgeStates(w);
        MarkLevelTriangles(w, h);
        while (struct Polyline* line = TraceContourLine(w, h)) {
            line->type = type;
            if (!AppendContourLine(*list, line)) {
                FreePolyline(line);
                result = -1;
                break;
            }
            if (job && JobCancelled(job)) {
                result = 0;
                break;
            }
        }
    }
    FreeContourTIN(w);
    EndProgress();
    if (result == -1) {
        FreeContourList(*list);
        *list = nullptr;
    }
    return result;
}

DWORD WINAPI TINContourThread(LPVOID parameter)
{
    HWND view = (HWND)parameter;
    JobControl* app = AppJobControl();
    WaitForSingleObject(app->mutex, INFINITE);
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
    const TINModel* tin = r ? r->tin : nullptr;
    if (!tin || !tin->points || tin->points->count < 4) {
        EndContourJob(view, 0);
        return 0;
    }
    ContourList* list = NewContourList();
    r->contours = list;
    if (!list || TraceTINContours(tin, r->contourInterval, &r->contours, app) == -1) {
        r->contours = nullptr;
        ShowMessageBox(nullptr, kContourOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
        HeapCompact(GetProcessHeap(), 0);
    }
    EndContourJob(view, 1);
    return 1;
}
